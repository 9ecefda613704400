#include "Imaging.h"

#include "ImageDecoder.h"

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

bool TurnsByQuarter(QImageIOHandler::Transformations transformation) {
    return transformation.testFlag(QImageIOHandler::TransformationRotate90);
}

// The stored picture shown upright: mirrored, flipped, then turned clockwise, as the toolkit
// orders them.
QImage Upright(QImage image, QImageIOHandler::Transformations transformation) {
    const bool mirror = transformation.testFlag(QImageIOHandler::TransformationMirror);
    const bool flip = transformation.testFlag(QImageIOHandler::TransformationFlip);
    if (mirror || flip) {
        image = std::move(image).mirrored(mirror, flip);
    }
    if (TurnsByQuarter(transformation)) {
        image = image.transformed(QTransform().rotate(90));
    }
    return image;
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
    const auto decoder = OpenImageDecoder(path);
    return decoder ? decoder->header() : ImageHeader{};
}

QSize ImageSize(const QString& path) {
    const ImageHeader header = ReadImageHeader(path);
    return header.isValid() ? header.size() : QSize();
}

QImage DecodeImage(const QString& path) {
    const auto decoder = OpenImageDecoder(path);
    const ImageHeader header = decoder ? decoder->header() : ImageHeader{};
    if (!header.isValid()) {
        return {};
    }
    StoredPart whole = decoder->decode(QRect(QPoint(0, 0), header.storedSize), header.storedSize);
    if (whole.image.size() != header.storedSize) {
        return {};
    }
    return Upright(std::move(whole.image), header.transformation);
}

DecodedPart DecodeImagePart(const QString& path, const QRectF& requested, const QSize& needed) {
    const auto decoder = OpenImageDecoder(path);
    const ImageHeader header = decoder ? decoder->header() : ImageHeader{};
    if (!header.isValid() || needed.isEmpty()) {
        return {};
    }
    const QRectF part = requested.intersected(QRectF(QPointF(0, 0), QSizeF(header.size())));
    if (part.isEmpty()) {
        return {};
    }
    // Decoders work in stored coordinates; the turn is applied to the reduced picture.
    const QTransform toUpright = OrientationTransform(header.storedSize, header.transformation);
    const QRect area = toUpright.inverted().mapRect(part).toAlignedRect().intersected(
        QRect(QPoint(0, 0), header.storedSize));
    const QSize storedNeeded = TurnsByQuarter(header.transformation) ? needed.transposed() : needed;
    StoredPart stored = decoder->decode(area, storedNeeded);
    if (stored.image.isNull() || stored.area.isEmpty()) {
        return {};
    }
    QImage image = Upright(std::move(stored.image), header.transformation);
    const QRectF uprightArea = toUpright.mapRect(QRectF(stored.area));
    const double sx = image.width() / uprightArea.width();
    const double sy = image.height() / uprightArea.height();
    const QRectF source((part.x() - uprightArea.x()) * sx, (part.y() - uprightArea.y()) * sy,
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
