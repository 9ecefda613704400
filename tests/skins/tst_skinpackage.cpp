#include "SkinTestSupport.h"
#include "core/GlobalsUnit.h"
#include "skins/SkinPackage.h"
#include "skins/ZipArchive.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTest>

namespace {

const QString kInfo = QStringLiteral("<skinInfo><name>Oak</name></skinInfo>");
const QString kSize = QStringLiteral(R"(<size width="300" height="200"/>)");
const QString kArea = QStringLiteral(R"(<area x="10" y="20" width="280" height="160"/>)");
const QString kLayers = QStringLiteral(R"(<layers><layer file="frame.png"/></layers>)");

QString WithoutAttribute(const QString& element, const QString& attribute) {
    return QString(element).remove(
        QRegularExpression(QStringLiteral("\\b%1=\"[^\"]*\"").arg(attribute)));
}
QString WithAttribute(const QString& element, const QString& attribute, const QString& value) {
    return QString(element).replace(
        QRegularExpression(QStringLiteral("\\b%1=\"[^\"]*\"").arg(attribute)),
        QStringLiteral("%1=\"%2\"").arg(attribute, value));
}

// A BMP whose header claims the size, for limits checked before any pixel is decoded.
QByteArray BmpClaiming(int width, int height) {
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    QImage(4, 4, QImage::Format_RGB32).save(&buffer, "BMP");
    for (const auto& [offset, value] : {std::pair{18, width}, std::pair{22, height}}) {
        for (int i = 0; i < 4; ++i) {
            bmp[offset + i] = char((value >> (8 * i)) & 0xFF);
        }
    }
    return bmp;
}

}  // namespace

class TestSkinPackage : public QObject {
    Q_OBJECT

private slots:
    void loadsTheDescribedSkin() {
        SkinScratch scratch;
        const QByteArray xml = Description(
            "<author>ignored</author>"
            "<skinInfo><version>2</version><name>Eiche &amp; Ahorn</name></skinInfo>"
            R"(<size width="640" height="480"/>)"
            R"(<area x="32" y="-4" width="+576" height="400"/>)"
            R"(<area x="1" y="1" width="1" height="1"/>)"
            "<layers>"
            R"(<layer file="back.png"/>)"
            "<!-- a comment between layers -->"
            R"(<shadow file="Front.PNG" x="-5" y="+7"/>)"
            R"(<layer file="glass.png" x="" y="12"/>)"
            "</layers>");
        const QString path = scratch.package("Oak.TQSkin", {{"skin.xml", xml},
                                                            {"images/", {}},
                                                            {"images/back.png", "back"},
                                                            {"Front.PNG", "front"},
                                                            {"readme.txt", "notes"}});
        const std::unique_ptr<TSkin> skin = LoadSkin(path);

        QCOMPARE(skin->Name, QStringLiteral("Eiche & Ahorn"));
        QCOMPARE(skin->Width, 640);
        QCOMPARE(skin->Height, 480);
        QCOMPARE(skin->AreaX, 32);
        QCOMPARE(skin->AreaY, -4);
        QCOMPARE(skin->AreaWidth, 576);
        QCOMPARE(skin->AreaHeight, 400);
        struct Layer {
            QString file;
            int x;
            int y;
        };
        const QList<Layer> expected = {
            {"back.png", 0, 0}, {"Front.PNG", -5, 7}, {"glass.png", 0, 12}};
        QCOMPARE(skin->Layers.size(), size_t(expected.size()));
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const TSkinLayer& layer = *skin->Layers[size_t(i)];
            QCOMPARE(layer.FileName, expected[i].file);
            QCOMPARE(layer.X, expected[i].x);
            QCOMPARE(layer.Y, expected[i].y);
            QVERIFY(!layer.Image.has_value());
        }
        QVERIFY(skin->PhotoCache.isNull());
        QVERIFY(skin->PhotoCacheKey.isEmpty());

        QCOMPARE(scratch.extracted(),
                 QStringList({"Front.PNG", "back.png", "readme.txt", "skin.xml"}));
        QCOMPARE(ReadFile(scratch.temp() + "skin.xml"), xml);
        QCOMPARE(ReadFile(scratch.temp() + "back.png"), QByteArray("back"));
        QCOMPARE(ReadFile(scratch.temp() + "Front.PNG"), QByteArray("front"));
        QCOMPARE(ReadFile(scratch.temp() + "readme.txt"), QByteArray("notes"));
    }

    void descriptionEntry_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<qint64>("index");
        QTest::newRow("lower case") << QStringList{"skin.xml"} << qint64(0);
        QTest::newRow("capitals") << QStringList{"readme.txt", "SKIN.XML"} << qint64(1);
        QTest::newRow("in a folder") << QStringList{"data/", "data/Skin.Xml"} << qint64(1);
        QTest::newRow("in a folder written with backslashes")
            << QStringList{"data\\skin.xml"} << qint64(0);
        QTest::newRow("the first of two") << QStringList{"a/skin.xml", "skin.xml"} << qint64(0);
        QTest::newRow("after a folder named like it")
            << QStringList{"skin.xml/", "skin.xml/skin.xml"} << qint64(1);
    }
    void descriptionEntry() {
        QFETCH(QStringList, names);
        QFETCH(qint64, index);
        SkinScratch scratch;
        QList<PackageEntry> entries;
        for (qsizetype i = 0; i < names.size(); ++i) {
            entries.append({names[i], SkinXml(QStringLiteral("Skin %1").arg(i))});
        }
        const QString path = scratch.package("Oak.TQSkin", entries);
        const QString name = QStringLiteral("Skin %1").arg(index);

        ZipArchive archive(path);
        QCOMPARE(FindPackageEntry(archive, "skin.xml"), index);
        QCOMPARE(FindPackageEntry(archive, "Skin.XML"), index);
        QCOMPARE(FindPackageEntry(archive, "missing.xml"), qint64(-1));
        QCOMPARE(ReadSkinName(path), name);
        QCOMPARE(LoadSkin(path)->Name, name);
    }

    void loadErrors_data() {
        QTest::addColumn<QString>("entryName");
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<QString>("error");
        // ReadSkinName reads only the name: it fails with the same error, or gives the name.
        QTest::addColumn<bool>("nameFails");

        const QByteArray complete = Description(kInfo + kSize + kArea + kLayers);
        QTest::newRow("no description")
            << "readme.xml" << complete << "Index -1 is out of range" << true;
        QTest::newRow("a long s is not an ASCII letter")
            << "ſkin.xml" << complete << "Index -1 is out of range" << true;

        auto row = [](const char* tag, const QString& body, const QString& error, bool nameFails) {
            QTest::newRow(tag) << "skin.xml" << Description(body) << error << nameFails;
        };
        row("no skinInfo", kSize + kArea + kLayers,
            R"(The skin description has no element "skinInfo")", true);
        row("skinInfo without name",
            "<skinInfo><title>Oak</title></skinInfo>" + kSize + kArea + kLayers,
            R"(The skin description has no element "skinInfo/name")", true);
        row("a name nested deeper",
            "<skinInfo><i><name>Oak</name></i></skinInfo>" + kSize + kArea + kLayers,
            R"(The skin description has no element "skinInfo/name")", true);
        row("empty name", "<skinInfo><name></name></skinInfo>" + kSize + kArea + kLayers,
            R"(The skin description has an empty "skinInfo/name")", true);
        row("no size", kInfo + kArea + kLayers, R"(The skin description has no element "size")",
            false);
        row("no area", kInfo + kSize + kLayers, R"(The skin description has no element "area")",
            false);
        row("no layers", kInfo + kSize + kArea, R"(The skin description has no element "layers")",
            false);
        for (const char* attribute : {"width", "height"}) {
            QTest::addRow("size without %s", attribute)
                << "skin.xml"
                << Description(kInfo + WithoutAttribute(kSize, attribute) + kArea + kLayers)
                << QStringLiteral(R"(Element "size" of the skin description has no value for "%1")")
                       .arg(attribute)
                << false;
            QTest::addRow("size with an empty %s", attribute)
                << "skin.xml"
                << Description(kInfo + WithAttribute(kSize, attribute, "") + kArea + kLayers)
                << QStringLiteral(R"(Element "size" of the skin description has no value for "%1")")
                       .arg(attribute)
                << false;
        }
        for (const char* attribute : {"x", "y", "width", "height"}) {
            QTest::addRow("area without %s", attribute)
                << "skin.xml"
                << Description(kInfo + kSize + WithoutAttribute(kArea, attribute) + kLayers)
                << QStringLiteral(R"(Element "area" of the skin description has no value for "%1")")
                       .arg(attribute)
                << false;
            QTest::addRow("area with an empty %s", attribute)
                << "skin.xml"
                << Description(kInfo + kSize + WithAttribute(kArea, attribute, "") + kLayers)
                << QStringLiteral(R"(Element "area" of the skin description has no value for "%1")")
                       .arg(attribute)
                << false;
        }
        const QList<std::pair<const char*, const char*>> notIntegers = {
            {"a unit", "12px"},
            {"a fraction", "1.5"},
            {"hexadecimal", "0x10"},
            {"beyond 32 bits", "2147483648"}};
        for (const auto& [what, value] : notIntegers) {
            QTest::addRow("a width with %s", what)
                << "skin.xml"
                << Description(kInfo + WithAttribute(kSize, "width", value) + kArea + kLayers)
                << QStringLiteral(R"("%1" is not a valid integer for "width" of element "size")")
                       .arg(value)
                << false;
        }
        row("a layer without file", kInfo + kSize + kArea + R"(<layers><layer x="1"/></layers>)",
            R"(Element "layers/layer" of the skin description has no value for "file")", false);
        row("a layer with an empty file",
            kInfo + kSize + kArea + R"(<layers><layer file="a.png"/><image file=""/></layers>)",
            R"(Element "layers/image" of the skin description has no value for "file")", false);
        row("a layer with a word for x",
            kInfo + kSize + kArea + R"(<layers><layer file="a.png" x="left"/></layers>)",
            R"("left" is not a valid integer for "x" of element "layers/layer")", false);
    }
    void loadErrors() {
        QFETCH(QString, entryName);
        QFETCH(QByteArray, description);
        QFETCH(QString, error);
        QFETCH(bool, nameFails);
        SkinScratch scratch;
        const QString path =
            scratch.package("Oak.TQSkin", {{entryName, description}, {"frame.png", "frame"}});
        QCOMPARE(ErrorText([&] { LoadSkin(path); }), error);
        QCOMPARE(ErrorText([&] { ReadSkinName(path); }), nameFails ? error : "(no error)");
        if (!nameFails) {
            QCOMPARE(ReadSkinName(path), QStringLiteral("Oak"));
        }
        QVERIFY(scratch.extracted().isEmpty());
    }

    void badXml_data() {
        QTest::addColumn<QByteArray>("description");
        QTest::newRow("an unclosed element") << QByteArray("<skin><skinInfo><name>Oak</name>");
        QTest::newRow("two root elements") << QByteArray("<skin/><skin/>");
        QTest::newRow("not XML at all") << QByteArray("\x89PNG\r\n\x1a\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("an unknown encoding")
            << QByteArray(R"(<?xml version="1.0" encoding="x-no-such-encoding"?><skin/>)");
        QTest::newRow("entities expanding without end") << QByteArray(
            R"(<?xml version="1.0"?><!DOCTYPE s [<!ENTITY a "aaaaaaaaaaaaaaaaaaaa">)"
            R"(<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">)"
            R"(<!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;"><!ENTITY e "&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;">)"
            R"(<!ENTITY f "&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;"><!ENTITY g "&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;">)"
            R"(]><s><skinInfo><name>&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;</name></skinInfo></s>)");
    }
    void badXml() {
        QFETCH(QByteArray, description);
        SkinScratch scratch;
        const QString path = scratch.package("Oak.TQSkin", {{"skin.xml", description}});
        const QString prefix = QStringLiteral("Cannot parse skin.xml: ");
        for (const QString& error :
             {ErrorText([&] { LoadSkin(path); }), ErrorText([&] { ReadSkinName(path); })}) {
            QVERIFY2(error.startsWith(prefix) && error.size() > prefix.size(), qPrintable(error));
        }
        QVERIFY(scratch.extracted().isEmpty());
    }

    // The catalogue's scan stops at the name; the load reads the whole description.
    void nameIsReadWithoutTheRest_data() {
        QTest::addColumn<QByteArray>("description");
        QTest::newRow("a broken element after the name")
            << QByteArray("<skin><skinInfo><name>Oak</name></skinInfo><size width=\"1\"");
        QTest::newRow("too many layers after the name")
            << Description(kInfo + kSize + kArea + "<layers>" +
                           QStringLiteral(R"(<layer file="a.png"/>)").repeated(65) + "</layers>");
    }
    void nameIsReadWithoutTheRest() {
        QFETCH(QByteArray, description);
        SkinScratch scratch;
        const QString path = scratch.package("Oak.TQSkin", {{"skin.xml", description}});
        QCOMPARE(ReadSkinName(path), QStringLiteral("Oak"));
        QVERIFY(ErrorText([&] { LoadSkin(path); }) != QStringLiteral("(no error)"));
        QVERIFY(scratch.extracted().isEmpty());
    }

    // A line break in a name would become lines of the package's choosing in the settings
    // file: control characters are taken out, alike for the catalogue and the load.
    void controlCharactersLeaveTheName_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("name");
        QTest::newRow("CR LF and a settings line") << "Oak&#13;&#10;transparency=15"
                                                   << "Oaktransparency=15";
        QTest::newRow("a lone LF") << "Oak&#10;"
                                   << "Oak";
        QTest::newRow("a line break written as such") << "Oak\nPine"
                                                      << "OakPine";
        QTest::newRow("a tab and a C1 control") << "O&#9;ak&#133;"
                                                << "Oak";
        QTest::newRow("other characters stay") << "Eiche \u2013 Ahorn"
                                               << "Eiche \u2013 Ahorn";
    }
    void controlCharactersLeaveTheName() {
        QFETCH(QString, written);
        QFETCH(QString, name);
        SkinScratch scratch;
        const QString path = scratch.package("Oak.TQSkin", {{"skin.xml", SkinXml(written)}});
        QCOMPARE(ReadSkinName(path), name);
        QCOMPARE(LoadSkin(path)->Name, name);
    }

    void nameOfControlCharactersOnly() {
        SkinScratch scratch;
        const QString path = scratch.package("Oak.TQSkin", {{"skin.xml", SkinXml("&#13;&#10; ")}});
        const QString error =
            QStringLiteral(R"(The skin description has an empty "skinInfo/name")");
        QCOMPARE(ErrorText([&] { ReadSkinName(path); }), error);
        QCOMPARE(ErrorText([&] { LoadSkin(path); }), error);
    }

    // Limits met by every real skin and broken by every hostile one: a load error that names
    // the package, raised before the work it guards.
    void packageLimits_data() {
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("error");   // empty: the skin loads
        QTest::addColumn<bool>("extracted");  // the error comes after the extraction
        const auto row = [](const char* tag, const QString& body, const QString& error,
                            bool extracted = false) {
            QTest::newRow(tag) << Description(body) << 0 << error << extracted;
        };
        const QString canvas =
            R"(describes a canvas of %1; sides from 1 to 4096 pixels are allowed)";
        const QString area =
            R"(describes a photo area of %1; sides from 1 to 4096 pixels are allowed)";
        const QString place = R"(places %1; positions from -4096 to 4096 are allowed)";
        row("a canvas of 4096 x 4096 and everything at the limits",
            kInfo +
                R"(<size width="4096" height="4096"/><area x="-4096" y="4096" width="4096" height="1"/>)" +
                R"(<layers><layer file="frame.png" x="4096" y="-4096"/></layers>)",
            QString());
        row("a canvas of 30000 x 30000",
            kInfo + R"(<size width="30000" height="30000"/>)" + kArea + kLayers,
            canvas.arg("30000 x 30000 pixels"));
        row("a canvas 4097 pixels high",
            kInfo + R"(<size width="300" height="4097"/>)" + kArea + kLayers,
            canvas.arg("300 x 4097 pixels"));
        row("a canvas of no width", kInfo + R"(<size width="0" height="200"/>)" + kArea + kLayers,
            canvas.arg("0 x 200 pixels"));
        row("a canvas of negative height",
            kInfo + R"(<size width="300" height="-1"/>)" + kArea + kLayers,
            canvas.arg("300 x -1 pixels"));
        row("a canvas near the integer limit",
            kInfo + R"(<size width="2147483647" height="2147483647"/>)" + kArea + kLayers,
            canvas.arg("2147483647 x 2147483647 pixels"));
        row("a photo area of 6553184 x 139",
            kInfo + kSize + R"(<area x="0" y="0" width="6553184" height="139"/>)" + kLayers,
            area.arg("6553184 x 139 pixels"));
        row("an empty photo area",
            kInfo + kSize + R"(<area x="0" y="0" width="280" height="0"/>)" + kLayers,
            area.arg("280 x 0 pixels"));
        row("a photo area near the integer limit",
            kInfo + kSize + R"(<area x="2147483647" y="0" width="280" height="160"/>)" + kLayers,
            place.arg("the photo area at 2147483647, 0"));
        row("a layer at the lowest integer",
            kInfo + kSize + kArea + R"(<layers><layer file="frame.png" x="-2147483648"/></layers>)",
            place.arg(R"(the layer "frame.png" at -2147483648, 0)"));
        row("65 layers",
            kInfo + kSize + kArea + "<layers>" +
                QStringLiteral(R"(<layer file="a.png"/>)").repeated(65) + "</layers>",
            "has more than 64 layers");
        row("64 layers",
            kInfo + kSize + kArea + "<layers>" +
                QStringLiteral(R"(<layer file="a.png"/>)").repeated(64) + "</layers>",
            QString());
        const QString padding = "<!--" + QString(65536, u'.') + "-->";
        QTest::newRow("a description over 64 KiB")
            << Description(kInfo + kSize + kArea + kLayers + padding) << 0
            << QStringLiteral("has a skin.xml of %1 bytes; at most 65536 are allowed")
                   .arg(Description(kInfo + kSize + kArea + kLayers + padding).size())
            << false;
        QTest::newRow("257 entries")
            << SkinXml("Oak") << 256 << "has 257 entries; at most 256 are allowed" << false;
        QTest::newRow("256 entries") << SkinXml("Oak") << 255 << QString() << false;
        // Layer images, by their headers: BMP headers claiming sizes the data never had.
        const QString layers = R"(<layers><layer file="a.bmp"/><layer file="b.bmp"/>)"
                               R"(<layer file="a.bmp"/><layer file="a.bmp"/>%1</layers>)";
        row("a layer image of 5000 x 5000",
            kInfo + kSize + kArea +
                R"(<layers><layer file="frame.png"/><layer file="huge.bmp"/></layers>)",
            R"(has a layer image "huge.bmp" of 5000 x 5000 pixels; sides up to 4096 pixels are allowed)",
            true);
        row("four layers of 4096 x 4096", kInfo + kSize + kArea + layers.arg(""), QString(), true);
        row("five layers of 4096 x 4096",
            kInfo + kSize + kArea + layers.arg(R"(<layer file="b.bmp"/>)"),
            "has layer images of more than 67108864 pixels together", true);
    }
    void packageLimits() {
        QFETCH(QByteArray, description);
        QFETCH(int, entries);
        QFETCH(QString, error);
        QFETCH(bool, extracted);
        SkinScratch scratch;
        QList<PackageEntry> files{{"skin.xml", description},
                                  {"frame.png", "frame"},
                                  {"a.bmp", BmpClaiming(4096, 4096)},
                                  {"b.bmp", BmpClaiming(4096, 4096)},
                                  {"huge.bmp", BmpClaiming(5000, 5000)}};
        for (int i = files.size(); i <= entries; ++i) {
            files.append({QStringLiteral("extra%1.txt").arg(i), "x"});
        }
        const QString path = scratch.package("Oak.TQSkin", files);
        if (error.isEmpty()) {
            QCOMPARE(ErrorText([&] { LoadSkin(path); }), QStringLiteral("(no error)"));
            return;
        }
        const QString expected = QStringLiteral(R"(The skin package "Oak.TQSkin" )") + error;
        QCOMPARE(ErrorText([&] { LoadSkin(path); }), expected);
        QCOMPARE(scratch.extracted().isEmpty(), !extracted);
    }

    void notAPackage_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("a missing file") << QByteArray() << "No such file";
        QTest::newRow("a text file") << QByteArray("just some text") << "Not a zip archive";
        QTemporaryDir dir;
        WritePackage(dir.path() + "/full.TQSkin",
                     {{"skin.xml", SkinXml("Oak")}, {"frame.png", QByteArray(4000, 'f')}});
        const QByteArray package = ReadFile(dir.path() + "/full.TQSkin");
        QTest::newRow("the first half of a package")
            << package.left(package.size() / 2) << "Not a zip archive";
    }
    void notAPackage() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        SkinScratch scratch;
        const QString path = scratch.skins() + "Oak.TQSkin";
        if (!bytes.isNull()) {
            WriteFile(path, bytes);
        }
        const QString expected = QStringLiteral("Cannot open \"%1\": %2").arg(path, error);
        QCOMPARE(ErrorText([&] { LoadSkin(path); }), expected);
        QCOMPARE(ErrorText([&] { ReadSkinName(path); }), expected);
        QVERIFY(scratch.extracted().isEmpty());
    }

    void readSkinNameWritesNothing_data() {
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<QString>("otherEntry");
        QTest::newRow("a complete package")
            << Description(kInfo + kSize + kArea + kLayers) << "frame.png";
        QTest::newRow("a description of the name alone") << Description(kInfo) << "frame.png";
        QTest::newRow("an entry the load would refuse")
            << Description(kInfo + kSize + kArea + kLayers) << "sub/..";
    }
    void readSkinNameWritesNothing() {
        QFETCH(QByteArray, description);
        QFETCH(QString, otherEntry);
        SkinScratch scratch;
        const QString path =
            scratch.package("Oak.TQSkin", {{"skin.xml", description}, {otherEntry, "frame"}});
        QCOMPARE(ReadSkinName(path), QStringLiteral("Oak"));
        QVERIFY(scratch.extracted().isEmpty());
        QCOMPARE(QDir(scratch.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"Skins", "temp"}));
    }

    void emptyLayers_data() {
        QTest::addColumn<QString>("layers");
        QTest::newRow("an empty element") << "<layers/>";
        QTest::newRow("only a comment and spaces") << "<layers> <!-- none --> </layers>";
        QTest::newRow("only text") << "<layers>no layers here</layers>";
    }
    void emptyLayers() {
        QFETCH(QString, layers);
        SkinScratch scratch;
        const QString path = scratch.package(
            "Oak.TQSkin", {{"skin.xml", Description(kInfo + kSize + kArea + layers)}});
        const std::unique_ptr<TSkin> skin = LoadSkin(path);
        QVERIFY(skin->Layers.empty());
        QCOMPARE(skin->AreaHeight, 160);
        QCOMPARE(scratch.extracted(), QStringList{"skin.xml"});
    }

    void sameFileNameInTwoFolders() {
        SkinScratch scratch;
        const QString path = scratch.package(
            "Oak.TQSkin",
            {{"skin.xml", SkinXml("Oak")}, {"a/frame.png", "first"}, {"b\\frame.png", "second"}});
        LoadSkin(path);
        QCOMPARE(scratch.extracted(), QStringList({"frame.png", "skin.xml"}));
        QCOMPARE(ReadFile(scratch.temp() + "frame.png"), QByteArray("second"));
    }

    void laterSkinReplacesFilesOfTheSameName() {
        SkinScratch scratch;
        const QString a = scratch.package(
            "A.TQSkin",
            {{"skin.xml", SkinXml("A")}, {"frame.png", "A's frame"}, {"only-a.png", "A's own"}});
        const QString b =
            scratch.package("B.TQSkin", {{"skin.xml", SkinXml("B")}, {"frame.png", "B's frame"}});
        LoadSkin(a);
        LoadSkin(b);
        QCOMPARE(scratch.extracted(), QStringList({"frame.png", "only-a.png", "skin.xml"}));
        QCOMPARE(ReadFile(scratch.temp() + "frame.png"), QByteArray("B's frame"));
        QCOMPARE(ReadFile(scratch.temp() + "skin.xml"), SkinXml("B"));
        QCOMPARE(ReadFile(scratch.temp() + "only-a.png"), QByteArray("A's own"));
    }

    void encodings_data() {
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<QString>("name");
        auto text = [](const QString& declaration, const QString& name) {
            return declaration + "<skin><skinInfo><name>" + name + "</name></skinInfo>" + kSize +
                   kArea + kLayers + "</skin>";
        };
        const QString umlauts = QStringLiteral("Größe Ähre");
        QTest::newRow("UTF-8 without a declaration") << text("", umlauts).toUtf8() << umlauts;
        QTest::newRow("UTF-8 with a byte-order mark")
            << "\xEF\xBB\xBF" + text(R"(<?xml version="1.0"?>)", umlauts).toUtf8() << umlauts;
        QTest::newRow("ISO-8859-1 declared")
            << text(R"(<?xml version="1.0" encoding="ISO-8859-1"?>)", umlauts).toLatin1()
            << umlauts;
        QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        QTest::newRow("UTF-16 with a byte-order mark")
            << QByteArray(utf16.encode(text(R"(<?xml version="1.0" encoding="UTF-16"?>)", umlauts)))
            << umlauts;
        // The euro sign is byte 0x80 in windows-1252.
        QTest::newRow("windows-1252 declared")
            << text(R"(<?xml version="1.0" encoding="windows-1252"?>)", "Preis @ 5")
                   .toLatin1()
                   .replace('@', '\x80')
            << QStringLiteral("Preis € 5");
    }
    void encodings() {
        QFETCH(QByteArray, description);
        QFETCH(QString, name);
        SkinScratch scratch;
        const QString path = scratch.package("Oak.TQSkin", {{"skin.xml", description}});
        QCOMPARE(ReadSkinName(path), name);
        QCOMPARE(LoadSkin(path)->Name, name);
    }

    void hostileNames_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("error");
        QTest::newRow("a parent folder") << "../evil.png"
                                         << "evil.png" << QString();
        QTest::newRow("a parent folder with backslashes") << "..\\evil.png"
                                                          << "evil.png" << QString();
        QTest::newRow("an absolute path") << "/abs/evil.png"
                                          << "evil.png" << QString();
        QTest::newRow("a drive letter") << "C:\\Windows\\evil.png"
                                        << "evil.png" << QString();
        QTest::newRow("a folder entry") << "images/" << QString() << QString();
        QTest::newRow("a folder entry with a backslash") << "images\\" << QString() << QString();
        for (const char* name : {"sub/../..", "sub/.", "..", "a\\.."}) {
            QTest::addRow("%s", name)
                << name << QString()
                << QStringLiteral(R"(The package entry "%1" has no usable file name)").arg(name);
        }
    }
    void hostileNames() {
        QFETCH(QString, entry);
        QFETCH(QString, file);
        QFETCH(QString, error);
        SkinScratch scratch;
        const QString path =
            scratch.package("Oak.TQSkin", {{"skin.xml", SkinXml("Oak")}, {entry, "payload"}});
        if (error.isEmpty()) {
            QCOMPARE(LoadSkin(path)->Name, QStringLiteral("Oak"));
            QStringList expected{"skin.xml"};
            if (!file.isEmpty()) {
                expected.prepend(file);
                QCOMPARE(ReadFile(scratch.temp() + file), QByteArray("payload"));
            }
            QCOMPARE(scratch.extracted(), expected);
        } else {
            QCOMPARE(ErrorText([&] { LoadSkin(path); }), error);
            QVERIFY(scratch.extracted().isEmpty());
        }
        // Nothing lands beside the temporary folder.
        QCOMPARE(QDir(scratch.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"Skins", "temp"}));
        QCOMPARE(QDir(scratch.skins()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"Oak.TQSkin"});
    }

    void sizeLimits_data() {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QString>("error");
        QTest::newRow("entries at both limits") << QList<int>{1000, 1000, 500} << QString();
        QTest::newRow("an entry one byte over its limit")
            << QList<int>{1000, 1001}
            << R"(The package entry "image1.png" is too large (1001 bytes))";
        QTest::newRow("the package one byte over its limit")
            << QList<int>{1000, 1000, 501}
            << "The package is too large: its files hold more than %1 bytes";
    }
    void sizeLimits() {
        QFETCH(QList<int>, sizes);
        QFETCH(QString, error);
        SkinScratch scratch;
        const QByteArray xml = SkinXml("Oak");
        QList<PackageEntry> entries{{"skin.xml", xml}};
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            entries.append({QStringLiteral("image%1.png").arg(i), QByteArray(sizes[i], 'x')});
        }
        const QString path = scratch.package("Oak.TQSkin", entries);
        const PackageLimits limits{1000, 2500 + xml.size()};
        if (error.isEmpty()) {
            LoadSkin(path, limits);
            QCOMPARE(scratch.extracted().size(), entries.size());
            QCOMPARE(QFileInfo(scratch.temp() + "image0.png").size(), sizes[0]);
        } else {
            QCOMPARE(ErrorText([&] { LoadSkin(path, limits); }),
                     error.contains("%1") ? error.arg(limits.totalBytes) : error);
            QVERIFY(scratch.extracted().isEmpty());
        }
    }

    // The real limits, met by declared sizes so that no test needs a huge file.
    void declaredSizes_data() {
        QTest::addColumn<QStringList>("patched");
        QTest::addColumn<quint32>("declared");
        QTest::addColumn<QString>("loadError");
        QTest::addColumn<QString>("nameError");
        QTest::newRow("an image declared one byte over 64 MiB")
            << QStringList{"image0.png"} << quint32(64 * 1024 * 1024 + 1)
            << R"(The package entry "image0.png" is too large (67108865 bytes))" << QString();
        QTest::newRow("the description declared one byte over 64 MiB")
            << QStringList{"skin.xml"} << quint32(64 * 1024 * 1024 + 1)
            << R"(The package entry "skin.xml" is too large (67108865 bytes))"
            << R"(The skin package "Oak.TQSkin" has a skin.xml of 67108865 bytes; at most 65536 are allowed)";
        QTest::newRow("five images declaring 300 MiB together")
            << QStringList{"image0.png", "image1.png", "image2.png", "image3.png", "image4.png"}
            << quint32(60 * 1024 * 1024)
            << "The package is too large: its files hold more than 268435456 bytes" << QString();
    }
    void declaredSizes() {
        QFETCH(QStringList, patched);
        QFETCH(quint32, declared);
        QFETCH(QString, loadError);
        QFETCH(QString, nameError);
        SkinScratch scratch;
        QList<PackageEntry> entries{{"skin.xml", SkinXml("Oak")}};
        for (int i = 0; i < 5; ++i) {
            entries.append({QStringLiteral("image%1.png").arg(i), "image"});
        }
        const QString path = scratch.package("Oak.TQSkin", entries);
        for (const QString& entry : patched) {
            SetDeclaredSize(path, entry, declared);
        }
        QCOMPARE(ErrorText([&] { LoadSkin(path); }), loadError);
        QCOMPARE(ErrorText([&] { ReadSkinName(path); }),
                 nameError.isEmpty() ? "(no error)" : nameError);
        QVERIFY(scratch.extracted().isEmpty());
    }

    void entryDataDiffersFromItsDeclaredSize_data() {
        QTest::addColumn<quint32>("declared");
        QTest::newRow("longer than declared") << quint32(10);
        QTest::newRow("shorter than declared") << quint32(6000);
    }
    void entryDataDiffersFromItsDeclaredSize() {
        QFETCH(quint32, declared);
        SkinScratch scratch;
        QByteArray image;
        for (int i = 0; i < 5000; ++i) {
            image.append(char(i % 251));
        }
        const QString path =
            scratch.package("Oak.TQSkin", {{"image.png", image}, {"skin.xml", SkinXml("Oak")}});
        SetDeclaredSize(path, "image.png", declared);
        const QString error = ErrorText([&] { LoadSkin(path); });
        QVERIFY2(error.contains("\"image.png\""), qPrintable(error));
        QVERIFY2(scratch.extracted().isEmpty(), qPrintable(scratch.extracted().join(", ")));
    }

    // libzip notices a size that differs from the directory only after the whole entry; the
    // guard stops at the declared size, so a small declared size cannot hide a huge entry.
    void extractionStopsAtTheDeclaredSize() {
        SkinScratch scratch;
        const QString path =
            scratch.package("Oak.TQSkin", {{"image.png", QByteArray(1 << 20, 'x')}});
        SetDeclaredSize(path, "image.png", 10);
        ZipArchive archive(path);
        QCOMPARE(archive.size(0), qint64(10));
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        const QString error = ErrorText([&] { archive.extractTo(0, sink); });
        QCOMPARE(error,
                 QStringLiteral(
                     R"("image.png" is damaged: its size differs from the archive's directory)"));
        QVERIFY2(sink.size() <= 10, qPrintable(QString::number(sink.size())));
    }

    void noTemporaryFolder() {
        SkinScratch scratch;
        const QString path = scratch.package("Oak.TQSkin", {{"skin.xml", SkinXml("Oak")}});
        const QString work = scratch.root() + "work";
        QDir().mkpath(work);
        const QString saved = QDir::currentPath();
        QDir::setCurrent(work);
        TempFolder.clear();
        const QString error = ErrorText([&] { LoadSkin(path); });
        QDir::setCurrent(saved);
        QCOMPARE(error, QStringLiteral("There is no temporary folder to extract the skin into"));
        QVERIFY(QDir(work).isEmpty());
        QCOMPARE(ReadSkinName(path), QStringLiteral("Oak"));
    }

    void fileCannotBeCreated() {
        SkinScratch scratch;
        QDir().mkpath(scratch.temp() + "frame.png");
        const QString path =
            scratch.package("Oak.TQSkin", {{"frame.png", "frame"}, {"skin.xml", SkinXml("Oak")}});
        const QString error = ErrorText([&] { LoadSkin(path); });
        const QString prefix =
            QStringLiteral("Cannot create \"%1frame.png\": ").arg(scratch.temp());
        QVERIFY2(error.startsWith(prefix) && error.size() > prefix.size(), qPrintable(error));
        QVERIFY(scratch.extracted().isEmpty());
    }

    void archiveDirectory() {
        SkinScratch scratch;
        const QString path = scratch.package(
            "Oak.TQSkin",
            {{"skin.xml", "xml"}, {"images/", {}}, {"images\\sub\\back.png", "back"}});
        ZipArchive archive(path);
        QCOMPARE(archive.count(), qint64(3));
        QCOMPARE(archive.entryName(2), QStringLiteral("images\\sub\\back.png"));
        QCOMPARE(archive.fileName(2), QStringLiteral("back.png"));
        QCOMPARE(archive.fileName(1), QString());
        QVERIFY(archive.isFolder(1));
        QVERIFY(!archive.isFolder(2));
        QCOMPARE(archive.size(2), qint64(4));
        QCOMPARE(archive.extract(0), QByteArray("xml"));
        for (qint64 index : {qint64(-1), qint64(3), qint64(1000)}) {
            const QString error = QStringLiteral("Index %1 is out of range").arg(index);
            QCOMPARE(ErrorText([&] { archive.extract(index); }), error);
            QCOMPARE(ErrorText([&] { archive.fileName(index); }), error);
            QCOMPARE(ErrorText([&] { archive.size(index); }), error);
        }
    }
};

QObject* NewTestSkinPackage() {
    return new TestSkinPackage;
}
#include "tst_skinpackage.moc"
