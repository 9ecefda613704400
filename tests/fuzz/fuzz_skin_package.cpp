// The skin package loader on any file, followed by a frame composed with the skin it loaded.

#include "FuzzSupport.h"
#include "SkinFuzzing.h"
#include "core/GlobalsUnit.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SetUpFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = SkinsFolder + QStringLiteral("Fuzz.TQSkin");
    WriteScratchFile(path, Bytes(data, size));
    LoadAndCompose(path, size % 2 == 1);
    return 0;
}
