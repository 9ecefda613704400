#pragma once

#include "Imaging.h"

#include <QFile>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

// The decoders behind the imaging operations, one per kind of container. Internal to imaging.
namespace imaging {

// A photo file opened for a decoder. It notes when a read gives less than was asked for, which
// tells a file cut short where the decoder does not: the toolkit's BMP reader leaves the missing
// rows unwritten and reports success.
class PhotoFile : public QFile {
public:
    void watch() { shortRead = false; }
    bool readShort() const { return shortRead; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;

private:
    bool shortRead = false;
};

// A part of a picture as its file stores it (before the orientation turn): `image` shows the
// stored pixels of `area`, stretched, so image pixel (x, y) covers
// area.x() + x * area.width() / image.width() and so on. `area` may reach past the picture by
// less than one image pixel where the last pixels summarise fewer stored pixels.
struct StoredPart {
    QImage image;
    QRect area;
};

// One opened image file. Decoders never throw and are safe on any input: a damaged file gives
// an invalid header or a null image.
class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;
    // The stored size and the orientation, without decoding pixels.
    virtual ImageHeader header() = 0;
    // Decodes `area` (stored coordinates, inside the picture) reduced as far as the format
    // allows cheaply while keeping at least `needed` pixels. Called once, after a header that
    // was valid.
    virtual StoredPart decode(const QRect& area, const QSize& needed) = 0;
};

// The decoder for the file's content, whatever its name; null when the file cannot be opened.
// Only a regular file is opened, and never in a way that could wait for a writer.
std::unique_ptr<ImageDecoder> OpenImageDecoder(const QString& path);

// The decoders, each taking an opened file positioned at its start.
std::unique_ptr<ImageDecoder> NewJpegDecoder(std::unique_ptr<PhotoFile> file);
std::unique_ptr<ImageDecoder> NewQtImageDecoder(std::unique_ptr<PhotoFile> file);
std::unique_ptr<ImageDecoder> NewHeifImageDecoder(std::unique_ptr<PhotoFile> file);

// Whether a decoded image of this size stays within the toolkit's allocation limit, which its
// own readers keep too.
bool WithinAllocationLimit(const QSize& size);

// The largest whole reduction of `area` that keeps at least `needed` pixels; at least 1.
int WholeReduction(const QSize& area, const QSize& needed);

}  // namespace imaging
