#pragma once

#include <QtGlobal>

class QIODevice;

namespace imaging {

// The bytes of the whole-image coefficient buffer that libjpeg allocates for the JPEG on
// `device`, read from the start: needed when the file is progressive or its first scan lacks a
// component, and sized from the frame header alone. 0 when no buffer is needed, for a file
// that is no JPEG, or when the decoder would refuse the header anyway. Internal to imaging.
qint64 JpegCoefficientBytes(QIODevice& device);

}  // namespace imaging
