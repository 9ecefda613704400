// The skin description on any text, packed by the harness into a valid package with two
// small layer images, so that every input gets past the archive's checks; then loaded and
// composed like any package.

#include "FuzzSupport.h"
#include "SkinFuzzing.h"
#include "core/GlobalsUnit.h"

#include <QBuffer>
#include <QImage>

#include <zip.h>

namespace {

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) {
        FuzzFailure("cannot encode a layer image");
    }
    return bytes;
}

// Writes the package; the buffers must live until the archive is closed.
void WritePackage(const QString& path, const QList<std::pair<const char*, QByteArray>>& entries) {
    int error = 0;
    zip_t* archive = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        FuzzFailure("cannot create the package");
    }
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source =
            zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        if (!source || zip_file_add(archive, name, source, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            FuzzFailure("cannot add to the package");
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        FuzzFailure("cannot write the package");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SetUpFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QByteArray frame = [] {
        QImage image(24, 16, QImage::Format_ARGB32);
        image.fill(QColor(120, 80, 40, 200));
        return Encoded(image, "PNG");
    }();
    static const QByteArray mat = [] {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::white);
        return Encoded(image, "BMP");
    }();
    const QByteArray description = Bytes(data, size);
    const QString path = SkinsFolder + QStringLiteral("Fuzz.TQSkin");
    WritePackage(path, {{"skin.xml", description}, {"frame.png", frame}, {"mat.bmp", mat}});
    LoadAndCompose(path, size % 2 == 1);
    return 0;
}
