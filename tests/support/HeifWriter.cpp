#include "HeifWriter.h"

#include "imaging/HeifContainer.h"

#include <QBuffer>
#include <QRect>

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct HeifFree {
    void operator()(heif_context* p) const { heif_context_free(p); }
    void operator()(heif_encoder* p) const { heif_encoder_release(p); }
    void operator()(heif_image* p) const { heif_image_release(p); }
    void operator()(const heif_image* p) const { heif_image_release(p); }
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
    void operator()(heif_encoding_options* p) const { heif_encoding_options_free(p); }
};
template <typename T>
using HeifPtr = std::unique_ptr<T, HeifFree>;

bool Ok(heif_error error) {
    if (error.code != heif_error_Ok) {
        qWarning("libheif: %s", error.message);
        return false;
    }
    return true;
}

// The coded picture of a one-picture file made by EncodeHeif, and its properties.
struct CodedPicture {
    QByteArray type;
    QByteArray data;
    std::vector<QByteArray> properties;
    std::vector<bool> essential;
};

std::optional<CodedPicture> ReadCodedPicture(QByteArray file) {
    QBuffer buffer(&file);
    imaging::HeifContainer container;
    if (!buffer.open(QIODevice::ReadOnly) || !container.read(buffer)) {
        return std::nullopt;
    }
    const imaging::HeifItem& item = *container.primary();
    CodedPicture picture{item.type, container.itemData(buffer, item), {}, item.essential};
    for (const quint32 index : item.properties) {
        picture.properties.push_back(container.properties.at(index));
    }
    return picture;
}

}  // namespace

QByteArray EncodeHeif(const QImage& image, HeifCodec codec, int orientation, int quality,
                      const HeifColourCoding& coding) {
    HeifPtr<heif_context> context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    if (!Ok(heif_context_get_encoder_for_format(
            context.get(), codec == HeifCodec::Hevc ? heif_compression_HEVC : heif_compression_AV1,
            &rawEncoder))) {
        return {};
    }
    HeifPtr<heif_encoder> encoder(rawEncoder);
    heif_encoder_set_lossy_quality(encoder.get(), quality);
    if (codec == HeifCodec::Av1) {
        heif_encoder_set_parameter_integer(encoder.get(), "speed", 9);
    } else {
        heif_encoder_set_parameter_string(encoder.get(), "preset", "ultrafast");
    }
    heif_image* rawPicture = nullptr;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (!Ok(heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB,
                              heif_chroma_interleaved_RGB, &rawPicture))) {
        return {};
    }
    HeifPtr<heif_image> picture(rawPicture);
    if (!Ok(heif_image_add_plane(picture.get(), heif_channel_interleaved, rgb.width(), rgb.height(),
                                 8))) {
        return {};
    }
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(picture.get(), heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y) {
        std::memcpy(plane + qsizetype(y) * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    }
    if (coding.chroma) {
        heif_encoder_set_parameter_string(encoder.get(), "chroma", coding.chroma);
    }
    HeifPtr<heif_encoding_options> options(heif_encoding_options_alloc());
    options->image_orientation = heif_orientation(orientation);
    const std::unique_ptr<heif_color_profile_nclx, void (*)(heif_color_profile_nclx*)> nclx(
        coding.matrix >= 0 ? heif_nclx_color_profile_alloc() : nullptr,
        heif_nclx_color_profile_free);
    if (nclx) {
        nclx->matrix_coefficients = heif_matrix_coefficients(coding.matrix);
        nclx->full_range_flag = coding.fullRange ? 1 : 0;
        options->output_nclx_profile = nclx.get();
        if (!Ok(heif_image_set_nclx_color_profile(picture.get(), nclx.get()))) {
            return {};
        }
    }
    if (!Ok(heif_context_encode_image(context.get(), picture.get(), encoder.get(), options.get(),
                                      nullptr))) {
        return {};
    }
    QByteArray bytes;
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* userdata) {
                           static_cast<QByteArray*>(userdata)->append(
                               static_cast<const char*>(data), qsizetype(size));
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
                       }};
    Ok(heif_context_write(context.get(), &writer, &bytes));
    return bytes;
}

QImage DecodeHeifWithLibheif(const QByteArray& heif) {
    HeifPtr<heif_context> context(heif_context_alloc());
    heif_image_handle* rawHandle = nullptr;
    if (!Ok(heif_context_read_from_memory_without_copy(context.get(), heif.constData(),
                                                       size_t(heif.size()), nullptr)) ||
        !Ok(heif_context_get_primary_image_handle(context.get(), &rawHandle))) {
        return {};
    }
    HeifPtr<heif_image_handle> handle(rawHandle);
    heif_image* rawPicture = nullptr;
    if (!Ok(heif_decode_image(handle.get(), &rawPicture, heif_colorspace_RGB,
                              heif_chroma_interleaved_RGB, nullptr))) {
        return {};
    }
    HeifPtr<const heif_image> picture(rawPicture);
    int stride = 0;
    const uint8_t* plane =
        heif_image_get_plane_readonly(picture.get(), heif_channel_interleaved, &stride);
    const int w = heif_image_get_primary_width(picture.get());
    const int h = heif_image_get_primary_height(picture.get());
    return QImage(plane, w, h, stride, QImage::Format_RGB888).convertToFormat(QImage::Format_RGB32);
}

QByteArray EncodeHeifGrid(const QImage& image, HeifCodec codec, const QSize& tile, int orientation,
                          int quality) {
    const int columns = (image.width() + tile.width() - 1) / tile.width();
    const int rows = (image.height() + tile.height() - 1) / tile.height();
    const int count = rows * columns;
    if (rows > 256 || columns > 256 || count + 1 > 0xFFFF) {
        return {};
    }
    // The property boxes of all items, each once, and which of them each item has.
    std::vector<QByteArray> boxes;
    const auto indexOf = [&](const QByteArray& box) {
        const auto found = std::find(boxes.begin(), boxes.end(), box);
        if (found != boxes.end()) {
            return quint32(found - boxes.begin());
        }
        boxes.push_back(box);
        return quint32(boxes.size() - 1);
    };
    struct Association {
        std::vector<quint32> indices;
        std::vector<bool> essential;
    };
    std::vector<Association> associations(size_t(count) + 1);
    std::vector<QByteArray> data;
    QByteArray type;
    for (int i = 0; i < count; ++i) {
        const QRect part(QPoint(i % columns * tile.width(), i / columns * tile.height()), tile);
        const auto coded = ReadCodedPicture(EncodeHeif(image.copy(part), codec, 1, quality));
        if (!coded || coded->data.isEmpty()) {
            return {};
        }
        type = coded->type;
        data.push_back(coded->data);
        for (size_t p = 0; p < coded->properties.size(); ++p) {
            associations[size_t(i)].indices.push_back(indexOf(coded->properties[p]));
            associations[size_t(i)].essential.push_back(coded->essential[p]);
        }
    }
    // The grid: its size, then the turn and mirror as libheif's encoder writes them.
    Association& grid = associations.back();
    imaging::HeifBoxWriter ispe;
    ispe.openFull("ispe", 0, 0);
    ispe.u32(quint32(image.width()));
    ispe.u32(quint32(image.height()));
    ispe.close();
    grid.indices.push_back(indexOf(ispe.bytes));
    grid.essential.push_back(false);
    const auto turned = ReadCodedPicture(
        EncodeHeif(QImage(16, 16, QImage::Format_RGB32), codec, orientation, quality));
    if (!turned) {
        return {};
    }
    for (size_t p = 0; p < turned->properties.size(); ++p) {
        const QByteArray& box = turned->properties[p];
        if (box.mid(4, 4) == "irot" || box.mid(4, 4) == "imir") {
            grid.indices.push_back(indexOf(box));
            grid.essential.push_back(true);
        }
    }

    const bool wide = image.width() > 0xFFFF || image.height() > 0xFFFF;
    const QByteArray brand = codec == HeifCodec::Hevc ? "heic" : "avif";
    const quint32 gridId = quint32(count) + 1;
    imaging::HeifBoxWriter w;
    w.beginPictureFile(brand, gridId);
    // Locations: the tiles in 'mdat' (filled in below), the grid's description in 'idat'.
    w.openFull("iloc", 1, 0);
    w.u8(0x44);
    w.u8(0);
    w.u16(gridId);
    std::vector<qsizetype> offsets;
    for (int i = 0; i < count; ++i) {
        w.u16(quint32(i) + 1);
        w.u16(0);
        w.u16(0);
        w.u16(1);
        offsets.push_back(w.size());
        w.u32(0);
        w.u32(quint32(data[size_t(i)].size()));
    }
    const int description = wide ? 12 : 8;
    w.u16(gridId);
    w.u16(1);
    w.u16(0);
    w.u16(1);
    w.u32(0);
    w.u32(quint32(description));
    w.close();
    w.openFull("iinf", 0, 0);
    w.u16(gridId);
    for (quint32 id = 1; id <= gridId; ++id) {
        w.openFull("infe", 2, id == gridId ? 0 : 1);  // tiles are hidden
        w.u16(id);
        w.u16(0);
        w.raw(id == gridId ? QByteArray("grid") : type);
        w.u8(0);
        w.close();
    }
    w.close();
    w.openFull("iref", 0, 0);
    w.open("dimg");
    w.u16(gridId);
    w.u16(quint32(count));
    for (quint32 id = 1; id < gridId; ++id) {
        w.u16(id);
    }
    w.close();
    w.close();
    w.open("iprp");
    w.open("ipco");
    for (const QByteArray& box : boxes) {
        w.raw(box);
    }
    w.close();
    w.openFull("ipma", 0, 1);
    w.u32(gridId);
    for (quint32 id = 1; id <= gridId; ++id) {
        const Association& a = associations[id - 1];
        w.u16(id);
        w.u8(quint32(a.indices.size()));
        for (size_t i = 0; i < a.indices.size(); ++i) {
            w.u16((a.essential[i] ? 0x8000 : 0) | (a.indices[i] + 1));
        }
    }
    w.close();
    w.close();
    w.open("idat");
    w.u8(0);
    w.u8(wide ? 1 : 0);
    w.u8(quint32(rows - 1));
    w.u8(quint32(columns - 1));
    for (int side : {image.width(), image.height()}) {
        wide ? w.u32(quint32(side)) : w.u16(quint32(side));
    }
    w.close();
    w.close();
    w.open("mdat");
    for (int i = 0; i < count; ++i) {
        w.patch32(offsets[size_t(i)], quint32(w.size()));
        w.raw(data[size_t(i)]);
    }
    w.close();
    return w.bytes;
}
