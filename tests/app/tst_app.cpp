#include "app/TApplication.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <stdexcept>

namespace {

// Throws from its event handler, as a faulty handler of the program might.
class Thrower : public QObject {
public:
    int events = 0;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            ++events;
            throw std::runtime_error("handler failed");
        }
        return QObject::event(e);
    }
};

QStringList TempFolders(const QString& tmp) {
    return QDir(tmp).entryList({"TQTemp-*"}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
}

}  // namespace

class TestApp : public QObject {
    Q_OBJECT

private slots:
    void exceptionsInHandlersAreDropped() {
        Thrower thrower;
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(thrower.events, 2);
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Tallowquince"));
        QVERIFY(!qApp->quitOnLastWindowClosed());
    }

    void signalsEndTheRunInOrder_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void signalsEndTheRunInOrder() {
        QFETCH(int, signal);
        QTemporaryDir tmp, data, config;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TMPDIR", tmp.path());
        env.insert("XDG_DATA_HOME", data.path());
        env.insert("XDG_CONFIG_HOME", config.path());
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TQ_PROGRAM), {});
        QVERIFY(program.waitForStarted());

        // The run is up once its data folders and private temporary folder exist.
        QTRY_COMPARE_WITH_TIMEOUT(TempFolders(tmp.path()).size(), 1, 20000);
        QVERIFY(QFileInfo(data.path() + "/Tallowquince/Skins").isDir());
        QVERIFY(QFileInfo(data.path() + "/Tallowquince/Locales").isDir());
        QVERIFY(QFileInfo(config.path() + "/Tallowquince").isDir());
        QTest::qWait(300);
        QCOMPARE(program.state(), QProcess::Running);

        ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(TempFolders(tmp.path()), QStringList());
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestApp test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_app.moc"
