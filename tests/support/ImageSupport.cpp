#include "ImageSupport.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstdlib>

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

QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation) {
    // APP1 "Exif": a big-endian TIFF header and one IFD with the Orientation tag (0x0112).
    const char exif[] = {'\xFF', '\xE1', 0, 34, 'E', 'x', 'i', 'f', 0, 0,
                         'M',    'M',    0, 42, 0,   0,   0,   8,   0, 1,
                         1,      0x12,   0, 3,  0,   0,   0,   1,   0, char(orientation),
                         0,      0,      0, 0,  0,   0};
    QByteArray result = jpeg.left(2);
    result += QByteArray(exif, sizeof exif);
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

void WriteImage(const QString& path, const QImage& image, int exifOrientation) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        QByteArray jpeg = EncodeImage(image, "JPEG", 95);
        WriteFile(path, exifOrientation ? WithExifOrientation(jpeg, exifOrientation) : jpeg);
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
