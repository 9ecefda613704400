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

// A photo file opened for a decoder. It notes when the decoder asks for more data than the file
// holds, which means the file was cut short: some decoders pad the rest and report success.
class PhotoFile : public QFile {
public:
    using QFile::QFile;
    bool readPastEnd() const { return pastEnd; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;

private:
    bool pastEnd = false;
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
std::unique_ptr<ImageDecoder> OpenImageDecoder(const QString& path);

// The decoders, each taking an opened file positioned at its start.
std::unique_ptr<ImageDecoder> NewQtImageDecoder(std::unique_ptr<PhotoFile> file);
std::unique_ptr<ImageDecoder> NewHeifImageDecoder(std::unique_ptr<PhotoFile> file);

// The largest whole reduction of `area` that keeps at least `needed` pixels; at least 1.
int WholeReduction(const QSize& area, const QSize& needed);

}  // namespace imaging
