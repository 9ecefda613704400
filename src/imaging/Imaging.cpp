#include "Imaging.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

// A file that notes when the decoder asks for more data than the file holds, which for a
// JPEG means it was cut short: libjpeg would pad the rest with grey and report success.
class EndWatchingFile : public QFile {
public:
    using QFile::QFile;
    bool readPastEnd() const { return pastEnd; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = QFile::readData(data, maxSize);
        if (n == 0 && maxSize > 0) {
            pastEnd = true;
        }
        return n;
    }

private:
    bool pastEnd = false;
};

// One opened file with its reader; the reader follows the EXIF orientation.
struct OpenedImage {
    explicit OpenedImage(const QString& path) : file(path) {
        // Unbuffered, so that every read the decoder makes reaches readData.
        if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            reader.setDevice(&file);
            reader.setAutoTransform(true);
            // Asked before reading: afterwards the reader no longer knows it.
            isJpeg = reader.format() == "jpeg";
        }
    }
    ImageHeader header() {
        if (!file.isOpen()) {
            return {};
        }
        const QSize stored = reader.size();
        return {stored,
                stored.isValid() ? reader.transformation() : QImageIOHandler::TransformationNone};
    }
    QImage read() {
        QImage image = reader.read();
        if (image.isNull() || (isJpeg && file.readPastEnd())) {
            return {};
        }
        image.setDevicePixelRatio(1.0);
        return image;
    }

    EndWatchingFile file;
    QImageReader reader;
    bool isJpeg = false;
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
           qint64(storedSize.width()) * storedSize.height() <= MaxImagePixels;
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
