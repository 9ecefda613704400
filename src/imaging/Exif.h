#pragma once

#include <QByteArrayView>
#include <QImageIOHandler>

class QIODevice;

// The orientation of EXIF data, for containers whose decoders do not read it. Internal to imaging.
namespace imaging {

// The toolkit's transformation for an EXIF orientation value 1..8; none for other values.
QImageIOHandler::Transformations TransformationOfExifOrientation(int orientation);

// The orientation tag of EXIF data: a TIFF structure, optionally after "Exif\0\0". None when
// there is no such tag or the data is damaged.
QImageIOHandler::Transformations ExifTransformation(QByteArrayView exif);

// The orientation in the "EXIF" chunk of a WebP file read from its start. None without one.
QImageIOHandler::Transformations WebpTransformation(QIODevice& file);

}  // namespace imaging
