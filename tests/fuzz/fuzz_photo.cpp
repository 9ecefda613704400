// Photo decoding on any file, as a refresh does it: the header for the orientation, then the
// part the photo area shows, decoded at the size it is needed. The parameters of the crop
// come from the input.

#include "FuzzSupport.h"
#include "core/GlobalsUnit.h"
#include "frame/FrameComposition.h"
#include "imaging/Imaging.h"
#include "photos/FilesUnit.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SetUpFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = ScratchFolder() + QStringLiteral("photo.jpg");
    WriteScratchFile(path, Bytes(data, size));
    const imaging::ImageHeader header = imaging::ReadImageHeader(path);
    if (header.isValid() &&
        (qint64(header.storedSize.width()) * header.storedSize.height() > imaging::MaxImagePixels ||
         header.coefficientBytes > imaging::MaxCoefficientBytes)) {
        FuzzFailure("a header beyond the limits passed as valid");
    }
    TFiles::FileOrientation(path);
    const unsigned pick = size > 0 ? data[size / 2] : 0;
    const QSize target(pick % 2 ? 182 : 274, pick % 2 ? 274 : 182);
    const QImage photo = PreparePhoto(path, pick & 4, int(pick % 61), int(pick % 201) - 100,
                                      int((pick * 7) % 201) - 100, target);
    if (!photo.isNull() && photo.size() != target) {
        FuzzFailure("a prepared photo of the wrong size");
    }
    return 0;
}
