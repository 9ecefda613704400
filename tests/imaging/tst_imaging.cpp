#include "imaging/HeifContainer.h"
#include "imaging/Imaging.h"
#include "support/ImageSupport.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

using namespace imaging;

// The picture with the quadrant colours as seen upright, for each EXIF orientation of a file
// that stores QuadrantImage: the colours at top left, top right, bottom left, bottom right.
struct UprightQuadrants {
    QStringList corners;
};

class TestImaging : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    static QStringList Corners(const QImage& image) {
        const int w = image.width(), h = image.height();
        return {QuadrantAt(image, {w / 4, h / 4}), QuadrantAt(image, {3 * w / 4, h / 4}),
                QuadrantAt(image, {w / 4, 3 * h / 4}), QuadrantAt(image, {3 * w / 4, 3 * h / 4})};
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void decodeFailures_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray jpeg = EncodeImage(PhotoLikeImage({320, 240}), "JPEG", 95);
        const QByteArray heic = EncodeHeif(PhotoLikeImage({320, 240}), HeifCodec::Hevc);
        const QByteArray avif = EncodeHeif(PhotoLikeImage({320, 240}), HeifCodec::Av1);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("text, not an image") << QByteArray("Hello, this is not a photo.\n");
        QTest::newRow("JPEG cut in its header") << jpeg.left(100);
        QTest::newRow("JPEG cut in its pixel data") << jpeg.left(jpeg.size() * 2 / 3);
        QTest::newRow("JPEG claiming 60000 x 60000 pixels") << WithClaimedSize(jpeg, 60000, 60000);
        QTest::newRow("PNG cut short") << EncodeImage(PhotoLikeImage({64, 64}), "PNG").left(200);
        const QByteArray bmp = EncodeImage(PhotoLikeImage({64, 64}), "BMP");
        QTest::newRow("BMP cut in its pixel data") << bmp.left(bmp.size() * 2 / 3);
        QTest::newRow("BMP missing its last byte") << bmp.left(bmp.size() - 1);
        QTest::newRow("HEIC cut in its header") << heic.left(200);
        QTest::newRow("HEIC cut in its picture data") << heic.left(heic.size() * 2 / 3);
        QTest::newRow("AVIF cut in its picture data") << avif.left(avif.size() * 2 / 3);
        QTest::newRow("HEIC claiming 60000 x 60000 pixels") << WithClaimedHeifSize(heic, 60000);
        QTest::newRow("AVIF claiming 60000 x 60000 pixels") << WithClaimedHeifSize(avif, 60000);
    }
    void decodeFailures() {
        QFETCH(QByteArray, bytes);
        const QString file = path("bad.jpg");
        WriteFile(file, bytes);
        QVERIFY(DecodeImage(file).isNull());
        QVERIFY(DecodeImagePart(file, QRectF(0, 0, 320, 240), QSize(40, 30)).image.isNull());
    }

    // libpng allocates what a chunk claims: a chunk must fit in the file. What follows the
    // end chunk does not matter.
    void pngChunksMustFitTheFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("decodes");
        const QByteArray png = EncodeImage(PhotoLikeImage({64, 48}), "PNG");
        const qsizetype end = png.size() - 12;  // the IEND chunk
        QTest::newRow("whole") << png << true;
        QTest::newRow("bytes after the end chunk") << png + QByteArray(5000, 'x') << true;
        const QByteArray textChunk = QByteArray::fromHex("2f0111b2") + "tEXtdate:create";
        QTest::newRow("a text chunk claiming 789 MB")
            << png.left(end) + textChunk + png.mid(end) << false;
        QTest::newRow("the last chunk claiming one byte more than the file holds")
            << png.left(end) + QByteArray::fromHex("00000001") + "IEND" + QByteArray(4, '\0')
            << false;
    }
    void pngChunksMustFitTheFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, decodes);
        const QString file = path("chunks.png");
        WriteFile(file, bytes);
        QCOMPARE(!DecodeImage(file).isNull(), decodes);
        QCOMPARE(ReadImageHeader(file).isValid(), decodes);
    }

    void missingFileDecodesEmpty() {
        QVERIFY(DecodeImage(path("none.jpg")).isNull());
        QVERIFY(!ReadImageHeader(path("none.jpg")).isValid());
        QCOMPARE(ImageSize(path("none.jpg")), QSize());
    }

    void headerIsReadWithoutPixels() {
        // A header claiming a huge size is read as such and refused, without decoding.
        const QString file = path("claims.jpg");
        WriteFile(file,
                  WithClaimedSize(EncodeImage(QuadrantImage({64, 48}), "JPEG"), 30000, 20000));
        const ImageHeader header = ReadImageHeader(file);
        QCOMPARE(header.storedSize, QSize(30000, 20000));
        QVERIFY(!header.isValid());
        QCOMPARE(ImageSize(file), QSize());
    }

    // A progressive JPEG is decoded through a buffer of all its coefficients, at any scale;
    // the header alone says how large, so a few hundred bytes could ask for gigabytes.
    void coefficientBufferIsBounded_data() {
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<bool>("grey");
        QTest::addColumn<QSize>("claimed");
        QTest::addColumn<qint64>("coefficientBytes");
        QTest::newRow("progressive grey claiming 15800 x 15800")
            << true << true << QSize(15800, 15800) << qint64(1975) * 1975 * 128;
        QTest::newRow("progressive colour claiming 12000 x 9000, halved chroma")
            << true << false << QSize(12000, 9000)
            << (qint64(1500) * 1126 + 2 * qint64(750) * 563) * 128;
        QTest::newRow("progressive colour claiming 5000 x 4000, admitted")
            << true << false << QSize(5000, 4000) << (qint64(626) * 500 + 2 * 313 * 250) * 128;
        QTest::newRow("baseline claiming 15800 x 15800 needs no such buffer")
            << false << true << QSize(15800, 15800) << qint64(0);
    }
    void coefficientBufferIsBounded() {
        QFETCH(bool, progressive);
        QFETCH(bool, grey);
        QFETCH(QSize, claimed);
        QFETCH(qint64, coefficientBytes);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(progressive);
        const QImage photo = PhotoLikeImage({64, 48});
        QVERIFY(writer.write(grey ? photo.convertToFormat(QImage::Format_Grayscale8) : photo));
        const QString file = path("claims.jpg");
        WriteFile(file, WithClaimedSize(jpeg, claimed.width(), claimed.height()));

        const ImageHeader header = ReadImageHeader(file);
        QCOMPARE(header.storedSize, claimed);
        QCOMPARE(header.coefficientBytes, coefficientBytes);
        QCOMPARE(header.isValid(), coefficientBytes <= MaxCoefficientBytes);
        if (!header.isValid()) {
            QCOMPARE(ImageSize(file), QSize());
            QVERIFY(DecodeImagePart(file, QRectF(0, 0, 64, 48), QSize(8, 6)).image.isNull());
        }
        // The same file at its real size decodes.
        WriteFile(file, jpeg);
        QCOMPARE(DecodeImage(file).size(), QSize(64, 48));
    }

    // Opening a named pipe for reading waits for a writer; a device may never end.
    void onlyRegularFilesAreRead() {
        const QString fifo = path("pipe.jpg");
        const QByteArray name = QFile::encodeName(fifo);
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        auto reading = std::async(std::launch::async, [&] {
            return !ReadImageHeader(fifo).isValid() && DecodeImage(fifo).isNull() &&
                   DecodeImagePart(fifo, QRectF(0, 0, 8, 8), QSize(8, 8)).image.isNull() &&
                   DecodeImage(QStringLiteral("/dev/zero")).isNull() &&
                   DecodeImage(dir.path()).isNull();
        });
        if (reading.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            // Free the reader so that the test can end: each open of it finds a writer.
            while (reading.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
                const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ::close(fd);
                }
            }
            QFAIL("Reading a named pipe waited for a writer");
        }
        QVERIFY(reading.get());
        QFile::remove(fifo);
    }

    void formats_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("JPEG") << "q.jpg";
        QTest::newRow("BMP") << "q.bmp";
        QTest::newRow("PNG") << "q.png";
        QTest::newRow("WebP") << "q.webp";
        QTest::newRow("HEIC") << "q.heic";
        QTest::newRow("AVIF") << "q.avif";
    }
    void formats() {
        QFETCH(QString, name);
        WriteImage(path(name), QuadrantImage({80, 60}));
        const QImage image = DecodeImage(path(name));
        QCOMPARE(image.size(), QSize(80, 60));
        QCOMPARE(ImageSize(path(name)), QSize(80, 60));
        QCOMPARE(Corners(image), (QStringList{"red", "green", "blue", "yellow"}));
    }

    // JPEGs in other colour spaces look as the toolkit's own reader shows them.
    void jpegColourSpaces_data() {
        QTest::addColumn<QByteArray>("jpeg");
        const QImage photo = PhotoLikeImage({120, 90});
        QTest::newRow("grey") << EncodeImage(photo.convertToFormat(QImage::Format_Grayscale8),
                                             "JPEG", 95);
        QTest::newRow("Adobe CMYK") << EncodeCmykJpeg(photo);
    }
    void jpegColourSpaces() {
        QFETCH(QByteArray, jpeg);
        const QString file = path("space.jpg");
        WriteFile(file, jpeg);
        const QImage reference = QImage::fromData(jpeg, "JPEG");
        QVERIFY(!reference.isNull());
        const Difference d = CompareImages(DecodeImage(file), reference);
        QVERIFY2(d.mean < 1 && d.max <= 2, qPrintable(QString::number(d.max)));
        // Reduced, it shows the same.
        const DecodedPart part = DecodeImagePart(file, QRectF(0, 0, 120, 90), QSize(30, 22));
        QCOMPARE(part.image.size(), QSize(30, 23));
    }

    // The orientation as each container stores it: EXIF in JPEG and WebP, the container's turn
    // and mirror in HEIC and AVIF.
    void orientation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("upright");
        QTest::addColumn<QStringList>("corners");
        const QSize wide(96, 64), tall(64, 96);
        const struct {
            const char* name;
            QSize upright;
            QStringList corners;
        } cases[] = {
            {"1 normal", wide, {"red", "green", "blue", "yellow"}},
            {"2 mirrored", wide, {"green", "red", "yellow", "blue"}},
            {"3 turned half", wide, {"yellow", "blue", "green", "red"}},
            {"4 flipped", wide, {"blue", "yellow", "red", "green"}},
            {"5 transposed", tall, {"red", "blue", "green", "yellow"}},
            {"6 turned clockwise", tall, {"blue", "red", "yellow", "green"}},
            {"7 transversed", tall, {"yellow", "green", "blue", "red"}},
            {"8 turned anticlockwise", tall, {"green", "yellow", "red", "blue"}},
        };
        for (const char* file : {"photo.jpg", "photo.webp", "photo.heic", "photo.avif",
                                 "photo-grid.heic", "photo-grid.avif"}) {
            for (int i = 0; i < 8; ++i) {
                QTest::addRow("%s, %s", file, cases[i].name)
                    << QString::fromLatin1(file) << i + 1 << cases[i].upright << cases[i].corners;
            }
        }
    }
    void orientation() {
        QFETCH(QString, name);
        QFETCH(int, orientation);
        QFETCH(QSize, upright);
        QFETCH(QStringList, corners);
        const QString file = path(name);
        WriteImage(file, QuadrantImage({96, 64}), orientation);

        QCOMPARE(ImageSize(file), upright);
        QCOMPARE(ReadImageHeader(file).storedSize, QSize(96, 64));
        const QImage image = DecodeImage(file);
        QCOMPARE(image.size(), upright);
        QCOMPARE(Corners(image), corners);
        if (name.endsWith(".heic") || name.endsWith(".avif")) {
            // libheif shows the file the same way.
            QCOMPARE(Corners(DecodeHeifWithLibheif(ReadFile(file))), corners);
        }

        // The mapping from stored to upright coordinates agrees with the decoder.
        const QTransform t =
            OrientationTransform(QSizeF(96, 64), ReadImageHeader(file).transformation);
        QCOMPARE(t.mapRect(QRectF(0, 0, 96, 64)), QRectF(QPointF(0, 0), QSizeF(upright)));
        const QPointF redInUpright = t.map(QPointF(10, 10));
        QCOMPARE(QuadrantAt(image, redInUpright.toPoint()), QStringLiteral("red"));

        // A part decoded at a reduced size shows the same picture.
        const DecodedPart part =
            DecodeImagePart(file, QRectF(QPointF(0, 0), QSizeF(upright)), upright / 8);
        QVERIFY(!part.image.isNull());
        const QImage shown = part.image.copy(part.source.toAlignedRect());
        QCOMPARE(Corners(shown), corners);
    }

    // HEIF files are known by the brands of their first box.
    void heifFilesByTheirBrands_data() {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<bool>("heif");
        const auto ftyp = [](const char* major, const QByteArray& compatible) {
            const int size = 16 + int(compatible.size());
            return QByteArray::fromHex(QByteArray::number(size, 16).rightJustified(8, '0')) +
                   "ftyp" + major + QByteArray(4, '\0') + compatible;
        };
        QTest::newRow("HEIC") << ftyp("heic", "mif1heic") << true;
        QTest::newRow("AVIF") << ftyp("avif", "mif1avifmiaf") << true;
        QTest::newRow("HEVC image sequence") << ftyp("hevc", "msf1") << true;
        QTest::newRow("general brand with HEIC among the compatible")
            << ftyp("mif1", "mif1miafheic") << true;
        QTest::newRow("general brand alone") << ftyp("mif1", "mif1miaf") << false;
        QTest::newRow("an MP4 video") << ftyp("isom", "isomavc1mp41") << false;
        // The box ends before the brand that follows it.
        QTest::newRow("brand beyond the box") << ftyp("mif1", "mif1").append("heic") << false;
        QTest::newRow("cut short") << ftyp("heic", "").left(12) << false;
        QTest::newRow("not a box") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR") << false;
    }
    void heifFilesByTheirBrands() {
        QFETCH(QByteArray, start);
        QFETCH(bool, heif);
        QCOMPARE(imaging::IsHeifFile(start), heif);
    }

    // The colours of HEIF pictures, whole or in tiles, are libheif's own.
    void heifColoursMatchLibheif_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("orientation");
        // An ITU-T H.273 matrix code, or -1 for libheif's default colour description.
        QTest::addColumn<int>("matrix");
        QTest::addColumn<bool>("fullRange");
        QTest::addColumn<QByteArray>("chroma");
        for (const char* file : {"c.heic", "c.avif", "c-grid.heic", "c-grid.avif"}) {
            QTest::addRow("%s", file)
                << QString::fromLatin1(file) << 1 << -1 << true << QByteArray();
            QTest::addRow("%s, turned anticlockwise", file)
                << QString::fromLatin1(file) << 8 << -1 << true << QByteArray();
        }
        const struct {
            const char* title;
            int matrix;
            bool fullRange;
            const char* chroma;
        } codings[] = {
            {"BT.709, limited range", 1, false, "420"},
            {"BT.601, 4:2:2", 6, true, "422"},
            {"BT.2020", 9, true, "420"},
            {"SMPTE 240M, 4:4:4", 7, true, "444"},
            {"RGB coded as it is", 0, true, "444"},
        };
        for (const char* file : {"c.heic", "c.avif"}) {
            for (const auto& coding : codings) {
                QTest::addRow("%s, %s", file, coding.title)
                    << QString::fromLatin1(file) << 1 << coding.matrix << coding.fullRange
                    << QByteArray(coding.chroma);
            }
        }
    }
    void heifColoursMatchLibheif() {
        QFETCH(QString, name);
        QFETCH(int, orientation);
        QFETCH(int, matrix);
        QFETCH(bool, fullRange);
        QFETCH(QByteArray, chroma);
        const QString file = path(name);
        if (matrix < 0) {
            WriteImage(file, PhotoLikeImage({150, 100}), orientation);
        } else {
            const QByteArray coded = EncodeHeif(
                PhotoLikeImage({150, 100}),
                name.endsWith(".avif") ? HeifCodec::Av1 : HeifCodec::Hevc, orientation, 90,
                {matrix, fullRange, chroma.isEmpty() ? nullptr : chroma.constData()});
            QVERIFY(!coded.isEmpty());
            WriteFile(file, coded);
        }
        const Difference d =
            CompareImages(DecodeImage(file), DecodeHeifWithLibheif(ReadFile(file)));
        // libheif rounds a few saturated colours differently.
        QVERIFY2(d.mean < 0.5 && d.max <= 6,
                 qPrintable(QStringLiteral("mean %1, max %2").arg(d.mean).arg(d.max)));
    }

    // Drawing the decoded part gives the same picture as decoding everything and stretching
    // the part, while the decoder delivers far fewer pixels.
    void decodePartMatchesFullDecode_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QRectF>("part");
        QTest::addColumn<QSize>("needed");
        QTest::addColumn<int>("largestWidth");
        QTest::newRow("whole photo, eighth size")
            << "photo.jpg" << QSize(1600, 1200) << 1 << QRectF(0, 0, 1600, 1200) << QSize(200, 150)
            << 200;
        QTest::newRow("centred crop, unaligned edges")
            << "photo.jpg" << QSize(1203, 901) << 1 << QRectF(150.5, 0, 901.3, 901)
            << QSize(202, 152) << 240;
        QTest::newRow("lower right quarter")
            << "photo.jpg" << QSize(1600, 1200) << 1 << QRectF(800, 600, 800, 600)
            << QSize(202, 152) << 408;
        QTest::newRow("turned clockwise by EXIF")
            << "photo.jpg" << QSize(1600, 1200) << 6 << QRectF(0, 200, 1200, 900) << QSize(122, 92)
            << 152;
        QTest::newRow("transposed by EXIF, off-centre")
            << "photo.jpg" << QSize(1603, 1197) << 5 << QRectF(97, 333.3, 1000, 1100)
            << QSize(250, 270) << 300;
        QTest::newRow("needs full size") << "photo.jpg" << QSize(400, 300) << 1
                                         << QRectF(10, 10, 300, 200) << QSize(300, 200) << 400;
        QTest::newRow("HEIC, whole photo, eighth size")
            << "photo.heic" << QSize(1600, 1200) << 1 << QRectF(0, 0, 1600, 1200) << QSize(200, 150)
            << 200;
        QTest::newRow("HEIC turned by the container, off-centre")
            << "photo.heic" << QSize(1603, 1197) << 5 << QRectF(97, 333.3, 1000, 1100)
            << QSize(250, 270) << 300;
        QTest::newRow("AVIF, centred crop, unaligned edges")
            << "photo.avif" << QSize(1203, 901) << 1 << QRectF(150.5, 0, 901.3, 901)
            << QSize(202, 152) << 240;
        QTest::newRow("HEIC grid, cut tiles at the edges, turned clockwise")
            << "photo-grid.heic" << QSize(1000, 700) << 6 << QRectF(50, 100, 600, 800)
            << QSize(150, 200) << 200;
        QTest::newRow("AVIF grid, a small part inside a few tiles")
            << "photo-grid.avif" << QSize(1000, 700) << 1 << QRectF(300.5, 200, 130, 90.5)
            << QSize(60, 40) << 130;
    }
    void decodePartMatchesFullDecode() {
        QFETCH(QString, name);
        QFETCH(QSize, stored);
        QFETCH(int, orientation);
        QFETCH(QRectF, part);
        QFETCH(QSize, needed);
        QFETCH(int, largestWidth);
        const QString file = path(name);
        WriteImage(file, PhotoLikeImage(stored), orientation);

        const DecodedPart decoded = DecodeImagePart(file, part, needed);
        QVERIFY(!decoded.image.isNull());
        QVERIFY2(decoded.image.width() <= largestWidth,
                 qPrintable(QString::number(decoded.image.width())));
        QVERIFY(decoded.source.width() >= needed.width() - 1);
        QVERIFY(decoded.source.height() >= needed.height() - 1);

        QImage fast = NewImage(needed, ImageKind::Rgb);
        Surface(fast).DrawImagePart(decoded.image, QRectF(fast.rect()), decoded.source);
        QImage reference = NewImage(needed, ImageKind::Rgb);
        Surface(reference).DrawImagePart(DecodeImage(file), QRectF(reference.rect()), part);

        const Difference d = CompareImages(fast, reference);
        QVERIFY2(d.mean < 3.0, qPrintable(QString::number(d.mean)));
    }

    void newImage_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<QRgb>("pixel");
        QTest::newRow("ARGB: transparent")
            << int(ImageKind::Argb) << QImage::Format_ARGB32_Premultiplied << QRgb(0);
        QTest::newRow("RGB: black") << int(ImageKind::Rgb) << QImage::Format_RGB32 << qRgb(0, 0, 0);
    }
    void newImage() {
        QFETCH(int, kind);
        QFETCH(QImage::Format, format);
        QFETCH(QRgb, pixel);
        const QImage image = NewImage({7, 5}, ImageKind(kind));
        QCOMPARE(image.size(), QSize(7, 5));
        QCOMPARE(image.format(), format);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 7; ++x) {
                QCOMPARE(image.pixel(x, y), pixel);
            }
        }
        QVERIFY(NewImage({0, 5}, ImageKind(kind)).isNull());
    }

    void premultipliedKeepsOpaqueImagesOpaque() {
        QCOMPARE(Premultiplied(SolidImage({4, 4}, QColor(255, 0, 0, 128))).format(),
                 QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(Premultiplied(QuadrantImage({4, 4})).format(), QImage::Format_RGB32);
        QVERIFY(Premultiplied(QImage()).isNull());
    }

    void copyRect_data() {
        QTest::addColumn<QRectF>("part");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("whole pixels") << QRectF(40, 30, 40, 30) << QRect(40, 30, 40, 30);
        QTest::newRow("fractions round") << QRectF(39.6, 29.4, 40.2, 30.3) << QRect(40, 29, 40, 31);
        QTest::newRow("cut to the image") << QRectF(60, 50, 100, 100) << QRect(60, 50, 20, 10);
        QTest::newRow("outside") << QRectF(100, 100, 5, 5) << QRect();
        QTest::newRow("empty") << QRectF(10, 10, 0, 5) << QRect();
    }
    void copyRect() {
        QFETCH(QRectF, part);
        QFETCH(QRect, expected);
        const QImage source = QuadrantImage({80, 60});
        const QImage copy = CopyRect(source, part);
        if (expected.isNull()) {
            QVERIFY(copy.isNull());
            return;
        }
        QCOMPARE(copy.size(), expected.size());
        QCOMPARE(copy.format(), QImage::Format_RGB32);
        QCOMPARE(copy.pixel(0, 0), source.pixel(expected.topLeft()));
        QCOMPARE(copy.pixel(copy.width() - 1, copy.height() - 1),
                 source.pixel(expected.bottomRight()));
    }

    void turn_data() {
        QTest::addColumn<int>("turn");
        QTest::addColumn<QStringList>("corners");
        QTest::newRow("90 clockwise")
            << int(TurnBy::Clockwise90) << QStringList{"blue", "red", "yellow", "green"};
        QTest::newRow("270 clockwise")
            << int(TurnBy::Clockwise270) << QStringList{"green", "yellow", "red", "blue"};
    }
    void turn() {
        QFETCH(int, turn);
        QFETCH(QStringList, corners);
        const QImage source = QuadrantImage({80, 60});
        const QImage turned = Turn(source, TurnBy(turn));
        QCOMPARE(turned.size(), QSize(60, 80));
        QCOMPARE(Corners(turned), corners);
        // The coordinate mapping agrees with the pixels, to the exact pixel.
        const QTransform t = TurnTransform(QSizeF(80, 60), TurnBy(turn));
        const QPointF mapped = t.map(QPointF(3.5, 7.5));
        QCOMPARE(turned.pixel(int(mapped.x()), int(mapped.y())), source.pixel(3, 7));
    }

    void drawingBlendsSourceOver() {
        QImage target = NewImage({10, 10}, ImageKind::Argb);
        target.fill(qRgb(0, 0, 255));
        Surface(target).DrawImage(SolidImage({2, 2}, QColor(255, 0, 0, 128)), QRectF(0, 0, 10, 10));
        const QColor c = target.pixelColor(5, 5);
        QCOMPARE(c.alpha(), 255);
        QVERIFY(std::abs(c.red() - 128) <= 2);
        QVERIFY(std::abs(c.blue() - 127) <= 2);
    }

    void drawingAtOwnSizeIgnoresResolution() {
        QImage layer = SolidImage({4, 3}, Qt::red);
        layer.setDotsPerMeterX(100);
        layer.setDevicePixelRatio(2.0);
        QImage target = NewImage({10, 10}, ImageKind::Argb);
        Surface(target).DrawImageAt(layer, QPoint(2, 3));
        QCOMPARE(target.pixelColor(5, 5), QColor(Qt::red));
        QCOMPARE(target.pixel(6, 5), 0u);
        QCOMPARE(target.pixel(5, 6), 0u);
        QCOMPARE(target.pixel(1, 3), 0u);
    }

    void drawingStretchesTheSourcePart() {
        QImage target = NewImage({40, 30}, ImageKind::Rgb);
        Surface(target).DrawImagePart(QuadrantImage({80, 60}), QRectF(0, 0, 40, 30),
                                      QRectF(40, 30, 40, 30));
        QCOMPARE(QuadrantAt(target, {2, 2}), QStringLiteral("yellow"));
        QCOMPARE(QuadrantAt(target, {37, 27}), QStringLiteral("yellow"));
    }

    void rotationTurnsClockwiseAboutTheCentre() {
        // A red bar right of the centre ends up below it after 90 degrees.
        QImage target = NewImage({21, 21}, ImageKind::Argb);
        Surface surface(target);
        surface.RotateAbout(QPointF(10.5, 10.5), 90);
        surface.DrawImage(SolidImage({4, 2}, Qt::red), QRectF(14, 10, 4, 2));
        QCOMPARE(qAlpha(target.pixel(16, 10)), 0);
        QCOMPARE(target.pixelColor(9, 16), QColor(Qt::red));
    }
};

QTEST_GUILESS_MAIN(TestImaging)
#include "tst_imaging.moc"
