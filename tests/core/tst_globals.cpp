#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "core/Shell.h"
#include "core/WebSites.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <cmath>
#include <limits>

class TestGlobals : public QObject {
    Q_OBJECT

private:
    // Saves and restores the start-up globals around each test that changes them.
    struct SavedGlobals {
        QString program = ProgramFolder, shipped = ShippedDataFolder, common = CommonDataFolder,
                user = UserDataFolder, locales = LocalesFolder, skins = SkinsFolder,
                temp = TempFolder, settings = SettingsFile;
        bool portable = PortableMode, debug = TranslatorDebug;
        TSettings values = Settings;
        ~SavedGlobals() {
            ProgramFolder = program;
            ShippedDataFolder = shipped;
            CommonDataFolder = common;
            UserDataFolder = user;
            LocalesFolder = locales;
            SkinsFolder = skins;
            TempFolder = temp;
            SettingsFile = settings;
            PortableMode = portable;
            TranslatorDebug = debug;
            Settings = values;
        }
    };

private slots:
    void switches_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("portable");
        QTest::addColumn<bool>("debug");
        QTest::newRow("none") << QStringList{"prog"} << false << false;
        QTest::newRow("upper case") << QStringList{"prog", "/PORTABLE"} << true << false;
        QTest::newRow("lower case") << QStringList{"prog", "/portable"} << true << false;
        QTest::newRow("mixed case, any position")
            << QStringList{"prog", "photo.jpg", "/TrDebug", "x", "/Portable"} << true << true;
        QTest::newRow("long forms")
            << QStringList{"prog", "--portable", "--TRDEBUG"} << true << true;
        QTest::newRow("compared whole")
            << QStringList{"prog", "/PORTABLE2", "TRDEBUG", "/TRDEBUG "} << false << false;
        QTest::newRow("argument 0 is not a switch") << QStringList{"/PORTABLE"} << false << false;
    }
    void switches() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, portable);
        QFETCH(bool, debug);
        const Switches s = ReadSwitches(arguments);
        QCOMPARE(s.portable, portable);
        QCOMPARE(s.translatorDebug, debug);
    }

    void withTrailingBackslash_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << ""
                               << "/";
        QTest::newRow("without") << "/a/b"
                                 << "/a/b/";
        QTest::newRow("with") << "/a/b/"
                              << "/a/b/";
    }
    void withTrailingBackslash() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(WithTrailingBackslash(path), expected);
    }

    void expandLeadingVariable_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("defined variable") << "%TQ_TEST_ROOT%/data"
                                          << "/root/dir/data";
        QTest::newRow("undefined variable") << "%TQ_TEST_UNDEFINED%/data"
                                            << "/data";
        QTest::newRow("no percent after the first character") << "%plain"
                                                              << "%plain";
        QTest::newRow("no percent at all") << "/usr/share"
                                           << "/usr/share";
        QTest::newRow("only the first reference") << "%TQ_TEST_ROOT%%TQ_TEST_ROOT%"
                                                  << "/root/dir%TQ_TEST_ROOT%";
        QTest::newRow("first character not examined") << "x%TQ%rest"
                                                      << "TQ%rest";
        QTest::newRow("empty") << ""
                               << "";
    }
    void expandLeadingVariable() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        ScopedEnvironment env;
        env.set("TQ_TEST_ROOT", QStringLiteral("/root/dir"));
        env.unset("TQ_TEST_UNDEFINED");
        env.unset("TQ");
        QCOMPARE(ExpandLeadingVariable(text), expected);
    }

    void photoOrientation_data() {
        QTest::addColumn<double>("ratio");
        QTest::addColumn<char>("expected");
        QTest::newRow("square") << 1.0 << 'H';
        QTest::newRow("landscape") << 4.0 / 3.0 << 'H';
        QTest::newRow("just below 1") << 0.9999 << 'V';
        QTest::newRow("portrait") << 0.5 << 'V';
        QTest::newRow("0 / 0") << std::nan("") << 'V';
        QTest::newRow("x / 0") << std::numeric_limits<double>::infinity() << 'H';
    }
    void photoOrientation() {
        QFETCH(double, ratio);
        QFETCH(char, expected);
        QCOMPARE(PhotoOrientation(ratio), expected);
    }

    void portableFolders() {
        const DataFolders f = DeriveDataFolders(QStringLiteral("/opt/tq/tallowquince"), true);
        QCOMPARE(f.program, QStringLiteral("/opt/tq/"));
        QCOMPARE(f.shipped, f.program);
        QCOMPARE(f.common, f.program);
        QCOMPARE(f.user, f.program);
        QCOMPARE(f.locales, QStringLiteral("/opt/tq/Locales/"));
        QCOMPARE(f.skins, QStringLiteral("/opt/tq/Skins/"));
        QCOMPARE(f.settingsFile, QStringLiteral("/opt/tq/Tallowquince.TQSettings"));
    }

    void xdgFolders() {
        QTemporaryDir data, config;
        ScopedEnvironment env;
        env.set("XDG_DATA_HOME", data.path());
        env.set("XDG_CONFIG_HOME", config.path() + "/");
        env.set("HOME", QStringLiteral("/home/someone"));
        const DataFolders f = DeriveDataFolders(QStringLiteral("/opt/tq/tallowquince"), false);
        QCOMPARE(f.program, QStringLiteral("/opt/tq/"));
        QCOMPARE(f.common, data.path() + "/Tallowquince/");
        QCOMPARE(f.user, config.path() + "/Tallowquince/");
        QCOMPARE(f.locales, data.path() + "/Tallowquince/Locales/");
        QCOMPARE(f.skins, data.path() + "/Tallowquince/Skins/");
        QCOMPARE(f.settingsFile, config.path() + "/Tallowquince/Tallowquince.TQSettings");
    }

    // An installed program finds what ships with it in ../share/tallowquince/, from any
    // prefix; without that folder, beside itself.
    void installedLayout_data() {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("portable");
        QTest::addColumn<QString>("shipped");
        QTest::addColumn<QString>("skins");
        QTest::newRow("installed") << QStringList{"usr/bin", "usr/share/tallowquince"}
                                   << "usr/bin/tallowquince" << false << "usr/share/tallowquince/"
                                   << "data/Tallowquince/Skins/";
        QTest::newRow("installed, portable")
            << QStringList{"opt/bin", "opt/share/tallowquince"} << "opt/bin/tallowquince" << true
            << "opt/share/tallowquince/"
            << "opt/bin/Skins/";
        QTest::newRow("build tree") << QStringList{"build/dist/Skins"} << "build/dist/tallowquince"
                                    << false << "build/dist/"
                                    << "data/Tallowquince/Skins/";
        QTest::newRow("bin without share") << QStringList{"usr/bin", "usr/share/other"}
                                           << "usr/bin/tallowquince" << false << "usr/bin/"
                                           << "data/Tallowquince/Skins/";
    }
    void installedLayout() {
        QFETCH(QStringList, folders);
        QFETCH(QString, program);
        QFETCH(bool, portable);
        QFETCH(QString, shipped);
        QFETCH(QString, skins);
        QTemporaryDir dir;
        const QString root = dir.path() + "/";
        for (const QString& folder : folders) {
            QVERIFY(QDir().mkpath(root + folder));
        }
        QVERIFY(QDir().mkpath(root + "data"));
        ScopedEnvironment env;
        env.set("XDG_DATA_HOME", root + "data");
        const DataFolders f = DeriveDataFolders(root + program, portable);
        QCOMPARE(f.program, root + QFileInfo(program).path() + "/");
        QCOMPARE(f.shipped, root + shipped);
        QCOMPARE(f.skins, root + skins);
    }

    void xdgFallbacks() {
        ScopedEnvironment env;
        env.set("HOME", QStringLiteral("/home/someone"));
        // A named folder that does not exist falls back, as does an unset variable.
        env.set("XDG_DATA_HOME", QStringLiteral("/no/such/folder"));
        env.unset("XDG_CONFIG_HOME");
        const DataFolders f = DeriveDataFolders(QStringLiteral("/opt/tq/tallowquince"), false);
        QCOMPARE(f.common, QStringLiteral("/home/someone/.local/share/Tallowquince/"));
        QCOMPARE(f.user, QStringLiteral("/home/someone/.config/Tallowquince/"));
        QCOMPARE(f.settingsFile,
                 QStringLiteral("/home/someone/.config/Tallowquince/Tallowquince.TQSettings"));
    }

    void createDataFoldersReportsEmptyPath() {
        QTemporaryDir dir;
        MessageRecorder recorder;
        CreateDataFolders({dir.path() + "/a/b/", QString(), dir.path() + "/c/"});
        QVERIFY(QFileInfo(dir.path() + "/a/b").isDir());
        QVERIFY(!QFileInfo::exists(dir.path() + "/c"));
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(recorder.messages[0].text,
                 QStringLiteral("Error creating folder: Unable to create directory"));
    }

    void createDataFoldersIsSilentOnFailure() {
        QTemporaryDir dir;
        WriteFile(dir.path() + "/file", "x");
        MessageRecorder recorder;
        CreateDataFolders({dir.path() + "/file/sub/", dir.path() + "/ok/"});
        QVERIFY(QFileInfo(dir.path() + "/ok").isDir());
        QVERIFY(recorder.messages.isEmpty());
    }

    void setUpGlobals() {
        SavedGlobals saved;
        QTemporaryDir data, config, tmp;
        ScopedEnvironment env;
        env.set("XDG_DATA_HOME", data.path());
        env.set("XDG_CONFIG_HOME", config.path());
        env.set("TMPDIR", tmp.path());
        Settings.locale = QStringLiteral("Deutsch.TQLocale");
        MessageRecorder recorder;

        SetUpGlobals({QCoreApplication::applicationFilePath(), QStringLiteral("/trdebug")});
        QVERIFY(TranslatorDebug);
        QVERIFY(!PortableMode);
        QCOMPARE(ProgramFolder, QCoreApplication::applicationDirPath() + "/");
        QCOMPARE(CommonDataFolder, data.path() + "/Tallowquince/");
        QCOMPARE(UserDataFolder, config.path() + "/Tallowquince/");
        for (const QString& folder :
             {CommonDataFolder, UserDataFolder, LocalesFolder, SkinsFolder}) {
            QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
        }
        QCOMPARE(SettingsFile, UserDataFolder + "Tallowquince.TQSettings");
        QCOMPARE(Settings.locale, QStringLiteral("English (American) DEFAULT"));
        // The test's own folder is laid out like the build tree, not like an installation.
        QCOMPARE(ShippedDataFolder, ProgramFolder);
        QCOMPARE(SamplePhotoFile(), ProgramFolder + "sample.jpg");
        QCOMPARE(Settings.folder, ShippedDataFolder);

        QVERIFY(TempFolder.startsWith(tmp.path() + "/TQTemp-"));
        QVERIFY(TempFolder.endsWith(u'/'));
        QVERIFY(QFileInfo(TempFolder).isDir());
        struct stat st {};
        QCOMPARE(::stat(TempFolder.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
        QVERIFY(recorder.messages.isEmpty());

        const QString first = TempFolder;
        SetUpGlobals({QCoreApplication::applicationFilePath()});
        QVERIFY(TempFolder != first);  // never reused
        QVERIFY(!TranslatorDebug);
        DeleteFolderTree(first);
        DeleteFolderTree(TempFolder);
        QVERIFY(!QFileInfo::exists(first));
        QVERIFY(!QFileInfo::exists(TempFolder));
    }

    void setUpGlobalsPortable() {
        SavedGlobals saved;
        QTemporaryDir tmp;
        ScopedEnvironment env;
        env.set("TMPDIR", tmp.path());
        SetUpGlobals({QCoreApplication::applicationFilePath(), QStringLiteral("/Portable")});
        QVERIFY(PortableMode);
        QCOMPARE(CommonDataFolder, ProgramFolder);
        QCOMPARE(UserDataFolder, ProgramFolder);
        QCOMPARE(SkinsFolder, ProgramFolder + "Skins/");
        QCOMPARE(SettingsFile, ProgramFolder + "Tallowquince.TQSettings");
        QVERIFY(QFileInfo(SkinsFolder).isDir());
        QVERIFY(QFileInfo(LocalesFolder).isDir());
        DeleteFolderTree(TempFolder);
    }

    void portableFolderUsable() {
        SavedGlobals saved;
        QTemporaryDir dir;
        MessageRecorder recorder;
        PortableMode = false;
        ProgramFolder = dir.path() + "/missing/";
        QVERIFY(PortableFolderUsable());
        PortableMode = true;
        ProgramFolder = dir.path() + "/";
        QVERIFY(PortableFolderUsable());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY(recorder.messages.isEmpty());

        // A folder the user cannot write (a missing one here: root may write anywhere else).
        ProgramFolder = dir.path() + "/missing/";
        QVERIFY(!PortableFolderUsable());
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(recorder.messages[0].text,
                 "Tallowquince\r\nPortable mode keeps the settings, skins and locales in the "
                 "program's folder, and this folder cannot be written:\r\n" +
                     ProgramFolder +
                     "\r\n\r\nCopy the program to a folder you can write, or start it "
                     "without /PORTABLE.");
    }

    void installPackage_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("kind");
        QTest::newRow("skin") << "Wood.TQSkin"
                              << "skins"
                              << "Skin";
        QTest::newRow("skin, lower-case extension") << "wood.tqskin"
                                                    << "skins"
                                                    << "Skin";
        QTest::newRow("locale") << "Deutsch.TQLocale"
                                << "locales"
                                << "Locale";
        QTest::newRow("locale, mixed case") << "Deutsch.tqLOCALE"
                                            << "locales"
                                            << "Locale";
    }
    void installPackage() {
        QFETCH(QString, fileName);
        QFETCH(QString, folder);
        QFETCH(QString, kind);
        SavedGlobals saved;
        QTemporaryDir dir;
        SkinsFolder = dir.path() + "/skins/";
        LocalesFolder = dir.path() + "/locales/";
        QDir().mkpath(SkinsFolder);
        QDir().mkpath(LocalesFolder);
        const QString package = dir.path() + "/downloads/" + fileName;
        WriteFile(package, "package bytes");
        const QString destination = dir.path() + "/" + folder + "/";
        WriteFile(destination + fileName, "an older package of the same name");
        MessageRecorder recorder;

        QVERIFY(InstallPackage({"prog", package, "/PORTABLE"}));
        QCOMPARE(ReadFile(destination + fileName), QByteArray("package bytes"));
        QCOMPARE(ReadFile(package), QByteArray("package bytes"));
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Information);
        QCOMPARE(recorder.messages[0].text, "Tallowquince\r\n" + kind +
                                                " Installed OK!\r\n\r\nFile: " + fileName +
                                                "\r\nTo folder: " + destination);
        QCOMPARE(QDir(destination).entryList(QDir::Files), QStringList{fileName});
    }

    void installPackageFailure() {
        SavedGlobals saved;
        QTemporaryDir dir;
        SkinsFolder = dir.path() + "/missing/Skins/";
        const QString package = dir.path() + "/Wood.TQSkin";
        WriteFile(package, "package bytes");
        MessageRecorder recorder;
        QVERIFY(InstallPackage({"prog", package}));
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(recorder.messages[0].text, "Tallowquince\r\nError Installing File: \r\n" +
                                                package +
                                                "\r\n\r\nDestination folder: " + SkinsFolder +
                                                "\r\n\r\nError: \r\nNo such file or directory!");
    }

    void installPackageAlreadyInPlace() {
        SavedGlobals saved;
        QTemporaryDir dir;
        SkinsFolder = dir.path() + "/";
        const QString package = dir.path() + "/Wood.TQSkin";
        WriteFile(package, "package bytes");
        MessageRecorder recorder;
        QVERIFY(InstallPackage({"prog", package}));
        QCOMPARE(ReadFile(package), QByteArray("package bytes"));
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Information);
    }

    void productSite() {
        ScopedEnvironment env;
        env.unset("TALLOWQUINCE_SITE");
        const QString configured = ProductSite();
        QVERIFY(configured.startsWith(QStringLiteral("http://")));
        QVERIFY(!configured.endsWith(u'/'));
        env.set("TALLOWQUINCE_SITE", QStringLiteral("http://127.0.0.1:8080/"));
        QCOMPARE(ProductSite(), QStringLiteral("http://127.0.0.1:8080"));
        QVERIFY(MakerSite().startsWith(QStringLiteral("http")));
    }

    void urlOpenerSeam() {
        QStringList opened;
        UrlOpener previous = SetUrlOpener([&](const QString& url) { opened << url; });
        OpenUrl(QStringLiteral("http://example.invalid/a"));
        SetUrlOpener(std::move(previous));
        QCOMPARE(opened, QStringList{QStringLiteral("http://example.invalid/a")});
    }

    void installPackageGoesOnToNormalStart_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no argument") << QStringList{"prog"};
        QTest::newRow("a photo") << QStringList{"prog", "@/photo.jpg"};
        QTest::newRow("no extension") << QStringList{"prog", "@/TQSkin"};
        QTest::newRow("missing package") << QStringList{"prog", "@/missing.TQSkin"};
        QTest::newRow("a folder named like a package") << QStringList{"prog", "@/folder.TQSkin"};
        QTest::newRow("switch first, package second")
            << QStringList{"prog", "/PORTABLE", "@/Wood.TQSkin"};
    }
    void installPackageGoesOnToNormalStart() {
        QFETCH(QStringList, arguments);
        SavedGlobals saved;
        QTemporaryDir dir;
        SkinsFolder = dir.path() + "/skins/";
        LocalesFolder = dir.path() + "/locales/";
        QDir().mkpath(SkinsFolder);
        QDir().mkpath(dir.path() + "/folder.TQSkin");
        WriteFile(dir.path() + "/photo.jpg", "jpeg");
        WriteFile(dir.path() + "/TQSkin", "x");
        WriteFile(dir.path() + "/Wood.TQSkin", "zip");
        arguments.replaceInStrings(QStringLiteral("@"), dir.path());
        MessageRecorder recorder;
        QVERIFY(!InstallPackage(arguments));
        QVERIFY(recorder.messages.isEmpty());
        QVERIFY(QDir(SkinsFolder).entryList(QDir::Files).isEmpty());
    }

    void installShippedPackages_data() {
        QTest::addColumn<bool>("shipped");
        QTest::addColumn<QStringList>("ownSkins");
        QTest::addColumn<QStringList>("ownLocales");
        QTest::addColumn<QStringList>("skins");
        QTest::addColumn<QStringList>("locales");
        const QStringList shippedSkins{"Oak.TQSkin", "pine.tqskin"};
        const QStringList shippedLocales{"Deutsch.TQLocale"};
        QTest::newRow("empty folders get the shipped packages")
            << true << QStringList() << QStringList() << shippedSkins << shippedLocales;
        QTest::newRow("a folder with a package of its own is left alone")
            << true << QStringList{"Mine.TQSkin"} << QStringList() << QStringList{"Mine.TQSkin"}
            << shippedLocales;
        QTest::newRow("a package in any letter case counts")
            << true << QStringList() << QStringList{"mine.tqlocale"} << shippedSkins
            << QStringList{"mine.tqlocale"};
        QTest::newRow("other files do not count as packages")
            << true << QStringList{"notes.txt"} << QStringList()
            << QStringList{"Oak.TQSkin", "notes.txt", "pine.tqskin"} << shippedLocales;
        QTest::newRow("nothing shipped")
            << false << QStringList() << QStringList() << QStringList() << QStringList();
    }
    void installShippedPackages() {
        QFETCH(bool, shipped);
        QFETCH(QStringList, ownSkins);
        QFETCH(QStringList, ownLocales);
        QFETCH(QStringList, skins);
        QFETCH(QStringList, locales);
        SavedGlobals saved;
        QTemporaryDir dir;
        ShippedDataFolder = dir.path() + "/share/";
        SkinsFolder = dir.path() + "/data/Skins/";
        LocalesFolder = dir.path() + "/data/Locales/";
        QDir().mkpath(SkinsFolder);
        QDir().mkpath(LocalesFolder);
        if (shipped) {
            for (const char* file : {"Skins/Oak.TQSkin", "Skins/pine.tqskin", "Skins/readme.txt",
                                     "Locales/Deutsch.TQLocale", "Locales/notes.txt"}) {
                WriteFile(ShippedDataFolder + file, QByteArray("shipped ") + file);
            }
            QDir().mkpath(ShippedDataFolder + "Skins/Folder.TQSkin");
        }
        for (const QString& file : ownSkins) {
            WriteFile(SkinsFolder + file, "own");
        }
        for (const QString& file : ownLocales) {
            WriteFile(LocalesFolder + file, "own");
        }
        MessageRecorder recorder;

        InstallShippedPackages();
        auto files = [](const QString& folder) {
            QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
            names.sort();
            return names;
        };
        QCOMPARE(files(SkinsFolder), skins);
        QCOMPARE(files(LocalesFolder), locales);
        for (const QString& file : skins) {
            QCOMPARE(ReadFile(SkinsFolder + file), ownSkins.contains(file)
                                                       ? QByteArray("own")
                                                       : "shipped Skins/" + file.toUtf8());
        }
        for (const QString& file : locales) {
            QCOMPARE(ReadFile(LocalesFolder + file), ownLocales.contains(file)
                                                         ? QByteArray("own")
                                                         : "shipped Locales/" + file.toUtf8());
        }
        QVERIFY(recorder.messages.isEmpty());
    }

    void listPackageFiles() {
        QTemporaryDir dir;
        for (const char* file : {"b.TQSkin", "A.tqskin", ".TQSkin", "c.TQSkin.bak", "d.zip"}) {
            WriteFile(dir.path() + "/" + QString::fromUtf8(file), "x");
        }
        QDir().mkpath(dir.path() + "/folder.TQSkin");
        QVERIFY(QFile::link(dir.path() + "/missing", dir.path() + "/dangling.TQSkin"));
        // A FIFO would block whoever opens it.
        QCOMPARE(::mkfifo(QFile::encodeName(dir.path() + "/fifo.TQSkin").constData(), 0600), 0);
        QCOMPARE(ListPackageFiles(dir.path() + "/", ".TQSkin"),
                 QStringList({".TQSkin", "A.tqskin", "b.TQSkin"}));
        QCOMPARE(ListPackageFiles(dir.path() + "/missing/", ".TQSkin"), QStringList());
        QCOMPARE(ListPackageFiles(QString(), ".TQSkin"), QStringList());
    }
};

QObject* NewTestGlobals() {
    return new TestGlobals;
}
#include "tst_globals.moc"
