#pragma once

#include <QImage>
#include <QImageIOHandler>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTransform>

// The imaging operations the program needs, over Qt's image classes. Decoding never throws
// and never waits: a missing, undecodable, truncated or absurdly large file, and anything
// that is not a regular file (a named pipe, a device), gives a null image.
namespace imaging {

// Images with more pixels than this are refused before decoding: a hostile header could
// otherwise make a scaled decode churn through garbage for seconds.
inline constexpr qint64 MaxImagePixels = 250'000'000;

// A progressive JPEG (or one whose first scan lacks a colour component) is decoded through a
// buffer of all its DCT coefficients, whatever size it is decoded at: 2 bytes a coefficient,
// as its header claims. Files that would need more are refused before decoding. This admits
// progressive photos of about 45 megapixels in full colour resolution and 90 with the usual
// halved chroma; baseline files need no such buffer.
inline constexpr qint64 MaxCoefficientBytes = 256LL * 1024 * 1024;

// What a file's header says, read without decoding pixels.
struct ImageHeader {
    QSize storedSize;  // as stored in the file, before the EXIF turn
    QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone;
    // The whole-image coefficient buffer a JPEG decoder needs for this file; 0 for others.
    qint64 coefficientBytes = 0;
    // The size the picture is shown at: the stored size with the EXIF turn applied.
    QSize size() const;
    // A readable image of a sane size, which decodes in bounded memory.
    bool isValid() const;
};

ImageHeader ReadImageHeader(const QString& path);

// The upright size from the header; an empty size for a file that cannot be read.
QSize ImageSize(const QString& path);

// Decodes the whole file, upright according to its EXIF orientation, without colour
// management. Images over the toolkit's allocation limit are refused (null).
QImage DecodeImage(const QString& path);

// A part of a photo decoded at a reduced size: `image` covers at least the requested part,
// which lies at `source` (pixel coordinates of `image`, fractional).
struct DecodedPart {
    QImage image;
    QRectF source;
};

// Decodes the part `part` (upright pixel coordinates) of the file so that it is at least
// `needed` pixels large, letting the decoder scale down (JPEG DCT scaling) and skip what lies
// outside. Drawing `source` of the result stretched gives the same picture as decoding the
// whole file and stretching `part`, at a fraction of the time and memory.
DecodedPart DecodeImagePart(const QString& path, const QRectF& part, const QSize& needed);

enum class ImageKind {
    Argb,  // premultiplied alpha; new pixels are transparent
    Rgb,   // opaque; new pixels are black
};
QImage NewImage(const QSize& size, ImageKind kind);

// The premultiplied form, which draws fastest; opaque images keep their opaque format.
QImage Premultiplied(QImage image);

// Copies the part (rounded to whole pixels) out as an opaque image; null when the part is
// empty or lies outside the image.
QImage CopyRect(const QImage& image, const QRectF& part);

enum class TurnBy { Clockwise90, Clockwise270 };
QImage Turn(const QImage& image, TurnBy turn);
// Maps coordinates in an image of `size` to the coordinates after the turn.
QTransform TurnTransform(const QSizeF& size, TurnBy turn);
// Maps stored coordinates to upright ones for an EXIF orientation.
QTransform OrientationTransform(const QSizeF& storedSize,
                                QImageIOHandler::Transformations transformation);

// Draws onto an image with source-over blending and bilinear filtering, optionally rotated.
class Surface {
public:
    explicit Surface(QImage& target);
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Later drawing is rotated about `centre` by `degrees`, positive clockwise on screen.
    void RotateAbout(const QPointF& centre, double degrees);
    // The whole image stretched into `target`.
    void DrawImage(const QImage& image, const QRectF& target);
    // The part `source` of the image stretched into `target`.
    void DrawImagePart(const QImage& image, const QRectF& target, const QRectF& source);
    // The image at its own pixel size, whatever resolution its file stored.
    void DrawImageAt(const QImage& image, const QPoint& topLeft);

private:
    QPainter painter;
};

}  // namespace imaging
