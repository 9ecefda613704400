#include "ImageSupport.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>

QImage QuadrantImage(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    const int w = size.width() / 2, h = size.height() / 2;
    QPainter p(&image);
    p.fillRect(0, 0, w, h, Qt::red);
    p.fillRect(w, 0, size.width() - w, h, Qt::green);
    p.fillRect(0, h, w, size.height() - h, Qt::blue);
    p.fillRect(w, h, size.width() - w, size.height() - h, Qt::yellow);
    return image;
}

QImage PhotoLikeImage(const QSize& size, int seed) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random{quint32(seed)};
    const int w = size.width(), h = size.height();
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w, v = double(y) / h;
            const int grain = int(random.bounded(9)) - 4;
            line[x] = qRgb(std::clamp(int(255 * u) + grain, 0, 255),
                           std::clamp(int(160 + 90 * std::sin(6.28 * v * 2)) + grain, 0, 255),
                           std::clamp(int(255 * (1 - u) * v) + grain, 0, 255));
        }
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        p.setBrush(QColor::fromHsv(int(random.bounded(360)), 200, 220));
        const int r = int(std::min(w, h) * (0.08 + 0.04 * i));
        p.drawEllipse(QPoint(int(random.bounded(w)), int(random.bounded(h))), r, r);
    }
    return image;
}

QImage SolidImage(const QSize& size, const QColor& color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

QByteArray EncodeImage(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality)) {
        QTest::qFail("The test image could not be encoded", __FILE__, __LINE__);
    }
    return bytes;
}

QByteArray EncodeCmykJpeg(const QImage& image) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);  // errors end the test program: test data only
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    info.write_Adobe_marker = TRUE;
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(image.width()) * 4);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int k = std::max({c.red(), c.green(), c.blue()});
            const auto ink = [&](int v) { return k ? JSAMPLE(v * 255 / k) : JSAMPLE(0); };
            // Inverted: 255 is no ink.
            row[size_t(x) * 4 + 0] = ink(c.red());
            row[size_t(x) * 4 + 1] = ink(c.green());
            row[size_t(x) * 4 + 2] = ink(c.blue());
            row[size_t(x) * 4 + 3] = JSAMPLE(k);
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

namespace {

// A big-endian TIFF structure with one IFD holding the Orientation tag (0x0112).
QByteArray ExifTiff(int orientation) {
    const char tiff[] = {'M', 'M',  0, 42, 0, 0, 0, 8, 0, 1,
                         1,   0x12, 0, 3,  0, 0, 0, 1, 0, char(orientation),
                         0,   0,    0, 0,  0, 0};
    return QByteArray(tiff, sizeof tiff);
}

}  // namespace

QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation) {
    // An APP1 block: marker, length, "Exif\0\0", the TIFF structure.
    const QByteArray body = QByteArray("Exif\0\0", 6) + ExifTiff(orientation);
    QByteArray result = jpeg.left(2);
    result += "\xFF\xE1";
    result += char((body.size() + 2) >> 8);
    result += char((body.size() + 2) & 0xFF);
    result += body;
    result += jpeg.mid(2);
    return result;
}

QByteArray WithClaimedSize(const QByteArray& jpeg, int width, int height) {
    QByteArray result = jpeg;
    for (qsizetype i = 2; i + 9 < result.size();) {
        if (uchar(result[i]) != 0xFF) {
            break;
        }
        const uchar marker = uchar(result[i + 1]);
        const int length = (uchar(result[i + 2]) << 8) | uchar(result[i + 3]);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            result[i + 5] = char(height >> 8);
            result[i + 6] = char(height & 0xFF);
            result[i + 7] = char(width >> 8);
            result[i + 8] = char(width & 0xFF);
            return result;
        }
        i += 2 + length;
    }
    QTest::qFail("No frame header found in the JPEG", __FILE__, __LINE__);
    return result;
}

QByteArray WithWebpExifOrientation(const QByteArray& webp, int orientation) {
    // A simple file is "RIFF", size, "WEBP" and one "VP8 " or "VP8L" chunk; EXIF needs the
    // extended form: a "VP8X" chunk with the EXIF flag and the canvas size first.
    const QSize size = QImage::fromData(webp, "WEBP").size();
    const auto le = [](quint32 v, int bytes) {
        QByteArray out;
        for (int i = 0; i < bytes; ++i) {
            out += char((v >> (8 * i)) & 0xFF);
        }
        return out;
    };
    const QByteArray exif = ExifTiff(orientation);
    QByteArray body = "WEBP";
    body += "VP8X" + le(10, 4) + le(0x08, 4) + le(quint32(size.width() - 1), 3) +
            le(quint32(size.height() - 1), 3);
    body += webp.mid(12);
    body += "EXIF" + le(quint32(exif.size()), 4) + exif;
    if (exif.size() % 2) {
        body += '\0';
    }
    return "RIFF" + le(quint32(body.size()), 4) + body;
}

QByteArray WithClaimedHeifSize(const QByteArray& heif, int side) {
    QByteArray result = heif;
    qsizetype at = 0;
    while ((at = result.indexOf("ispe", at)) >= 0 && at + 16 <= result.size()) {
        for (int field : {8, 12}) {
            for (int i = 0; i < 4; ++i) {
                result[at + field + i] = char((quint32(side) >> (24 - 8 * i)) & 0xFF);
            }
        }
        at += 16;
    }
    return result;
}

void WriteImage(const QString& path, const QImage& image, int orientation) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        QByteArray jpeg = EncodeImage(image, "JPEG", 95);
        WriteFile(path, orientation ? WithExifOrientation(jpeg, orientation) : jpeg);
    } else if (suffix == QLatin1String("webp")) {
        QByteArray webp = EncodeImage(image, "WEBP", 95);
        WriteFile(path, orientation ? WithWebpExifOrientation(webp, orientation) : webp);
    } else if (suffix == QLatin1String("heic") || suffix == QLatin1String("avif")) {
        const HeifCodec codec = suffix == QLatin1String("heic") ? HeifCodec::Hevc : HeifCodec::Av1;
        const int turn = orientation ? orientation : 1;
        const QByteArray heif = QFileInfo(path).completeBaseName().endsWith(QLatin1String("-grid"))
                                    ? EncodeHeifGrid(image, codec, QSize(64, 64), turn)
                                    : EncodeHeif(image, codec, turn);
        if (heif.isEmpty()) {
            QTest::qFail("libheif could not encode the test image", __FILE__, __LINE__);
        }
        WriteFile(path, heif);
    } else {
        WriteFile(path, EncodeImage(image, suffix.toUpper().toLatin1().constData()));
    }
}

QString QuadrantAt(const QImage& image, const QPoint& point) {
    const QColor c = image.pixelColor(point);
    const auto near = [&](int r, int g, int b) {
        return std::abs(c.red() - r) < 60 && std::abs(c.green() - g) < 60 &&
               std::abs(c.blue() - b) < 60;
    };
    if (near(255, 0, 0)) {
        return QStringLiteral("red");
    }
    if (near(0, 255, 0)) {
        return QStringLiteral("green");
    }
    if (near(0, 0, 255)) {
        return QStringLiteral("blue");
    }
    if (near(255, 255, 0)) {
        return QStringLiteral("yellow");
    }
    return {};
}

Difference CompareImages(const QImage& a, const QImage& b) {
    Difference d;
    if (a.size() != b.size() || a.isNull()) {
        QTest::qFail("Images of different sizes", __FILE__, __LINE__);
        d.max = 255;
        d.mean = 255;
        return d;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 total = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            for (int diff :
                 {std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                  std::abs(qBlue(p[col]) - qBlue(q[col]))}) {
                total += diff;
                d.max = std::max(d.max, diff);
            }
        }
    }
    d.mean = double(total) / (3.0 * x.width() * x.height());
    return d;
}
