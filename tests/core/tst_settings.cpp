#include "FakeFrame.h"
#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <stdexcept>

namespace {

QStringList selectedLocales;
void RecordLocale(const QString& name) {
    selectedLocales << name;
}

const QByteArray kFullFile =
    "locale=Deutsch.TQLocale\r\n"
    "skin=Oak\r\n"
    "scale=7500000\r\n"
    "angle=-175000000\r\n"
    "stayontop=FALSE\r\n"
    "transparency=200\r\n"
    "hovertransparency=100\r\n"
    "rotate=TRUE\r\n"
    "x=-40\r\n"
    "y=1050\r\n"
    "zoom=44\r\n"
    "optDX=5\r\n"
    "optDY=-100\r\n"
    "file=@/photo.jpg\r\n"
    "folder=@/photos/\r\n"
    "modefile=FALSE\r\n"
    "skip=FALSE\r\n"
    "subfolders=FALSE\r\n"
    "random=FALSE\r\n"
    "autoupdate=FALSE\r\n"
    "locked=TRUE\r\n"
    "clickthrough=TRUE\r\n";

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private:
    std::optional<QTemporaryDir> dir;
    QString savedShipped, savedSettingsFile;

    QString path(const QString& name) const { return dir->path() + "/" + name; }
    QByteArray withDir(QByteArray text) const {
        return text.replace('@', dir->path().toLocal8Bit());
    }
    void writeSettings(const QByteArray& text) { WriteFile(SettingsFile, withDir(text)); }

private slots:
    void init() {
        dir.emplace();
        savedShipped = ShippedDataFolder;
        savedSettingsFile = SettingsFile;
        ShippedDataFolder = path("program/");
        WriteFile(ShippedDataFolder + "sample.jpg", "sample");
        WriteFile(path("photo.jpg"), "photo");
        QDir().mkpath(path("photos"));
        SettingsFile = path("user/Tallowquince.TQSettings");
        QDir().mkpath(path("user"));
        Settings = TSettings{};
        Settings.folder = ShippedDataFolder;
        selectedLocales.clear();
        SetLocaleSelector(RecordLocale);
    }
    void cleanup() {
        SetLocaleSelector(nullptr);
        ShippedDataFolder = savedShipped;
        SettingsFile = savedSettingsFile;
        Settings = TSettings{};
        dir.reset();
    }

    void textToBool_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("FALSE") << "FALSE" << false;
        QTest::newRow("false") << "false" << false;
        QTest::newRow("FaLsE") << "FaLsE" << false;
        QTest::newRow("TRUE") << "TRUE" << true;
        QTest::newRow("0") << "0" << true;
        QTest::newRow("no") << "no" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("blank after FALSE") << "FALSE " << true;
    }
    void textToBool() {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(TextToBool(text), expected);
        QCOMPARE(BoolToText(true), QStringLiteral("TRUE"));
        QCOMPARE(BoolToText(false), QStringLiteral("FALSE"));
    }

    void integers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("value");
        QTest::newRow("plain") << "255" << 32 << true << qint64(255);
        QTest::newRow("leading blanks") << "   12" << 32 << true << qint64(12);
        QTest::newRow("plus sign") << "+7" << 32 << true << qint64(7);
        QTest::newRow("minus sign") << "-7" << 32 << true << qint64(-7);
        QTest::newRow("dollar hex") << "$1F" << 32 << true << qint64(31);
        QTest::newRow("x hex") << "x1f" << 32 << true << qint64(31);
        QTest::newRow("X hex") << "X1F" << 32 << true << qint64(31);
        QTest::newRow("0x hex") << "0x10" << 32 << true << qint64(16);
        QTest::newRow("0X hex") << "0XfF" << 32 << true << qint64(255);
        QTest::newRow("negative hex") << "-$10" << 32 << true << qint64(-16);
        QTest::newRow("largest") << "2147483647" << 32 << true << qint64(2147483647);
        QTest::newRow("smallest") << "-2147483648" << 32 << true << qint64(-2147483648LL);
        QTest::newRow("largest hex") << "$7FFFFFFF" << 32 << true << qint64(2147483647);
        QTest::newRow("leading zeros") << "007" << 32 << true << qint64(7);
        QTest::newRow("64-bit angle") << "3645000000" << 64 << true << qint64(3645000000LL);
        QTest::newRow("64-bit negative") << "-3645000000" << 64 << true << qint64(-3645000000LL);
        QTest::newRow("64-bit smallest")
            << "-9223372036854775808" << 64 << true << std::numeric_limits<qint64>::min();
        QTest::newRow("one above the range") << "2147483648" << 32 << false << qint64(0);
        QTest::newRow("one below the range") << "-2147483649" << 32 << false << qint64(0);
        QTest::newRow("hex above the range") << "$80000000" << 32 << false << qint64(0);
        QTest::newRow("beyond 64 bits") << "9223372036854775808" << 64 << false << qint64(0);
        QTest::newRow("empty") << "" << 32 << false << qint64(0);
        QTest::newRow("only blanks") << "   " << 32 << false << qint64(0);
        QTest::newRow("trailing blank") << "12 " << 32 << false << qint64(0);
        QTest::newRow("fraction") << "1.5" << 32 << false << qint64(0);
        QTest::newRow("only a prefix") << "$" << 32 << false << qint64(0);
        QTest::newRow("only 0x") << "0x" << 32 << false << qint64(0);
        QTest::newRow("two signs") << "--1" << 32 << false << qint64(0);
        QTest::newRow("sign after prefix") << "0x-1" << 32 << false << qint64(0);
        QTest::newRow("hex digit without prefix") << "1F" << 32 << false << qint64(0);
        QTest::newRow("word") << "yes" << 32 << false << qint64(0);
        QTest::newRow("arabic digits")
            << QString::fromUtf8("\u0661\u0662") << 32 << false << qint64(0);
    }
    void integers() {
        QFETCH(QString, text);
        QFETCH(int, bits);
        QFETCH(bool, valid);
        QFETCH(qint64, value);
        const std::optional<qint64> parsed = ParseSettingsInteger(text, bits);
        QCOMPARE(parsed.has_value(), valid);
        if (valid) {
            QCOMPARE(*parsed, value);
        }
    }

    void fullFileLoadsEveryValue() {
        writeSettings(kFullFile);
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(frame.skin, QStringLiteral("Oak"));
        QCOMPARE(Settings.locale, QStringLiteral("Deutsch.TQLocale"));
        QCOMPARE(selectedLocales, QStringList{"Deutsch.TQLocale"});
        QCOMPARE(frame.scale, 0.75);
        QCOMPARE(frame.angle, -17.5);
        QCOMPARE(frame.stayOnTop, false);
        QCOMPARE(Settings.transparency, quint8(200));
        QCOMPARE(Settings.hovertransparency, quint8(100));
        QCOMPARE(Settings.rotate, true);
        QCOMPARE(frame.position, QPoint(-40, 1050));
        QCOMPARE(Settings.zoom, quint8(44));
        QCOMPARE(Settings.optDX, 5);
        QCOMPARE(Settings.optDY, -100);
        QCOMPARE(Settings.file, path("photo.jpg"));
        QCOMPARE(Settings.folder, path("photos/"));
        QCOMPARE(Settings.modefile, false);
        QCOMPARE(Settings.skip, false);
        QCOMPARE(Settings.subfolders, false);
        QCOMPARE(Settings.random, false);
        QCOMPARE(Settings.autoupdate, false);
        QCOMPARE(Settings.locked, true);
        QCOMPARE(Settings.clickthrough, true);
    }

    void saveWritesTheKeysInOrder() {
        writeSettings(kFullFile);
        FakeFrame frame;
        LoadSettings(frame);
        Settings.changeinterval = 60;
        SaveSettings(frame);
        QCOMPARE(ReadFile(SettingsFile), withDir(kFullFile));
    }

    // A value read as a 64-bit integer and divided can no longer be written back exactly:
    // it is saved as the nearest value the file can hold, with its sign.
    void saveSaturatesHugeScaleAndAngle() {
        QByteArray text = kFullFile;
        text.replace("scale=7500000", "scale=9223372036854775807")
            .replace("angle=-175000000", "angle=-9223372036854775808");
        writeSettings(text);
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(frame.positionCalls, 1);
        SaveSettings(frame);
        const QByteArray saved = ReadFile(SettingsFile);
        QVERIFY2(saved.contains("\r\nscale=9200000000000000000\r\n"), saved.constData());
        QVERIFY2(saved.contains("\r\nangle=-9200000000000000000\r\n"), saved.constData());
    }

    void saveLeavesOutEmptyValues() {
        FakeFrame frame;  // no skin
        Settings.locale.clear();
        Settings.file.clear();
        Settings.folder = QStringLiteral("/photos/");
        SaveSettings(frame);
        const QByteArray text = ReadFile(SettingsFile);
        QVERIFY(text.startsWith("scale=5000000\r\nangle=0\r\nstayontop=TRUE\r\n"));
        QVERIFY(!text.contains("locale="));
        QVERIFY(!text.contains("skin="));
        QVERIFY(!text.contains("\r\nfile="));
        QVERIFY(text.contains("\r\nfolder=/photos/\r\n"));
        QVERIFY(text.endsWith("locked=FALSE\r\nclickthrough=FALSE\r\n"));
        QCOMPARE(text.count("\r\n"), 19);
    }

    // A value with a line break would add lines of its own choosing, which the next load
    // reads first: it is left out like an empty one.
    void saveLeavesOutValuesThatBreakLines_data() {
        QTest::addColumn<QString>("breaker");
        QTest::newRow("CR LF") << QStringLiteral("\r\n");
        QTest::newRow("lone LF") << QStringLiteral("\n");
        QTest::newRow("lone CR") << QStringLiteral("\r");
        QTest::newRow("NUL") << QString(QChar(u'\0'));
    }
    void saveLeavesOutValuesThatBreakLines() {
        QFETCH(QString, breaker);
        FakeFrame frame;
        frame.skin = "Oak" + breaker + "transparency=15";
        Settings.locale = "x.TQLocale" + breaker + "skin=Evil";
        Settings.file = path("a") + breaker + "folder=/evil/";
        Settings.folder = QStringLiteral("/photos/");
        SaveSettings(frame);
        const QByteArray text = ReadFile(SettingsFile);
        QVERIFY(!text.contains("locale="));
        QVERIFY(!text.contains("skin="));
        QVERIFY(!text.contains("\r\nfile="));
        QVERIFY(!text.contains("Evil") && !text.contains("evil"));
        QVERIFY(!text.contains('\0'));
        QVERIFY(text.contains("\r\ntransparency=255\r\n"));
        QCOMPARE(text.count("\r\n"), 19);
        QCOMPARE(text.count('\r'), 19);
        QCOMPARE(text.count('\n'), 19);
    }

    void skinOnlyFile() {
        writeSettings("skin=Silver\r\n");
        FakeFrame frame;
        frame.stayOnTop = false;
        Settings.transparency = 99;
        LoadSettings(frame);
        QCOMPARE(frame.skin, QStringLiteral("Silver"));
        QCOMPARE(Settings.locale, QString());
        QCOMPARE(selectedLocales, QStringList{QString()});
        QCOMPARE(Settings.rotate, true);
        QCOMPARE(frame.stayOnTop, true);
        // The missing transparency ends the load here.
        QCOMPARE(Settings.transparency, quint8(99));
        QCOMPARE(frame.scale, 0.5);
        QCOMPARE(frame.positionCalls, 0);
        QCOMPARE(Settings.file, ShippedDataFolder + "sample.jpg");
        QCOMPARE(Settings.folder, ShippedDataFolder);
    }

    void keysIgnoreLetterCase() {
        writeSettings("SKIN=Oak\nLocale=x.TQLocale\n");
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(frame.skin, QStringLiteral("Oak"));
        QCOMPARE(Settings.locale, QStringLiteral("x.TQLocale"));
    }

    void valuesOfSingleKeys_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        QTest::newRow("transparency=300 keeps the low byte")
            << QByteArray("transparency=300") << "transparency"
            << "44";
        QTest::newRow("transparency=-1") << QByteArray("transparency=-1") << "transparency"
                                         << "255";
        QTest::newRow("hex transparency") << QByteArray("transparency=$80") << "transparency"
                                          << "128";
        QTest::newRow("zoom=300") << QByteArray("zoom=300") << "zoom"
                                  << "44";
        QTest::newRow("locked= leaves false") << QByteArray("locked=") << "locked"
                                              << "false";
        QTest::newRow("locked=yes") << QByteArray("locked=yes") << "locked"
                                    << "true";
        QTest::newRow("clickthrough= leaves false") << QByteArray("clickthrough=") << "clickthrough"
                                                    << "false";
        QTest::newRow("clickthrough=1") << QByteArray("clickthrough=1") << "clickthrough"
                                        << "true";
        QTest::newRow("rotate=false") << QByteArray("rotate=false") << "rotate"
                                      << "false";
        QTest::newRow("rotate=0") << QByteArray("rotate=0") << "rotate"
                                  << "true";
        QTest::newRow("folder gets a separator") << QByteArray("folder=@/photos") << "folder"
                                                 << "@/photos/";
        QTest::newRow("missing folder falls back") << QByteArray("folder=@/gone/") << "folder"
                                                   << "@/program/";
        QTest::newRow("a file is no folder") << QByteArray("folder=@/photo.jpg") << "folder"
                                             << "@/program/";
        QTest::newRow("empty folder falls back") << QByteArray("folder=") << "folder"
                                                 << "@/program/";
        QTest::newRow("existing file") << QByteArray("file=@/photo.jpg") << "file"
                                       << "@/photo.jpg";
        QTest::newRow("missing file falls back") << QByteArray("file=@/gone.jpg") << "file"
                                                 << "@/program/sample.jpg";
        QTest::newRow("a folder is no file") << QByteArray("file=@/photos") << "file"
                                             << "@/program/sample.jpg";
        QTest::newRow("optDX negative") << QByteArray("optDX=-100") << "optDX"
                                        << "-100";
        // Hand-edited values beyond the dialog's ranges are brought into them.
        QTest::newRow("transparency=5 rises to 15")
            << QByteArray("transparency=5") << "transparency"
            << "15";
        QTest::newRow("transparency=256 keeps the low byte 0, which rises to 15")
            << QByteArray("transparency=256") << "transparency"
            << "15";
        QTest::newRow("hovertransparency=0 rises to 15")
            << QByteArray("hovertransparency=0") << "hovertransparency"
            << "15";
        QTest::newRow("zoom=900 keeps the low byte 132, which falls to 60")
            << QByteArray("zoom=900") << "zoom"
            << "60";
        QTest::newRow("zoom=61") << QByteArray("zoom=61") << "zoom"
                                 << "60";
        QTest::newRow("optDX=101") << QByteArray("optDX=101") << "optDX"
                                   << "100";
        QTest::newRow("optDX=-2147483648, whose negation overflows")
            << QByteArray("optDX=-2147483648") << "optDX"
            << "-100";
        QTest::newRow("optDY=$7FFFFFFF") << QByteArray("optDY=$7FFFFFFF") << "optDY"
                                         << "100";
    }
    void valuesOfSingleKeys() {
        QFETCH(QByteArray, line);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        // Every number present, so the one line under test decides.
        QByteArray text = kFullFile;
        const QByteArray key = line.left(line.indexOf('=') + 1);
        text.replace(text.indexOf("\r\n" + key) + 2, 0, line + "\r\n");
        writeSettings(text);
        FakeFrame frame;
        LoadSettings(frame);
        const QMap<QString, QString> values{
            {"transparency", QString::number(Settings.transparency)},
            {"hovertransparency", QString::number(Settings.hovertransparency)},
            {"zoom", QString::number(Settings.zoom)},
            {"locked", Settings.locked ? "true" : "false"},
            {"clickthrough", Settings.clickthrough ? "true" : "false"},
            {"rotate", Settings.rotate ? "true" : "false"},
            {"folder", Settings.folder},
            {"file", Settings.file},
            {"optDX", QString::number(Settings.optDX)},
            {"optDY", QString::number(Settings.optDY)},
        };
        QCOMPARE(values.value(field), QString(expected).replace(u'@', dir->path()));
        QCOMPARE(frame.positionCalls, 1);  // the whole file was read
    }

    void lockedStaysOffWhenMissing() {
        QByteArray text = kFullFile;
        text.replace("locked=TRUE\r\n", "").replace("clickthrough=TRUE\r\n", "");
        writeSettings(text);
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(Settings.locked, false);
        QCOMPARE(Settings.clickthrough, false);
        QCOMPARE(frame.position, QPoint(-40, 1050));
    }

    void blanksAroundTheEqualsSign() {
        writeSettings("skin = Oak\r\n");
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(frame.skinRequests, QStringList{QString()});
        QCOMPARE(frame.skin, QStringLiteral("Blue"));  // the first skin
    }

    void firstOfTwoKeysCounts() {
        writeSettings(withDir(kFullFile) + "skin=Silver\r\n");
        QByteArray text = ReadFile(SettingsFile);
        text.prepend("skin=Blue\r\n");
        WriteFile(SettingsFile, text);
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(frame.skin, QStringLiteral("Blue"));
        SaveSettings(frame);
        QCOMPARE(ReadFile(SettingsFile).count("skin="), 1);
    }

    void unknownKeysAndOddLinesAreDropped() {
        writeSettings("# a comment\r\nskin=Oak\r\nfavourite=yes\r\n=value\r\n");
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(frame.skin, QStringLiteral("Oak"));
        SaveSettings(frame);
        const QByteArray saved = ReadFile(SettingsFile);
        QVERIFY(!saved.contains("favourite"));
        QVERIFY(!saved.contains("comment"));
        QVERIFY(!saved.contains("\r\n=value"));
    }

    void badNumberEndsTheLoad_data() {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::newRow("zoom not a number") << QByteArray("zoom=44") << QByteArray("zoom=big");
        QTest::newRow("zoom empty") << QByteArray("zoom=44") << QByteArray("zoom=");
        QTest::newRow("zoom out of range")
            << QByteArray("zoom=44") << QByteArray("zoom=4294967296");
        QTest::newRow("zoom missing") << QByteArray("zoom=44\r\n") << QByteArray();
    }
    void badNumberEndsTheLoad() {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QByteArray text = kFullFile;
        text.replace(from, to);
        writeSettings(text);
        FakeFrame frame;
        LoadSettings(frame);
        // Read before zoom:
        QCOMPARE(frame.skin, QStringLiteral("Oak"));
        QCOMPARE(frame.angle, -17.5);
        QCOMPARE(Settings.hovertransparency, quint8(100));
        // From zoom on, the defaults stay.
        QCOMPARE(Settings.zoom, quint8(0));
        QCOMPARE(Settings.optDY, 0);
        QCOMPARE(Settings.modefile, true);
        QCOMPARE(Settings.locked, false);
        QCOMPARE(frame.positionCalls, 0);
        QCOMPARE(Settings.file, ShippedDataFolder + "sample.jpg");
        QCOMPARE(Settings.folder, ShippedDataFolder);
    }

    void skinLoadErrorEndsTheLoad() {
        QByteArray text = kFullFile;
        text.replace("skin=Oak", "skin=Broken");
        writeSettings(text);
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(frame.skin, QString());
        QVERIFY(selectedLocales.isEmpty());
        QCOMPARE(Settings.locale, DefaultLocaleName);
        QCOMPARE(Settings.transparency, quint8(255));
        QCOMPARE(Settings.file, ShippedDataFolder + "sample.jpg");
    }

    void missingOrUnreadableFile_data() {
        QTest::addColumn<bool>("folderInTheWay");
        QTest::newRow("missing") << false;
        QTest::newRow("a folder in its place") << true;
    }
    void missingOrUnreadableFile() {
        QFETCH(bool, folderInTheWay);
        if (folderInTheWay) {
            QDir().mkpath(SettingsFile);
        }
        FakeFrame frame;
        MessageRecorder recorder;
        LoadSettings(frame);
        QVERIFY(frame.skinRequests.isEmpty());
        QCOMPARE(frame.stayOnTop, true);
        QCOMPARE(frame.position, QPoint(200, 200));
        QCOMPARE(Settings.locale, DefaultLocaleName);
        QCOMPARE(Settings.file, ShippedDataFolder + "sample.jpg");
        QCOMPARE(Settings.folder, ShippedDataFolder);
        QCOMPARE(Settings.changeinterval, quint8(1));
        QVERIFY(recorder.messages.isEmpty());
        // Nor does a failing save say anything.
        SaveSettings(frame);
        QVERIFY(recorder.messages.isEmpty());
    }

    void saveIntoMissingFolderIsSilent() {
        SettingsFile = path("no/such/folder/Tallowquince.TQSettings");
        FakeFrame frame;
        MessageRecorder recorder;
        SaveSettings(frame);
        QVERIFY(!QFileInfo::exists(SettingsFile));
        QVERIFY(recorder.messages.isEmpty());
    }

    void saveReplacesTheFileWhole() {
        WriteFile(SettingsFile, QByteArray(5000, 'x'));
        FakeFrame frame;
        SaveSettings(frame);
        const QByteArray text = ReadFile(SettingsFile);
        QVERIFY(text.startsWith("locale=English (American) DEFAULT\r\n"));
        QVERIFY(!text.contains('x' + QByteArray("xx")));
        QCOMPARE(QDir(path("user")).entryList(QDir::Files), QStringList{"Tallowquince.TQSettings"});
    }

    void scaleAndAngleRoundTrip_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("angle");
        QTest::addColumn<QByteArray>("scaleText");
        QTest::addColumn<QByteArray>("angleText");
        QTest::newRow("creation values") << 0.5 << 0.0 << QByteArray("5000000") << QByteArray("0");
        QTest::newRow("largest angle")
            << 1.25 << 364.5 << QByteArray("12500000") << QByteArray("3645000000");
        QTest::newRow("smallest angle")
            << 1.0 << -364.5 << QByteArray("10000000") << QByteArray("-3645000000");
        QTest::newRow("rounded, not truncated")
            << 0.3 << 0.1 + 0.2 << QByteArray("3000000") << QByteArray("3000000");
        QTest::newRow("zoom step value")
            << 0.2539999932050705 << 17.0 << QByteArray("2540000") << QByteArray("170000000");
    }
    void scaleAndAngleRoundTrip() {
        QFETCH(double, scale);
        QFETCH(double, angle);
        QFETCH(QByteArray, scaleText);
        QFETCH(QByteArray, angleText);
        FakeFrame frame;
        frame.skin = QStringLiteral("Oak");
        frame.scale = scale;
        frame.angle = angle;
        Settings.file = ShippedDataFolder + "sample.jpg";
        SaveSettings(frame);
        const QByteArray first = ReadFile(SettingsFile);
        QVERIFY2(first.contains("\r\nscale=" + scaleText + "\r\n"), first.constData());
        QVERIFY2(first.contains("\r\nangle=" + angleText + "\r\n"), first.constData());

        // Read and written again, nothing changes.
        FakeFrame again;
        LoadSettings(again);
        SaveSettings(again);
        QCOMPARE(ReadFile(SettingsFile), first);
    }

    void positionReadYThenX() {
        writeSettings(withDir(kFullFile).replace("x=-40", "x=12").replace("y=1050", "y=34"));
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(frame.position, QPoint(12, 34));
        QCOMPARE(frame.positionCalls, 1);
    }

    void lineEnds_data() {
        QTest::addColumn<QByteArray>("separator");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR") << QByteArray("\r");
    }
    void lineEnds() {
        QFETCH(QByteArray, separator);
        QByteArray text = kFullFile;
        text.replace("\r\n", separator);
        writeSettings(text);
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(frame.position, QPoint(-40, 1050));
        QCOMPARE(Settings.clickthrough, true);
    }

    void nonAsciiTexts() {
        const QString folder = path("Фото öäü");
        QDir().mkpath(folder);
        writeSettings(withDir(kFullFile).replace(withDir("@/photos/"), folder.toUtf8() + "/"));
        FakeFrame frame;
        LoadSettings(frame);
        QCOMPARE(Settings.folder, folder + "/");
        SaveSettings(frame);
        QVERIFY(ReadFile(SettingsFile).contains("folder=" + folder.toUtf8() + "/\r\n"));
    }

    void autostartSeam() {
        QTemporaryDir config;
        ScopedEnvironment env;
        env.set("XDG_CONFIG_HOME", config.path());
        MessageRecorder recorder;
        QVERIFY(!GetAutostart());
        SetAutostart(true);
        QVERIFY(GetAutostart());
        const QByteArray entry = ReadFile(config.path() + "/autostart/Tallowquince.desktop");
        QVERIFY2(entry.contains("Exec=\"" + QCoreApplication::applicationFilePath().toLocal8Bit() +
                                "\"\n"),
                 entry.constData());
        SetAutostart(false);
        QVERIFY(!GetAutostart());
        SetAutostart(false);
        QVERIFY(recorder.messages.isEmpty());
    }

    void autostartErrors() {
        QTemporaryDir config;
        ScopedEnvironment env;
        env.set("XDG_CONFIG_HOME", config.path());
        QDir().mkpath(config.path() + "/autostart/Tallowquince.desktop");
        MessageRecorder recorder;
        QVERIFY(!GetAutostart());
        SetAutostart(false);
        QCOMPARE(recorder.messages.size(), 2);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(recorder.messages[0].text,
                 QStringLiteral("Error getting autostart value: \r\nIs a directory"));
        QCOMPARE(recorder.messages[1].kind, MessageKind::Error);
        QCOMPARE(recorder.messages[1].text,
                 QStringLiteral("Error setting autostart value: \r\nIs a directory"));
    }
};

QObject* NewTestSettings() {
    return new TestSettings;
}
#include "tst_settings.moc"
