#include "platform/Platform.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <vector>

namespace {

std::string Native(const QString& s) {
    return s.toStdString();
}

}  // namespace

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void programFilePathIsThisExecutable() {
        QCOMPARE(QFileInfo(QString::fromStdString(platform::ProgramFilePath())).canonicalFilePath(),
                 QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    }

    void dataRootsFollowXdg() {
        ScopedEnvironment env;
        env.set("XDG_DATA_HOME", QStringLiteral("/data/home"));
        env.set("XDG_CONFIG_HOME", QStringLiteral("/config/home"));
        QCOMPARE(platform::CommonDataRootSource().primary, std::string("/data/home"));
        QCOMPARE(platform::CommonDataRootSource().fallback, std::string("%HOME%/.local/share"));
        QCOMPARE(platform::UserDataRootSource().primary, std::string("/config/home"));
        QCOMPARE(platform::UserDataRootSource().fallback, std::string("%HOME%/.config"));
    }

    void tempFolderPath() {
        QTemporaryDir dir;
        ScopedEnvironment env;
        env.set("TMPDIR", dir.path());
        QCOMPARE(platform::TempFolderPath(), Native(dir.path() + "/"));
        env.set("TMPDIR", dir.path() + "/missing");
        QCOMPARE(platform::TempFolderPath(), std::string("/tmp/"));
        env.unset("TMPDIR");
        QCOMPARE(platform::TempFolderPath(), std::string("/tmp/"));
    }

    void privateFoldersAreUniqueAndPrivate() {
        QTemporaryDir dir;
        const std::string parent = Native(dir.path() + "/");
        const std::string a = platform::CreatePrivateFolder(parent, "TQTemp-");
        const std::string b = platform::CreatePrivateFolder(parent, "TQTemp-");
        QVERIFY(!a.empty());
        QVERIFY(a != b);
        QVERIFY(a.back() == '/');
        QVERIFY(QString::fromStdString(a).startsWith(dir.path() + "/TQTemp-"));
        struct stat st {};
        QCOMPARE(::stat(a.c_str(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
        QVERIFY(platform::CreatePrivateFolder(parent + "missing/", "TQTemp-").empty());
    }

    void createFolderWithParents() {
        QTemporaryDir dir;
        std::string error;
        const std::string deep = Native(dir.path() + "/a/b/c/");
        QVERIFY(platform::CreateFolderWithParents(deep, &error));
        QVERIFY(platform::DirectoryExists(deep));
        QVERIFY(platform::CreateFolderWithParents(deep, &error));  // already there

        WriteFile(dir.path() + "/file", "x");
        QVERIFY(!platform::CreateFolderWithParents(Native(dir.path() + "/file/sub"), &error));
        QCOMPARE(error, std::string("Not a directory"));
    }

    void folderIdentityFollowsLinks() {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.path() + "/real/sub"));
        QVERIFY(QFile::link(dir.path() + "/real", dir.path() + "/alias"));
        const auto real = platform::IdentifyFolder(Native(dir.path() + "/real/"));
        QVERIFY(real);
        QCOMPARE(platform::IdentifyFolder(Native(dir.path() + "/alias/")), real);
        QCOMPARE(platform::IdentifyFolder(Native(dir.path() + "/real/sub/..")), real);
        QVERIFY(platform::IdentifyFolder(Native(dir.path() + "/real/sub/")) != real);
        QVERIFY(!platform::IdentifyFolder(Native(dir.path() + "/missing/")));
        QVERIFY(!platform::IdentifyFolder(""));
    }

    void deleteFolderTree() {
        QTemporaryDir outside;
        WriteFile(outside.path() + "/keep.txt", "keep");
        QTemporaryDir dir;
        const QString root = dir.path() + "/tree/";
        WriteFile(root + "a.txt", "a");
        WriteFile(root + ".hidden", "h");
        WriteFile(root + "sub/b.txt", "b");
        WriteFile(root + "sub/deeper/c.txt", "c");
        QDir().mkpath(root + "empty");
        // A link into another folder is removed, never followed.
        QVERIFY(QFile::link(outside.path(), root + "sub/link"));
        QVERIFY(QFile::link(outside.path() + "/keep.txt", root + "filelink"));

        platform::DeleteFolderTree(Native(root));
        QVERIFY(!QFileInfo::exists(root));
        QVERIFY(QFileInfo::exists(outside.path() + "/keep.txt"));

        platform::DeleteFolderTree("");  // nothing to do
        platform::DeleteFolderTree(Native(dir.path() + "/missing/"));
        QVERIFY(QFileInfo::exists(dir.path()));
    }

    void replaceFileWithCopy() {
        QTemporaryDir dir;
        const QString source = dir.path() + "/source.TQSkin";
        const QString target = dir.path() + "/dest/target.TQSkin";
        WriteFile(source, "new content");
        WriteFile(target, "old content that is longer");
        std::string error;
        QVERIFY(platform::ReplaceFileWithCopy(Native(source), Native(target), &error));
        QCOMPARE(ReadFile(target), QByteArray("new content"));
        QCOMPARE(QDir(dir.path() + "/dest").entryList(QDir::Files), QStringList{"target.TQSkin"});

        // Copying a file onto itself keeps it.
        QVERIFY(platform::ReplaceFileWithCopy(Native(source), Native(source), &error));
        QCOMPARE(ReadFile(source), QByteArray("new content"));

        QVERIFY(!platform::ReplaceFileWithCopy(Native(source), Native(dir.path() + "/no/such/x"),
                                               &error));
        QCOMPARE(error, std::string("No such file or directory"));
        QVERIFY(!platform::ReplaceFileWithCopy(Native(dir.path() + "/missing"), Native(target),
                                               &error));
        QCOMPARE(ReadFile(target), QByteArray("new content"));
    }

    void autostart() {
        QTemporaryDir dir;
        ScopedEnvironment env;
        env.set("XDG_CONFIG_HOME", dir.path());
        const QString file = dir.path() + "/autostart/Tallowquince.desktop";

        platform::AutostartState state = platform::ReadAutostart();
        QVERIFY(!state.enabled);
        QVERIFY(state.error.empty());

        QCOMPARE(platform::WriteAutostart(true, "/opt/my \"frame\"/tallowquince"), std::string());
        const QByteArray entry = ReadFile(file);
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY2(entry.contains("Exec=\"/opt/my \\\\\"frame\\\\\"/tallowquince\"\n"),
                 entry.constData());
        state = platform::ReadAutostart();
        QVERIFY(state.enabled);

        QCOMPARE(platform::WriteAutostart(false, "ignored"), std::string());
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(!platform::ReadAutostart().enabled);
        // Switching off what is already off is no error.
        QCOMPARE(platform::WriteAutostart(false, "ignored"), std::string());

        // An entry without an Exec line is off.
        WriteFile(file, "[Desktop Entry]\nName=Tallowquince\n");
        QVERIFY(!platform::ReadAutostart().enabled);
        WriteFile(file, "[Desktop Entry]\nExec=\n");
        QVERIFY(!platform::ReadAutostart().enabled);
    }

    void autostartErrors() {
        QTemporaryDir dir;
        ScopedEnvironment env;
        env.set("XDG_CONFIG_HOME", dir.path());
        // A folder where the entry should be cannot be read nor replaced.
        QVERIFY(QDir().mkpath(dir.path() + "/autostart/Tallowquince.desktop"));
        platform::AutostartState state = platform::ReadAutostart();
        QVERIFY(!state.enabled);
        QCOMPARE(state.error, std::string("Is a directory"));
        QCOMPARE(platform::WriteAutostart(false, "x"), std::string("Is a directory"));
        QVERIFY(!platform::WriteAutostart(true, "/x").empty());

        // A file where the autostart folder should be.
        QTemporaryDir other;
        env.set("XDG_CONFIG_HOME", other.path());
        WriteFile(other.path() + "/autostart", "not a folder");
        QCOMPARE(platform::WriteAutostart(true, "/x"), std::string("File exists"));
    }

    void instanceLock() {
        QTemporaryDir dir;
        ScopedEnvironment env;
        env.set("XDG_RUNTIME_DIR", dir.path());
        QVERIFY(platform::AcquireInstanceLock("tq-test-lock"));
        QVERIFY(QFileInfo::exists(dir.path() + "/tq-test-lock"));
        // A second holder (a new open file description) is refused while the first lives.
        QVERIFY(!platform::AcquireInstanceLock("tq-test-lock"));
        QVERIFY(platform::AcquireInstanceLock("tq-other-lock"));
    }

    // Never in the shared temporary folder, where another user could create the lock first
    // and so stop every start.
    void instanceLockLocation_data() {
        QTest::addColumn<QString>("runtime");  // the state of XDG_RUNTIME_DIR
        QTest::addColumn<bool>("cacheSet");    // XDG_CACHE_HOME set, else HOME
        QTest::addColumn<QString>("folder");   // where the lock lies, below the scratch folder
        QTest::newRow("the session's runtime folder") << "private" << true << "runtime/";
        QTest::newRow("no runtime folder: the cache folder")
            << "unset" << true << "cache/Tallowquince/";
        QTest::newRow("no runtime folder, no cache folder set: ~/.cache")
            << "unset" << false << "home/.cache/Tallowquince/";
        QTest::newRow("a runtime folder that does not exist")
            << "missing" << true << "cache/Tallowquince/";
        QTest::newRow("a runtime folder that others may write to")
            << "shared" << true << "cache/Tallowquince/";
    }
    void instanceLockLocation() {
        QFETCH(QString, runtime);
        QFETCH(bool, cacheSet);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        const QString root = dir.path() + "/";
        QVERIFY(QDir().mkpath(root + "runtime") && QDir().mkpath(root + "tmp"));
        if (runtime == u"shared") {
            QCOMPARE(::chmod(QFile::encodeName(root + "runtime").constData(), 01777), 0);
        }
        ScopedEnvironment env;
        env.set("TMPDIR", root + "tmp");
        env.set("HOME", root + "home");
        if (runtime == u"unset") {
            env.unset("XDG_RUNTIME_DIR");
        } else {
            env.set("XDG_RUNTIME_DIR", root + (runtime == u"missing" ? "gone" : "runtime"));
        }
        if (cacheSet) {
            env.set("XDG_CACHE_HOME", root + "cache");
        } else {
            env.unset("XDG_CACHE_HOME");
        }
        const std::string name = "tq-lock-" + std::string(QTest::currentDataTag()).substr(0, 20);
        QVERIFY(platform::AcquireInstanceLock(name));
        const QString suffix =
            folder.startsWith(u"runtime") ? "" : "-" + QSysInfo::machineHostName();
        const QString lock = root + folder + QString::fromStdString(name) + suffix;
        QVERIFY2(QFileInfo(lock).isFile(), qPrintable(lock));
        QCOMPARE(QFileInfo(lock).permissions() & (QFile::ReadOther | QFile::WriteOther),
                 QFileDevice::Permissions());
        QVERIFY(QDir(root + "tmp").isEmpty());
        QVERIFY(!platform::AcquireInstanceLock(name));
    }

    // Only a regular file of this user's, and no link, serves as the lock.
    void instanceLockRefusesWhatItFinds_data() {
        QTest::addColumn<QString>("found");
        QTest::newRow("a link to a file elsewhere") << "link";
        QTest::newRow("a link to nowhere") << "dangling";
        QTest::newRow("a named pipe") << "pipe";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a file of another user") << "foreign";
    }
    void instanceLockRefusesWhatItFinds() {
        QFETCH(QString, found);
        QTemporaryDir dir;
        const QString root = dir.path() + "/";
        QVERIFY(QDir().mkpath(root + "runtime"));
        ScopedEnvironment env;
        env.set("XDG_RUNTIME_DIR", root + "runtime");
        const QString lock = root + "runtime/tq-found";
        const QByteArray native = QFile::encodeName(lock);
        if (found == u"link") {
            WriteFile(root + "target", "kept");
            QVERIFY(QFile::link(root + "target", lock));
        } else if (found == u"dangling") {
            QVERIFY(QFile::link(root + "created", lock));
        } else if (found == u"pipe") {
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        } else if (found == u"folder") {
            QVERIFY(QDir().mkpath(lock));
        } else {
            if (::geteuid() != 0) {
                QSKIP("Only root can give a file to another user");
            }
            WriteFile(lock, "");
            QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
        }
        QVERIFY(!platform::AcquireInstanceLock("tq-found"));
        QCOMPARE(ReadFile(root + "target"), found == u"link" ? QByteArray("kept") : QByteArray());
        QVERIFY(!QFileInfo::exists(root + "created"));
    }

    void trimmingHandsBackWhatTheProcessGrew() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("The sanitizer's allocator keeps its own free memory");
#endif
        const auto resident = [] {
            QFile statm(QStringLiteral("/proc/self/statm"));
            const QList<QByteArray> fields =
                statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ') : QList<QByteArray>();
            return fields.value(1).toLongLong() * ::sysconf(_SC_PAGESIZE) / 1024;  // KiB
        };
        // Blocks below the allocator's mapping threshold come from its heap, which keeps them
        // when they are freed below a block still in use (the one returned).
        const auto churn = [](int kib) {
            std::vector<std::unique_ptr<char[]>> blocks;
            for (int i = 0; i < kib / 64; ++i) {
                blocks.emplace_back(new char[64 * 1024]);
                std::memset(blocks.back().get(), i, 64 * 1024);
            }
            return std::move(blocks.back());
        };
        platform::TrimWorkingSet();
        const qint64 start = resident();
        const auto kept = churn(64 * 1024);
        const qint64 grown = resident();
        QVERIFY2(grown - start > 48 * 1024, qPrintable(QString::number(grown - start)));
        platform::TrimWorkingSet();
        const qint64 trimmed = resident();
        QVERIFY2(grown - trimmed > 48 * 1024,
                 qPrintable(QStringLiteral("%1 -> %2 KiB").arg(grown).arg(trimmed)));

        // What a refresh frees and the next one takes again stays.
        const auto keptToo = churn(2 * 1024);
        const qint64 refreshed = resident();
        platform::TrimWorkingSet();
        QVERIFY2(resident() > refreshed - 512,
                 qPrintable(QStringLiteral("%1 -> %2 KiB").arg(refreshed).arg(resident())));
    }

    void terminationRequests() {
        const int fd = platform::TerminationRequestDescriptor();
        QVERIFY(fd >= 0);
        QCOMPARE(platform::TerminationRequestDescriptor(), fd);
        pollfd p{fd, POLLIN, 0};
        QCOMPARE(::poll(&p, 1, 0), 0);
        std::raise(SIGTERM);
        QCOMPARE(::poll(&p, 1, 1000), 1);
        platform::AcknowledgeTerminationRequest();
        QCOMPARE(::poll(&p, 1, 0), 0);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
