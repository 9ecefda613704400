#include "Exif.h"

#include <QIODevice>

namespace imaging {

namespace {

// Reads integers of either byte order out of a TIFF structure, refusing to leave it.
class TiffReader {
public:
    explicit TiffReader(QByteArrayView data) : data(data) {}

    bool readByteOrder() {
        if (data.size() < 8) {
            return false;
        }
        if (data.startsWith("II")) {
            littleEndian = true;
        } else if (!data.startsWith("MM")) {
            return false;
        }
        quint32 magic = 0;
        return u16(2, magic) && magic == 42;
    }
    bool u16(qsizetype at, quint32& value) const { return read(at, 2, value); }
    bool u32(qsizetype at, quint32& value) const { return read(at, 4, value); }

private:
    bool read(qsizetype at, int bytes, quint32& value) const {
        if (at < 0 || at > data.size() - bytes) {
            return false;
        }
        value = 0;
        for (int i = 0; i < bytes; ++i) {
            const quint32 byte = quint8(data[at + (littleEndian ? bytes - 1 - i : i)]);
            value = (value << 8) | byte;
        }
        return true;
    }

    QByteArrayView data;
    bool littleEndian = false;
};

constexpr quint32 OrientationTag = 0x0112;
constexpr quint32 ShortType = 3;

int ExifOrientation(QByteArrayView exif) {
    if (exif.startsWith(QByteArrayView("Exif\0\0", 6))) {
        exif = exif.sliced(6);
    }
    TiffReader tiff(exif);
    quint32 ifd = 0, count = 0;
    if (!tiff.readByteOrder() || !tiff.u32(4, ifd) || !tiff.u16(ifd, count)) {
        return 0;
    }
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype entry = qsizetype(ifd) + 2 + 12 * qsizetype(i);
        quint32 tag = 0, type = 0, value = 0;
        if (!tiff.u16(entry, tag) || !tiff.u16(entry + 2, type)) {
            return 0;
        }
        if (tag == OrientationTag) {
            return type == ShortType && tiff.u16(entry + 8, value) ? int(value) : 0;
        }
    }
    return 0;
}

quint32 LittleEndian32(const QByteArray& bytes, qsizetype at) {
    return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
           quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
}

// EXIF blocks are small; a chunk claiming more is not read.
constexpr quint32 MaxExifBytes = 1 << 20;
// A WebP file holds a handful of chunks; the walk ends after this many.
constexpr int MaxChunks = 64;

}  // namespace

QImageIOHandler::Transformations TransformationOfExifOrientation(int orientation) {
    using T = QImageIOHandler;
    switch (orientation) {
        case 2:
            return T::TransformationMirror;
        case 3:
            return T::TransformationRotate180;
        case 4:
            return T::TransformationFlip;
        case 5:
            return T::TransformationFlipAndRotate90;
        case 6:
            return T::TransformationRotate90;
        case 7:
            return T::TransformationMirrorAndRotate90;
        case 8:
            return T::TransformationRotate270;
        default:
            return T::TransformationNone;
    }
}

QImageIOHandler::Transformations ExifTransformation(QByteArrayView exif) {
    return TransformationOfExifOrientation(ExifOrientation(exif));
}

QImageIOHandler::Transformations WebpTransformation(QIODevice& file) {
    // "RIFF", size, "WEBP", then chunks: a four-letter name, a little-endian size, the data
    // padded to an even length.
    if (!file.seek(0)) {
        return QImageIOHandler::TransformationNone;
    }
    const QByteArray riff = file.read(12);
    if (riff.size() != 12 || !riff.startsWith("RIFF") || riff.sliced(8) != "WEBP") {
        return QImageIOHandler::TransformationNone;
    }
    qint64 at = 12;
    for (int i = 0; i < MaxChunks && file.seek(at); ++i) {
        const QByteArray chunk = file.read(8);
        if (chunk.size() != 8) {
            break;
        }
        const quint32 size = LittleEndian32(chunk, 4);
        if (chunk.startsWith("EXIF")) {
            return size <= MaxExifBytes ? ExifTransformation(file.read(size))
                                        : QImageIOHandler::TransformationNone;
        }
        at += 8 + qint64(size) + (size & 1);
    }
    return QImageIOHandler::TransformationNone;
}

}  // namespace imaging
