// The formats read through the toolkit's image plugins: BMP, PNG, WebP and the rest. They are
// decoded whole; the part shown is cut out when it is drawn.

#include "Exif.h"
#include "ImageDecoder.h"

#include <QImageReader>

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
