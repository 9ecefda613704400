// The formats read through the toolkit's image plugins: BMP, PNG, WebP and the rest. They are
// decoded whole; the part shown is cut out when it is drawn.

#include "Exif.h"
#include "ImageDecoder.h"

#include <QImageReader>
#include <QtEndian>

namespace imaging {

namespace {

const char* KnownFormat(const QByteArray& signature) {
    if (signature.startsWith("\x89PNG\r\n\x1A\n")) {
        return "png";
    }
    if (signature.startsWith("BM")) {
        return "bmp";
    }
    if (signature.startsWith("RIFF") && signature.mid(8, 4) == "WEBP") {
        return "webp";
    }
    if (signature.startsWith("GIF87a") || signature.startsWith("GIF89a")) {
        return "gif";
    }
    return nullptr;
}

// Whether every chunk of a PNG file lies inside the file. libpng allocates, and clears, what a
// chunk claims before reading it: a 337-byte file claiming a text chunk of 789 MB took 1.7 GB.
bool PngChunksInside(QIODevice& file) {
    const qint64 size = file.size();
    for (qint64 at = 8; at + 12 <= size;) {
        QByteArray header;
        if (!file.seek(at) || (header = file.read(8)).size() != 8) {
            return false;
        }
        const quint64 length = qFromBigEndian<quint32>(header.constData());
        if (length > quint64(size - at - 12)) {
            return false;
        }
        if (header.endsWith("IEND")) {
            break;
        }
        at += 12 + qint64(length);
    }
    return file.seek(0);
}

class QtImageDecoder final : public ImageDecoder {
public:
    explicit QtImageDecoder(std::unique_ptr<PhotoFile> opened) : file(std::move(opened)) {
        reader.setDevice(file.get());
        // Recognising a file by its contents loads every image plugin the toolkit has (about a
        // megabyte of libraries kept for the program's life); the common signatures are known.
        const QByteArray signature = file->peek(12);
        if (const char* known = KnownFormat(signature)) {
            reader.setFormat(known);
            reader.setAutoDetectImageFormat(false);
        }
        // The orientation is applied by the caller, on the reduced picture.
        reader.setAutoTransform(false);
        // Asked before reading: afterwards the reader no longer knows it.
        format = reader.format();
        if (format == "png" && !PngChunksInside(*file)) {
            format.clear();
        }
        // The toolkit does not read the orientation of WebP files.
        if (format == "webp") {
            webpTransformation = WebpTransformation(*file);
            if (!file->seek(0)) {
                format.clear();
            }
        }
    }

    ImageHeader header() override {
        const QSize stored = format.isEmpty() ? QSize() : reader.size();
        if (!stored.isValid()) {
            return {};
        }
        return {stored, format == "webp" ? webpTransformation : reader.transformation()};
    }

    StoredPart decode(const QRect&, const QSize&) override {
        file->watch();
        QImage image = reader.read();
        // The BMP reader asks for exactly what it needs, and leaves the rows it cannot read
        // unwritten.
        if (image.isNull() || (format == "bmp" && file->readShort())) {
            return {};
        }
        image.setDevicePixelRatio(1.0);
        const QRect whole = image.rect();
        return {std::move(image), whole};
    }

private:
    std::unique_ptr<PhotoFile> file;
    QImageReader reader;
    QByteArray format;
    QImageIOHandler::Transformations webpTransformation;
};

}  // namespace

std::unique_ptr<ImageDecoder> NewQtImageDecoder(std::unique_ptr<PhotoFile> file) {
    return std::make_unique<QtImageDecoder>(std::move(file));
}

}  // namespace imaging
