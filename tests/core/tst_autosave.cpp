#include "FakeFrame.h"
#include "core/GlobalsUnit.h"
#include "core/SettingsAutosave.h"
#include "core/SettingsUnit.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

class TestSettingsAutosave : public QObject {
    Q_OBJECT

private:
    std::optional<QTemporaryDir> dir;
    QString savedSettingsFile;
    FakeFrame frame;

    QString savedLine(const char* key) const {
        for (const QByteArray& line : ReadFile(SettingsFile).split('\n')) {
            if (line.startsWith(QByteArray(key) + '=')) {
                return QString::fromLocal8Bit(line.trimmed().mid(qstrlen(key) + 1));
            }
        }
        return {};
    }

    // Moves the frame one pixel at a time, as a drag does, every `gap` ms.
    void drag(int steps, int gap, SettingsAutosave& autosave) {
        for (int i = 0; i < steps; ++i) {
            frame.position += QPoint(1, 1);
            autosave.Changed();
            QTest::qWait(gap);
        }
    }

private slots:
    void init() {
        dir.emplace();
        savedSettingsFile = SettingsFile;
        SettingsFile = dir->path() + "/user/Tallowquince.TQSettings";
        QDir().mkpath(dir->path() + "/user");
        Settings = TSettings{};
        frame = FakeFrame{};
        frame.skin = "Oak";
    }
    void cleanup() {
        SettingsFile = savedSettingsFile;
        Settings = TSettings{};
        dir.reset();
    }

    void aChangeIsSavedWithinTwoSeconds() {
        SettingsAutosave autosave(frame);
        QSignalSpy saved(&autosave, &SettingsAutosave::saved);
        QElapsedTimer clock;
        clock.start();
        frame.position = {321, 654};
        Settings.transparency = 99;
        autosave.Changed();
        QVERIFY(!QFileInfo::exists(SettingsFile));
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 2500);
        // A coarse timer may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= SettingsAutosave::QuietDelay * 95 / 100,
                 "written before it settled");
        QCOMPARE(ReadFile(SettingsFile), SettingsFileText(frame));
        QCOMPARE(savedLine("x"), QStringLiteral("321"));
        QCOMPARE(savedLine("transparency"), QStringLiteral("99"));
    }

    void aDragIsOneWriteOnceItSettles() {
        SettingsAutosave autosave(frame, 400, 10000);
        QSignalSpy saved(&autosave, &SettingsAutosave::saved);
        drag(30, 20, autosave);
        QCOMPARE(saved.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 3000);
        QCOMPARE(savedLine("x"), QStringLiteral("230"));
        QCOMPARE(savedLine("y"), QStringLiteral("230"));
        QTest::qWait(800);
        QCOMPARE(saved.count(), 1);
    }

    void changesThatGoOnAreSavedAtTheLatestAfterTheLongestDelay() {
        SettingsAutosave autosave(frame, 400, 800);
        QSignalSpy saved(&autosave, &SettingsAutosave::saved);
        drag(100, 25, autosave);  // at least 2.5 s without a quiet moment
        QVERIFY2(saved.count() >= 2, qPrintable(QString::number(saved.count())));
        QVERIFY2(saved.count() <= 5, qPrintable(QString::number(saved.count())));
        QTRY_COMPARE_WITH_TIMEOUT(savedLine("x"), QStringLiteral("300"), 3000);
    }

    void nothingStoredChangedWritesNothing() {
        WriteFile(SettingsFile, SettingsFileText(frame));
        const QDateTime before = QFileInfo(SettingsFile).lastModified();
        SettingsAutosave autosave(frame, 100, 200);
        QSignalSpy saved(&autosave, &SettingsAutosave::saved);
        autosave.Changed();
        QTest::qWait(500);
        QCOMPARE(saved.count(), 0);
        QCOMPARE(QFileInfo(SettingsFile).lastModified(), before);

        // A move there and back before the write is no change either.
        frame.position += QPoint(10, 0);
        autosave.Changed();
        frame.position -= QPoint(10, 0);
        autosave.Changed();
        QTest::qWait(500);
        QCOMPARE(saved.count(), 0);
    }

    void aFailedWriteIsTriedAgainWithTheNextChange() {
        // The settings folder is a file: nothing can be written below it.
        QDir(dir->path()).rmdir("user");
        WriteFile(dir->path() + "/user", "not a folder");
        SettingsAutosave autosave(frame, 50, 100);
        QSignalSpy saved(&autosave, &SettingsAutosave::saved);
        frame.angle = 12.5;
        autosave.Changed();
        QTest::qWait(300);
        QCOMPARE(saved.count(), 0);

        QFile::remove(dir->path() + "/user");
        QDir().mkpath(dir->path() + "/user");
        autosave.Changed();
        QTRY_COMPARE(saved.count(), 1);
        QCOMPARE(savedLine("angle"), QStringLiteral("125000000"));
    }
};

QObject* NewTestSettingsAutosave() {
    return new TestSettingsAutosave;
}
#include "tst_autosave.moc"
