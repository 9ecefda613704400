#include "Imaging.h"

#include "platform/Platform.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <vector>

namespace imaging {

namespace {

// A file that notes how the decoder's reads met the end of the file, which tells a file cut
// short: libjpeg pads a cut JPEG with grey and the BMP reader leaves the missing rows
// unwritten, and both report success.
class EndWatchingFile : public QFile {
public:
    void watch() {
        pastEnd = false;
        shortRead = false;
    }
    // Data was asked for at the end of the file.
    bool readPastEnd() const { return pastEnd; }
    // A read gave fewer bytes than were asked for.
    bool readShort() const { return shortRead; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = QFile::readData(data, maxSize);
        if (n < maxSize) {
            shortRead = true;
            pastEnd = pastEnd || n == 0;
        }
        return n;
    }

private:
    bool pastEnd = false;
    bool shortRead = false;
};

// Reads a device byte by byte through a small buffer; skips by seeking.
class ByteReader {
public:
    explicit ByteReader(QIODevice& device) : device(device) {}

    // The next byte, or -1 at the end.
    int next() {
        if (at == buffer.size()) {
            buffer = device.read(4096);
            at = 0;
            if (buffer.isEmpty()) {
                return -1;
            }
        }
        return static_cast<unsigned char>(buffer[at++]);
    }
    // A big-endian 16-bit value, or -1 at the end.
    int word() {
        const int high = next();
        const int low = next();
        return high < 0 || low < 0 ? -1 : high << 8 | low;
    }
    bool skip(qint64 count) {
        const qint64 buffered = buffer.size() - at;
        if (count <= buffered) {
            at += count;
            return true;
        }
        const qint64 target = device.pos() + (count - buffered);
        buffer.clear();
        at = 0;
        return target <= device.size() && device.seek(target);
    }

private:
    QIODevice& device;
    QByteArray buffer;
    qsizetype at = 0;
};

// The bytes of the whole-image coefficient buffer that libjpeg allocates for the JPEG on
// `device`: needed when the file is progressive or its first scan lacks a component, and
// sized from the frame header alone. Follows the markers as libjpeg does, up to the first
// scan; 0 when no buffer is needed or the decoder would refuse the header anyway.
qint64 JpegCoefficientBytes(QIODevice& device) {
    ByteReader in(device);
    if (in.next() != 0xFF || in.next() != 0xD8) {
        return 0;
    }
    struct Sampling {
        int h;
        int v;
    };
    std::vector<Sampling> components;
    qint64 width = 0;
    qint64 height = 0;
    bool progressive = false;
    for (;;) {
        // Bytes up to an FF are skipped, as are fill bytes; FF 00 is no marker.
        int code = 0;
        while (code == 0) {
            for (int b = in.next(); b != 0xFF; b = in.next()) {
                if (b < 0) {
                    return 0;
                }
            }
            do {
                code = in.next();
            } while (code == 0xFF);
            if (code < 0) {
                return 0;
            }
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            continue;  // markers without a length
        }
        if (code == 0xD8 || code == 0xD9) {
            return 0;
        }
        const int length = in.word();
        if (length < 2) {
            return 0;
        }
        const bool frame =
            code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (frame) {
            if (!components.empty()) {
                return 0;
            }
            in.next();  // sample precision
            height = in.word();
            width = in.word();
            const int count = in.next();
            if (height <= 0 || width <= 0 || count <= 0 || length != 8 + 3 * count) {
                return 0;
            }
            for (int i = 0; i < count; ++i) {
                in.next();  // component id
                const int factors = in.next();
                in.next();  // quantisation table
                const Sampling sampling{factors >> 4, factors & 15};
                if (factors < 0 || sampling.h < 1 || sampling.h > 4 || sampling.v < 1 ||
                    sampling.v > 4) {
                    return 0;
                }
                components.push_back(sampling);
            }
            progressive = code == 0xC2 || code == 0xC6 || code == 0xCA || code == 0xCE;
        } else if (code == 0xDA) {
            const int inScan = in.next();
            if (components.empty() || inScan < 0 ||
                (!progressive && inScan >= int(components.size()))) {
                return 0;
            }
            int maxH = 1;
            int maxV = 1;
            for (const Sampling& c : components) {
                maxH = std::max(maxH, c.h);
                maxV = std::max(maxV, c.v);
            }
            const auto blocks = [](qint64 pixels, int factor, int maxFactor) {
                const qint64 n = (pixels * factor + maxFactor * 8 - 1) / (maxFactor * 8);
                return (n + factor - 1) / factor * factor;  // whole units of the factor
            };
            qint64 total = 0;
            for (const Sampling& c : components) {
                total += blocks(width, c.h, maxH) * blocks(height, c.v, maxV) * 64 * 2;
            }
            return total;
        } else if (!in.skip(length - 2)) {
            return 0;
        }
    }
}

// One opened file with its reader; the reader follows the EXIF orientation. Only a regular
// file is opened, and never in a way that could wait for a writer.
struct OpenedImage {
    explicit OpenedImage(const QString& path) {
        const int fd = platform::OpenRegularFile(path.toStdString());
        // Unbuffered, so that every read the decoder makes reaches readData. A new file
        // takes any open descriptor, and closes it from then on.
        if (fd < 0 || !file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                                 QFileDevice::AutoCloseHandle)) {
            return;
        }
        coefficientBytes = JpegCoefficientBytes(file);
        file.seek(0);
        reader.setDevice(&file);
        reader.setAutoTransform(true);
        // Asked before reading: afterwards the reader no longer knows it.
        format = reader.format();
    }
    ImageHeader header() {
        if (!file.isOpen()) {
            return {};
        }
        const QSize stored = reader.size();
        return {stored,
                stored.isValid() ? reader.transformation() : QImageIOHandler::TransformationNone,
                coefficientBytes};
    }
    QImage read() {
        file.watch();
        QImage image = reader.read();
        // libjpeg reads in blocks, so only a read at the end tells; the BMP reader asks for
        // exactly what it needs.
        const bool cut =
            (format == "jpeg" && file.readPastEnd()) || (format == "bmp" && file.readShort());
        if (image.isNull() || cut) {
            return {};
        }
        image.setDevicePixelRatio(1.0);
        return image;
    }

    EndWatchingFile file;
    QImageReader reader;
    qint64 coefficientBytes = 0;
    QByteArray format;
};

bool TurnsByQuarter(QImageIOHandler::Transformations transformation) {
    return transformation.testFlag(QImageIOHandler::TransformationRotate90);
}

// The smallest multiples of `step` around [low, high), kept inside [0, limit) by dropping an
// unaligned remainder at the far edge: less than one pixel once decoded at 1/step.
bool AlignOutward(double low, double high, int limit, int step, int& from, int& to) {
    from = int(std::floor(low / step)) * step;
    to = int(std::ceil(high / step)) * step;
    from = std::max(from, 0);
    if (to > limit) {
        to = limit - limit % step;
    }
    return to > from;
}

}  // namespace

QSize ImageHeader::size() const {
    return TurnsByQuarter(transformation) ? storedSize.transposed() : storedSize;
}

bool ImageHeader::isValid() const {
    return storedSize.width() > 0 && storedSize.height() > 0 &&
           qint64(storedSize.width()) * storedSize.height() <= MaxImagePixels &&
           coefficientBytes <= MaxCoefficientBytes;
}

ImageHeader ReadImageHeader(const QString& path) {
    return OpenedImage(path).header();
}

QSize ImageSize(const QString& path) {
    const ImageHeader header = ReadImageHeader(path);
    return header.isValid() ? header.size() : QSize();
}

QImage DecodeImage(const QString& path) {
    OpenedImage opened(path);
    if (!opened.header().isValid()) {
        return {};
    }
    return opened.read();
}

DecodedPart DecodeImagePart(const QString& path, const QRectF& requested, const QSize& needed) {
    OpenedImage opened(path);
    const ImageHeader header = opened.header();
    if (!header.isValid() || needed.isEmpty()) {
        return {};
    }
    const QRectF part = requested.intersected(QRectF(QPointF(0, 0), QSizeF(header.size())));
    if (part.isEmpty()) {
        return {};
    }
    // Clip rectangles and scaled sizes are given in stored coordinates.
    const QTransform toUpright = OrientationTransform(header.storedSize, header.transformation);
    const QRectF storedPart = toUpright.inverted().mapRect(part);
    const QSize storedNeeded = TurnsByQuarter(header.transformation) ? needed.transposed() : needed;

    QRect clip(QPoint(0, 0), header.storedSize);
    if (opened.reader.supportsOption(QImageIOHandler::ScaledSize) &&
        opened.reader.supportsOption(QImageIOHandler::ClipRect)) {
        // The largest DCT reduction that still leaves at least the needed pixels.
        int factor = 1;
        for (int f : {8, 4, 2}) {
            if (storedPart.width() / f >= storedNeeded.width() &&
                storedPart.height() / f >= storedNeeded.height()) {
                factor = f;
                break;
            }
        }
        // With a clip, the decoder scales only when the clip is aligned to the factor.
        int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
        if (factor > 1 &&
            !(AlignOutward(storedPart.left(), storedPart.right(), clip.width(), 8, x0, x1) &&
              AlignOutward(storedPart.top(), storedPart.bottom(), clip.height(), 8, y0, y1))) {
            factor = 1;
        }
        if (factor == 1) {
            clip = storedPart.toAlignedRect().intersected(clip);
        } else {
            clip = QRect(x0, y0, x1 - x0, y1 - y0);
            opened.reader.setScaledSize(clip.size() / factor);
        }
        opened.reader.setClipRect(clip);
    }

    QImage image = opened.read();
    if (image.isNull()) {
        return {};
    }
    const QRectF uprightClip = toUpright.mapRect(QRectF(clip));
    const double sx = image.width() / uprightClip.width();
    const double sy = image.height() / uprightClip.height();
    const QRectF source((part.x() - uprightClip.x()) * sx, (part.y() - uprightClip.y()) * sy,
                        part.width() * sx, part.height() * sy);
    const QRectF inside = source.intersected(QRectF(image.rect()));
    return {std::move(image), inside};
}

QImage NewImage(const QSize& size, ImageKind kind) {
    QImage image(
        size, kind == ImageKind::Argb ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (!image.isNull()) {
        image.fill(0);
    }
    return image;
}

QImage Premultiplied(QImage image) {
    if (image.isNull()) {
        return image;
    }
    return std::move(image).convertToFormat(
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

QImage CopyRect(const QImage& image, const QRectF& part) {
    const QRect whole =
        QRect(QPoint(int(std::lround(part.left())), int(std::lround(part.top()))),
              QPoint(int(std::lround(part.right())) - 1, int(std::lround(part.bottom())) - 1));
    const QRect inside = whole.intersected(image.rect());
    if (image.isNull() || inside.isEmpty()) {
        return {};
    }
    return image.copy(inside).convertToFormat(QImage::Format_RGB32);
}

QImage Turn(const QImage& image, TurnBy turn) {
    return image.transformed(QTransform().rotate(turn == TurnBy::Clockwise90 ? 90 : 270));
}

QTransform TurnTransform(const QSizeF& size, TurnBy turn) {
    // Clockwise: (x, y) -> (h - y, x); anticlockwise: (x, y) -> (y, w - x).
    return turn == TurnBy::Clockwise90 ? QTransform(0, 1, -1, 0, size.height(), 0)
                                       : QTransform(0, -1, 1, 0, 0, size.width());
}

QTransform OrientationTransform(const QSizeF& storedSize,
                                QImageIOHandler::Transformations transformation) {
    // The toolkit mirrors, then flips, then turns clockwise.
    QTransform t;
    if (transformation.testFlag(QImageIOHandler::TransformationMirror)) {
        t *= QTransform(-1, 0, 0, 1, storedSize.width(), 0);
    }
    if (transformation.testFlag(QImageIOHandler::TransformationFlip)) {
        t *= QTransform(1, 0, 0, -1, 0, storedSize.height());
    }
    if (TurnsByQuarter(transformation)) {
        t *= TurnTransform(storedSize, TurnBy::Clockwise90);
    }
    return t;
}

Surface::Surface(QImage& target) : painter(&target) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

void Surface::RotateAbout(const QPointF& centre, double degrees) {
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.rotate(degrees);
    t.translate(-centre.x(), -centre.y());
    painter.setWorldTransform(t);
}

void Surface::DrawImage(const QImage& image, const QRectF& target) {
    painter.drawImage(target, image, QRectF(image.rect()));
}

void Surface::DrawImagePart(const QImage& image, const QRectF& target, const QRectF& source) {
    painter.drawImage(target, image, source);
}

void Surface::DrawImageAt(const QImage& image, const QPoint& topLeft) {
    painter.drawImage(QRectF(topLeft, QSizeF(image.size())), image, QRectF(image.rect()));
}

}  // namespace imaging
