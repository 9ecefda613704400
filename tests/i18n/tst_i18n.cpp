#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "i18n/TranslationsUnit.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The same locale in the four encodings a locale file may have.
QByteArray Encode(const QString& text, const QString& encoding) {
    if (encoding == u"UTF-16LE") {
        return QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE)(text);
    }
    if (encoding == u"UTF-16BE") {
        return QByteArray("\xFE\xFF") + QStringEncoder(QStringConverter::Utf16BE)(text);
    }
    if (encoding == u"UTF-8 with mark") {
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    }
    return text.toUtf8();
}

// The sample as a Windows code page wrote it: ö and ß are single bytes, no UTF-8.
const QByteArray kSampleWindows1252 =
    "LOCALE_NAME=Test\r\n5=Gut\n8=Abbruch\r110= Foto \r\n"
    "399=Zeile eins\\nZeile zwei\r\n800=Gr\xF6\xDF"
    "e = Ma\xDF\r\n";

const QString kSample =
    u"LOCALE_NAME=Test\r\n5=Gut\n8=Abbruch\r110= Foto \r\n"
    u"399=Zeile eins\\nZeile zwei\r\n800=Größe = Maß\r\n"_s;

// A frame that only records the skin it is given.
class NoFrame : public FrameSettings {
public:
    void SetSkinByName(const QString&) override {}
    QString GetSkinName() const override { return {}; }
    double GetScale() const override { return 0.5; }
    void SetScale(double) override {}
    double GetAngle() const override { return 0; }
    void SetAngle(double) override {}
    bool GetStayOnTop() const override { return true; }
    void SetStayOnTop(bool) override {}
    QPoint GetFramePosition() const override { return {}; }
    void SetFramePosition(int, int) override {}
};

}  // namespace

class TestTranslations : public QObject {
    Q_OBJECT

private:
    std::optional<QTemporaryDir> dir;
    QString savedLocales;

    void writeLocale(const QString& name, const QByteArray& bytes) {
        WriteFile(LocalesFolder + name, bytes);
    }

private slots:
    void init() {
        dir.emplace();
        savedLocales = LocalesFolder;
        LocalesFolder = dir->path() + "/Locales/";
        QDir().mkpath(LocalesFolder);
        Settings = TSettings{};
        TranslatorDebug = false;
    }
    void cleanup() {
        SelectLocale(DefaultLocaleName);
        TranslatorDebug = false;
        LocalesFolder = savedLocales;
        Settings = TSettings{};
        dir.reset();
    }

    void builtInTable_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("options item") << 1 << "Tallowquince Options...";
        QTest::newRow("group box with blanks") << 101 << " Interface Language ";
        QTest::newRow("photo group with blanks") << 110 << " Photo ";
        QTest::newRow("quotes kept") << 112 << "Force 'Stay On Top' of other Windows";
        QTest::newRow("ends in a line break")
            << 200 << "There are not images in Selected Folder:\r\n";
        QTest::newRow("misspellings kept")
            << 399
            << "Enabling Click Through option completely removes possibility to control photo "
               "frame "
               "using Mouse and Keyboard.\r\nThe only possibly way access the photo frame to "
               "switch "
               "off Click Through is to use Tray Icon.\r\nClick Through also switches off Hover "
               "Transparency.\r\n\r\nAre you sure you want to activate Click Through option?";
        QTest::newRow("ends in a blank")
            << 800
            << "A newer version of Tallowquince is available to download.\r\nWould you like to "
               "download it now? New Version: ";
        QTest::newRow("Whats new") << 802 << "Whats new:";
        QTest::newRow("no skins") << 940
                                  << "No Skins available.\r\nPlease download and install Skins in "
                                     "order to use Tallowquince.";
        QTest::newRow("click-through without a tray")
            << 398
            << "Click Through is not available on this desktop: it has no notification area "
               "(system tray).\r\nWhile clicks pass through the photo frame, its tray icon is the "
               "only way to reach it.";
        QTest::newRow("largest ID") << 2000 << "Tallowquince is already running!";
        QTest::newRow("no ID 7") << 7 << "";
        QTest::newRow("negative ID") << -1 << "";
    }
    void builtInTable() {
        QFETCH(int, id);
        QFETCH(QString, text);
        QCOMPARE(GetText(id), text);
        QCOMPARE(DefaultTranslation().GetText(id), text);
        QVERIFY(&CurrentTranslation() == &DefaultTranslation());
    }

    void builtInTableShape() {
        const QStringList& lines = DefaultTranslation().Lines;
        QCOMPARE(lines.size(), 47);
        QCOMPARE(DefaultTranslation().Lookup(u"LOCALE_NAME"_s), QString());
        for (const QString& line : lines) {
            QVERIFY2(QRegularExpression(u"^[1-9][0-9]*=.+$"_s,
                                        QRegularExpression::DotMatchesEverythingOption)
                         .match(line)
                         .hasMatch(),
                     qPrintable(line));
        }
    }

    void encodingsGiveTheSameTexts_data() {
        QTest::addColumn<QString>("encoding");
        QTest::newRow("UTF-16 LE with mark") << "UTF-16LE";
        QTest::newRow("UTF-16 BE with mark") << "UTF-16BE";
        QTest::newRow("UTF-8 with mark") << "UTF-8 with mark";
        QTest::newRow("UTF-8 without mark, the system's 8-bit encoding") << "UTF-8";
        QTest::newRow("8-bit without mark in windows-1252") << "windows-1252";
    }
    void encodingsGiveTheSameTexts() {
        QFETCH(QString, encoding);
        writeLocale(u"x.TQLocale"_s,
                    encoding == u"windows-1252" ? kSampleWindows1252 : Encode(kSample, encoding));
        const TTranslation t(u"x.TQLocale"_s);
        QCOMPARE(t.Lines.size(), 6);
        QCOMPARE(t.Lookup(u"LOCALE_NAME"_s), u"Test"_s);
        QCOMPARE(t.GetText(5), u"Gut"_s);
        QCOMPARE(t.GetText(8), u"Abbruch"_s);
        QCOMPARE(t.GetText(110), u" Foto "_s);
        QCOMPARE(t.GetText(399), u"Zeile eins\r\nZeile zwei"_s);
        QCOMPARE(t.GetText(800), u"Größe = Maß"_s);
        QCOMPARE(t.GetText(4), u"Close Tallowquince"_s);  // English fall-back
        QCOMPARE(Settings.locale, DefaultLocaleName);     // untouched: the file was read
    }

    void decodingEdges_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("NUL ends the text") << QByteArray(
                                                  "5=a\r\n6=b\0"
                                                  "7=c",
                                                  11)
                                           << "5=a\r\n6=b";
        QTest::newRow("odd byte after UTF-16 pairs") << QByteArray(
                                                            "\xFF\xFE"
                                                            "5\0=\0a\0!",
                                                            9)
                                                     << "5=a";
        QTest::newRow("UTF-16 NUL") << QByteArray(
                                           "\xFE\xFF\0"
                                           "5\0=\0\0\0a",
                                           10)
                                    << "5=";
        QTest::newRow("one byte") << QByteArray("x") << "x";
        QTest::newRow("two bytes of the UTF-8 mark, not UTF-8")
            << QByteArray("\xEF\xBB") << u"\u00EF\u00BB"_s;
        QTest::newRow("UTF-8 without mark")
            << QByteArray("5=Gr\xC3\xB6\xC3\x9F\xE2\x82\xAC") << u"5=Gr\u00F6\u00DF\u20AC"_s;
        QTest::newRow("windows-1252: the letters and signs beyond Latin-1")
            << QByteArray("5=\x80 \x84\x93\x94 \x8A\x9A\x9F \x96\x97 \x85")
            << u"5=\u20AC \u201E\u201C\u201D \u0160\u0161\u0178 \u2013\u2014 \u2026"_s;
        QTest::newRow("windows-1252: its five unassigned bytes stay as they are")
            << QByteArray("5=\x81\x8D\x8F\x90\x9D") << u"5=\u0081\u008D\u008F\u0090\u009D"_s;
        QTest::newRow("empty") << QByteArray() << "";
    }
    void decodingEdges() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(DecodeLocaleText(bytes), text);
    }

    void lookupRules_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("further = kept") << "5=a=b"
                                        << "5"
                                        << "a=b";
        QTest::newRow("empty text falls back") << "5="
                                               << "5"
                                               << "OK";
        QTest::newRow("first of two lines") << "5=first\r\n5=second"
                                            << "5"
                                            << "first";
        QTest::newRow("empty first line still wins, then falls back") << "5=\r\n5=second"
                                                                      << "5"
                                                                      << "OK";
        QTest::newRow("lower-case LOCALE_NAME") << "locale_name=Klein"
                                                << "LOCALE_NAME"
                                                << "Klein";
        QTest::newRow("blank before = never answers") << "5 =x"
                                                      << "5"
                                                      << "OK";
        QTest::newRow("leading zeros never answer") << "05=x"
                                                    << "5"
                                                    << "OK";
        QTest::newRow("line without = is a comment") << "just words\r\n5=x"
                                                     << "5"
                                                     << "x";
        QTest::newRow("\\n between words") << "5=a\\nb"
                                           << "5"
                                           << "a\r\nb";
        QTest::newRow("doubled backslash before n") << "5=a\\\\nb"
                                                    << "5"
                                                    << "a\\\r\nb";
        QTest::newRow("unknown key, both tables") << "5=x"
                                                  << "12345"
                                                  << "";
    }
    void lookupRules() {
        QFETCH(QString, file);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        writeLocale(u"x.TQLocale"_s, file.toUtf8());
        QCOMPARE(TTranslation(u"x.TQLocale"_s).Lookup(key), expected);
    }

    void translatorDebugPrefixes() {
        writeLocale(u"x.TQLocale"_s, "5=Gut\r\nLOCALE_NAME=Test");
        TranslatorDebug = true;
        const TTranslation t(u"x.TQLocale"_s);
        QCOMPARE(t.GetText(5), u"5:Gut"_s);
        QCOMPARE(
            t.GetText(940),
            u"ENU:940:No Skins available.\r\nPlease download and install Skins in order to use Tallowquince."_s);
        QCOMPARE(t.GetText(12345), u"ENU:"_s);
        QCOMPARE(DefaultTranslation().GetText(5), u"5:OK"_s);
        QCOMPARE(DefaultTranslation().GetText(12345), QString());
    }

    void selectLocale() {
        writeLocale(u"x.TQLocale"_s, "8=Abbruch");
        Settings.locale = u"x.TQLocale"_s;
        SelectLocale(u"x.TQLocale"_s);
        QCOMPARE(GetText(8), u"Abbruch"_s);
        QVERIFY(&CurrentTranslation() != &DefaultTranslation());
        SelectLocale(DefaultLocaleName);
        QVERIFY(&CurrentTranslation() == &DefaultTranslation());
        QCOMPARE(GetText(8), u"Cancel"_s);
        QCOMPARE(Settings.locale, u"x.TQLocale"_s);
    }

    void selectLocaleFallsBack_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("deleted file") << "gone.TQLocale";
        QTest::newRow("empty name: the folder itself") << "";
        QTest::newRow("default name in other letter case") << "english (american) default";
        QTest::newRow("a folder") << "folder.TQLocale";
    }
    void selectLocaleFallsBack() {
        QFETCH(QString, name);
        QDir().mkpath(LocalesFolder + "folder.TQLocale");
        Settings.locale = name;
        SelectLocale(name);
        QCOMPARE(GetText(8), u"Cancel"_s);
        QCOMPARE(Settings.locale, DefaultLocaleName);
        // A table of English lines, not the default itself: the debug prefix shows the key.
        QVERIFY(&CurrentTranslation() != &DefaultTranslation());
        TranslatorDebug = true;
        QCOMPARE(GetText(8), u"8:Cancel"_s);
    }

    void listLocalesOrder() {
        writeLocale(u"b.TQLocale"_s, Encode(u"LOCALE_NAME=Русский"_s, u"UTF-8 with mark"_s));
        writeLocale(u"a.TQLocale"_s, Encode(u"LOCALE_NAME=Deutsch"_s, u"UTF-16LE"_s));
        writeLocale(u"c.tqlocale"_s, "LOCALE_NAME=Zulu");
        writeLocale(u"Plain.TQLocale"_s, "5=no name here");
        writeLocale(u"d.TQLocale"_s, "LOCALE_NAME=Deutsch");
        writeLocale(u"notes.txt"_s, "LOCALE_NAME=Ignored");
        ListLocales();
        const QStringList& list = LocaleList();
        QCOMPARE(list.size(), 6);
        QStringList displays;
        for (const QString& line : list) {
            displays << line.mid(line.indexOf(u'=') + 1);
        }
        QCOMPARE(displays, (QStringList{"Deutsch", "Deutsch", DefaultLocaleName, "Plain", "Zulu",
                                        "Русский"}));
        QVERIFY(list.contains(u"c.tqlocale=Zulu"_s));
        QVERIFY(list.contains(u"Plain.TQLocale=Plain"_s));
        QVERIFY(list.contains(DefaultLocaleName + u'=' + DefaultLocaleName));
        QVERIFY(list.contains(u"a.TQLocale=Deutsch"_s) && list.contains(u"d.TQLocale=Deutsch"_s));
    }

    void listLocalesUnreadableEntry() {
        QDir().mkpath(LocalesFolder + "Broken.TQLocale");
        Settings.locale = u"Broken.TQLocale"_s;
        ListLocales();
        QCOMPARE(LocaleList(), (QStringList{"Broken.TQLocale=Broken",
                                            DefaultLocaleName + u'=' + DefaultLocaleName}));
        QCOMPARE(Settings.locale, DefaultLocaleName);
    }

    void listLocalesInDebugMode() {
        writeLocale(u"a.TQLocale"_s, "LOCALE_NAME=Deutsch");
        writeLocale(u"b.TQLocale"_s, "5=x");
        TranslatorDebug = true;
        ListLocales();
        QVERIFY(LocaleList().contains(u"a.TQLocale=LOCALE_NAME:Deutsch"_s));
        QVERIFY(LocaleList().contains(u"b.TQLocale=ENU:"_s));
    }

    void missingLocalesFolder() {
        LocalesFolder = dir->path() + "/nowhere/";
        ListLocales();
        QCOMPARE(LocaleList(), QStringList{DefaultLocaleName + u'=' + DefaultLocaleName});
    }

    void bundledTranslations_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("mark");
        QTest::newRow("German, UTF-16 LE") << "German.TQLocale"
                                           << "Deutsch" << QByteArray("\xFF\xFE");
        QTest::newRow("Russian, UTF-8") << "Russian.TQLocale"
                                        << "Русский" << QByteArray("\xEF\xBB\xBF");
    }
    void bundledTranslations() {
        QFETCH(QString, file);
        QFETCH(QString, name);
        QFETCH(QByteArray, mark);
        LocalesFolder = QStringLiteral(TQ_DIST_DIR "/Locales/");
        QVERIFY(ReadFile(LocalesFolder + file).startsWith(mark));
        const TTranslation t(file);
        QCOMPARE(t.Lookup(u"LOCALE_NAME"_s), name);
        for (const QString& line : DefaultTranslation().Lines) {
            const QString key = line.left(line.indexOf(u'='));
            const QString translated =
                t.Lines.filter(QRegularExpression(u"^"_s + key + u"="_s)).value(0);
            QVERIFY2(!translated.isEmpty() && translated.size() > key.size() + 1,
                     qPrintable(file + u": "_s + key));
            // Line breaks and trailing blanks where the English text has them.
            QCOMPARE(translated.count(u"\\n"_s), line.count(u"\\n"_s));
            QCOMPARE(translated.endsWith(u' '), line.endsWith(u' '));
            QCOMPARE(translated.mid(key.size() + 1).startsWith(u' '),
                     line.mid(key.size() + 1).startsWith(u' '));
        }
    }

    void loadSettingsSelectsTheLocale() {
        writeLocale(u"x.TQLocale"_s, "8=Abbruch");
        QDir().mkpath(dir->path() + "/user");
        const QString savedFile = SettingsFile;
        SettingsFile = dir->path() + "/user/Tallowquince.TQSettings";
        WriteFile(SettingsFile, "skin=A\r\nlocale=x.TQLocale\r\n");
        SetLocaleSelector(SelectLocale);
        NoFrame frame;
        LoadSettings(frame);
        SetLocaleSelector(nullptr);
        SettingsFile = savedFile;
        QCOMPARE(Settings.locale, u"x.TQLocale"_s);
        QCOMPARE(GetText(8), u"Abbruch"_s);
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_i18n.moc"
