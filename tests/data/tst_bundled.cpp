#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "frame/FrameComposition.h"
#include "skins/SkinsUnit.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

#include <optional>

namespace {

const QString kDist = QStringLiteral(TQ_DIST_DIR);

// Reads whole entries of a ZIP archive.
class ZipArchive {
public:
    explicit ZipArchive(const QString& path) {
        int error = 0;
        archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    }
    ~ZipArchive() {
        if (archive) {
            zip_discard(archive);
        }
    }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool isOpen() const { return archive != nullptr; }

    QStringList names() const {
        QStringList result;
        const zip_int64_t count = zip_get_num_entries(archive, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            result << QString::fromUtf8(zip_get_name(archive, static_cast<zip_uint64_t>(i), 0));
        }
        return result;
    }

    std::optional<QByteArray> read(const QString& name) const {
        const QByteArray utf8 = name.toUtf8();
        zip_stat_t stat;
        if (zip_stat(archive, utf8.constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) {
            return std::nullopt;
        }
        zip_file_t* file = zip_fopen(archive, utf8.constData(), 0);
        if (!file) {
            return std::nullopt;
        }
        QByteArray bytes(static_cast<qsizetype>(stat.size), '\0');
        const zip_int64_t got = zip_fread(file, bytes.data(), stat.size);
        zip_fclose(file);
        if (got != static_cast<zip_int64_t>(stat.size)) {
            return std::nullopt;
        }
        return bytes;
    }

private:
    zip_t* archive = nullptr;
};

QStringList packages() {
    return QDir(kDist + "/Skins").entryList({"*.TQSkin"}, QDir::Files, QDir::Name);
}

// The integer value of an attribute that must be present; fails the test otherwise.
int intAttribute(const QDomElement& element, const QString& name) {
    bool ok = false;
    const int value = element.attribute(name).toInt(&ok);
    if (!ok) {
        QTest::qFail(qPrintable(QString("<%1 %2> is not an integer").arg(element.tagName(), name)),
                     __FILE__, __LINE__);
    }
    return value;
}

QDomElement child(const QDomElement& parent, const QString& name) {
    const QDomElement element = parent.firstChildElement(name);
    if (element.isNull()) {
        QTest::qFail(qPrintable(QString("<%1> has no <%2>").arg(parent.tagName(), name)), __FILE__,
                     __LINE__);
    }
    return element;
}

// The first pixel on the border of `rect` that is not fully opaque.
std::optional<QPoint> firstUncoveredPixel(const QImage& image, const QRect& rect) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
        for (const int y : {rect.top(), rect.bottom()}) {
            if (qAlpha(image.pixel(x, y)) != 255) {
                return QPoint(x, y);
            }
        }
    }
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (const int x : {rect.left(), rect.right()}) {
            if (qAlpha(image.pixel(x, y)) != 255) {
                return QPoint(x, y);
            }
        }
    }
    return std::nullopt;
}

QString skinName(const QString& package) {
    const ZipArchive zip(kDist + "/Skins/" + package);
    QDomDocument document;
    document.setContent(zip.read("skin.xml").value_or(QByteArray()));
    return document.documentElement()
        .firstChildElement("skinInfo")
        .firstChildElement("name")
        .text();
}

}  // namespace

// The skin packages and the sample photo that the build ships in the program folder.
class TestBundledData : public QObject {
    Q_OBJECT

private slots:
    void packagesArePresentWithDistinctNames();
    void packageIsAWellFormedSkin_data();
    void packageIsAWellFormedSkin();
    void samplePhotoIsALandscapeJpeg();
    void packagesLoadThroughTheCatalogue();
    void composedAroundTheSamplePhoto();
};

// Each bundled skin around the sample photo, drawn by the program's own composition; the
// pictures are left in the build's previews/ folder to be looked at.
void TestBundledData::composedAroundTheSamplePhoto() {
    QTemporaryDir temp;
    const QString savedSkins = SkinsFolder;
    const QString savedTemp = TempFolder;
    SkinsFolder = kDist + "/Skins/";
    TempFolder = temp.path() + "/";
    const QString previews = QStringLiteral(TQ_BUILD_DIR "/previews/");
    QDir().mkpath(previews);
    TSettings settings;
    const TSkins catalogue;
    for (const SkinListEntry& entry : catalogue.SkinList()) {
        const std::unique_ptr<TSkin> skin = catalogue.SkinByName(entry.name);
        const QImage canvas = DrawFrameCanvas(*skin, kDist + "/sample.jpg", settings, 1.0, 0.0);
        QVERIFY(!canvas.isNull());
        // The middle of the photo area is opaque photo, the canvas corners transparent.
        const QPoint middle(
            canvas.width() / 2 - skin->Width / 2 + skin->AreaX + skin->AreaWidth / 2,
            canvas.height() / 2 - skin->Height / 2 + skin->AreaY + skin->AreaHeight / 2);
        QCOMPARE(qAlpha(canvas.pixel(middle)), 255);
        QCOMPARE(qAlpha(canvas.pixel(0, 0)), 0);
        QVERIFY(canvas.save(previews + entry.name + ".png"));
    }
    SkinsFolder = savedSkins;
    TempFolder = savedTemp;
}

void TestBundledData::packagesLoadThroughTheCatalogue() {
    QTemporaryDir temp;
    const QString savedSkins = SkinsFolder;
    const QString savedTemp = TempFolder;
    SkinsFolder = kDist + "/Skins/";
    TempFolder = temp.path() + "/";
    MessageRecorder recorder;
    const TSkins catalogue;
    QCOMPARE(int(catalogue.SkinList().size()), int(packages().size()));
    for (const SkinListEntry& entry : catalogue.SkinList()) {
        const std::unique_ptr<TSkin> skin = catalogue.SkinByName(entry.name);
        QCOMPARE(skin->Name, entry.name);
        QVERIFY(!skin->Layers.empty());
        for (const auto& layer : skin->Layers) {
            QVERIFY2(QFileInfo(TempFolder + layer->FileName).isFile(), qPrintable(layer->FileName));
        }
    }
    SkinsFolder = savedSkins;
    TempFolder = savedTemp;
    QVERIFY(recorder.messages.isEmpty());
}

void TestBundledData::packagesArePresentWithDistinctNames() {
    const QStringList files = packages();
    QVERIFY2(files.size() >= 3, qPrintable(files.join(", ")));
    QSet<QString> names;
    for (const QString& file : files) {
        const QString name = skinName(file);
        QVERIFY2(!name.trimmed().isEmpty(), qPrintable(file));
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
    }
}

void TestBundledData::packageIsAWellFormedSkin_data() {
    QTest::addColumn<QString>("package");
    for (const QString& file : packages()) {
        QTest::newRow(qPrintable(file)) << file;
    }
}

void TestBundledData::packageIsAWellFormedSkin() {
    QFETCH(QString, package);
    const ZipArchive zip(kDist + "/Skins/" + package);
    QVERIFY2(zip.isOpen(), "not a readable ZIP archive");
    for (const QString& name : zip.names()) {
        QVERIFY2(!name.contains('/') && !name.contains('\\'), qPrintable(name));
    }

    const std::optional<QByteArray> xml = zip.read("skin.xml");
    QVERIFY2(xml.has_value(), "no skin.xml at the root");
    QDomDocument document;
    QVERIFY2(document.setContent(*xml), "skin.xml is not well-formed");
    const QDomElement root = document.documentElement();
    QVERIFY(!child(child(root, "skinInfo"), "name").text().isEmpty());
    const QDomElement size = child(root, "size");
    const QRect canvas(0, 0, intAttribute(size, "width"), intAttribute(size, "height"));
    const QDomElement areaElement = child(root, "area");
    const QRect area(intAttribute(areaElement, "x"), intAttribute(areaElement, "y"),
                     intAttribute(areaElement, "width"), intAttribute(areaElement, "height"));
    QVERIFY(!canvas.isEmpty() && !area.isEmpty());
    // The photo is drawn one pixel beyond its area on every side.
    const QRect photo = area.adjusted(-1, -1, 1, 1);
    QVERIFY2(canvas.contains(photo), "the photo area leaves the canvas");

    QImage composed(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    composed.fill(Qt::transparent);
    QPainter painter(&composed);
    const QDomElement layers = child(root, "layers");
    QVERIFY(!layers.firstChildElement().isNull());
    for (QDomElement layer = layers.firstChildElement(); !layer.isNull();
         layer = layer.nextSiblingElement()) {
        const QString file = layer.attribute("file");
        const std::optional<QByteArray> bytes = zip.read(file);
        QVERIFY2(bytes.has_value(), qPrintable("missing layer file " + file));
        const QImage image = QImage::fromData(*bytes, "PNG");
        QVERIFY2(!image.isNull() && image.hasAlphaChannel(), qPrintable(file));
        const QPoint position(intAttribute(layer, "x"), intAttribute(layer, "y"));
        QVERIFY2(canvas.contains(QRect(position, image.size())),
                 qPrintable(file + " leaves the canvas"));
        painter.drawImage(position, image);
    }
    painter.end();

    // The layers hide the photo's one-pixel overlap and leave the middle of the photo visible.
    const std::optional<QPoint> uncovered = firstUncoveredPixel(composed, photo);
    if (uncovered) {
        QFAIL(qPrintable(QString("the photo shows at %1,%2 outside its area")
                             .arg(uncovered->x())
                             .arg(uncovered->y())));
    }
    QVERIFY(qAlpha(composed.pixel(area.center())) < 96);
}

void TestBundledData::samplePhotoIsALandscapeJpeg() {
    QImageReader reader(kDist + "/sample.jpg");
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage photo = reader.read();
    QVERIFY2(!photo.isNull(), qPrintable(reader.errorString()));
    QVERIFY(photo.width() > photo.height());
    QVERIFY(photo.width() >= 800);
}

QTEST_GUILESS_MAIN(TestBundledData)
#include "tst_bundled.moc"
