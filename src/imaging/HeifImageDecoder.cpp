// HEIF, HEIC and AVIF through libheif. Pictures are decoded in their own colour planes, without
// the container's turn, and reduced and converted to RGB in one pass over the part that is
// shown. A grid (how phones store large photos) is decoded one tile at a time, and only the
// tiles under the part shown: a 48-megapixel photo never exists in memory at full size. A single
// AV1 picture is decoded by dav1d directly, which libheif would copy and convert.

#include "HeifContainer.h"
#include "HeifLibraries.h"
#include "ImageDecoder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <optional>
#include <vector>

namespace imaging {

namespace {

// libheif decodes a picture that is not a grid whole; a larger one is refused. A grid is
// decoded a tile at a time.
constexpr qint64 MaxWholePictureBytes = 256LL * 1024 * 1024;

// Only used once NewHeifImageDecoder has loaded the library.
const Libheif& Heif() {
    return *LoadedLibheif();
}

struct HeifFree {
    void operator()(heif_context* p) const { Heif().heif_context_free(p); }
    void operator()(const heif_image_handle* p) const { Heif().heif_image_handle_release(p); }
    void operator()(const heif_image* p) const { Heif().heif_image_release(p); }
    void operator()(heif_decoding_options* p) const { Heif().heif_decoding_options_free(p); }
    void operator()(heif_color_profile_nclx* p) const { Heif().heif_nclx_color_profile_free(p); }
};
template <typename T>
using HeifPtr = std::unique_ptr<T, HeifFree>;

// libheif reads through the opened file.
QIODevice& Device(void* userdata) {
    return *static_cast<QIODevice*>(userdata);
}

const heif_reader FileReader = {
    1,
    [](void* userdata) -> int64_t { return Device(userdata).pos(); },
    [](void* data, size_t size, void* userdata) -> int {
        return Device(userdata).read(static_cast<char*>(data), qint64(size)) == qint64(size) ? 0
                                                                                             : 1;
    },
    [](int64_t position, void* userdata) -> int { return Device(userdata).seek(position) ? 0 : 1; },
    [](int64_t target, void* userdata) {
        return target <= Device(userdata).size() ? heif_reader_grow_status_size_reached
                                                 : heif_reader_grow_status_size_beyond_eof;
    },
};

// One colour plane of a decoded picture, or one channel of an interleaved one.
struct Plane {
    const uint8_t* data = nullptr;
    int stride = 0;     // bytes from one row to the next
    int step = 1;       // samples from one pixel to the next
    bool wide = false;  // 16-bit samples
    int shiftX = 0;     // subsampling, as a shift of the picture's coordinates
    int shiftY = 0;
    int width = 0;  // in samples
    int height = 0;

    // The mean of the samples under picture pixels [x0, x1) x [y0, y1).
    double mean(int x0, int x1, int y0, int y1) const {
        const int sx0 = x0 >> shiftX, sx1 = std::min((x1 - 1) >> shiftX, width - 1);
        const int sy0 = y0 >> shiftY, sy1 = std::min((y1 - 1) >> shiftY, height - 1);
        quint64 sum = 0;
        for (int y = sy0; y <= sy1; ++y) {
            const uint8_t* row = data + qsizetype(y) * stride;
            if (wide) {
                const auto* samples = reinterpret_cast<const uint16_t*>(row);
                for (int x = sx0; x <= sx1; ++x) {
                    sum += samples[x * step];
                }
            } else {
                for (int x = sx0; x <= sx1; ++x) {
                    sum += row[x * step];
                }
            }
        }
        return double(sum) / (double(sx1 - sx0 + 1) * (sy1 - sy0 + 1));
    }
};

using Colour = std::array<double, 3>;

// How a decoded picture's planes become red, green and blue.
struct Colours {
    enum Kind { Rgb, YCbCr, Grey } kind = YCbCr;
    double kr = 0.299, kb = 0.114;  // BT.601, libheif's default
    bool fullRange = true;
    int bits = 8;
    std::vector<Plane> planes;

    // The colour of picture pixels [x0, x1) x [y0, y1), not yet clamped to 0..255.
    Colour at(int x0, int x1, int y0, int y1) const {
        const double maxValue = (1 << bits) - 1;
        const double half = 1 << (bits - 1);
        // Samples to the 8-bit scale.
        const double unit = fullRange ? 255.0 / maxValue : 1.0 / (1 << (bits - 8));
        const double c0 = planes[0].mean(x0, x1, y0, y1);
        if (kind == Rgb) {
            return {c0 * unit, planes[1].mean(x0, x1, y0, y1) * unit,
                    planes[2].mean(x0, x1, y0, y1) * unit};
        }
        double y = c0 * unit;
        double cb = kind == Grey ? 0 : (planes[1].mean(x0, x1, y0, y1) - half) * unit;
        double cr = kind == Grey ? 0 : (planes[2].mean(x0, x1, y0, y1) - half) * unit;
        if (!fullRange) {
            y = (y - 16) * 255.0 / 219.0;
            cb *= 255.0 / 224.0;
            cr *= 255.0 / 224.0;
        }
        const double kg = 1 - kr - kb;
        return {y + 2 * (1 - kr) * cr, y - (2 * kb * (1 - kb) * cb + 2 * kr * (1 - kr) * cr) / kg,
                y + 2 * (1 - kb) * cb};
    }
};

// The weights of the colour matrices, by their ITU-T H.273 code; nothing for the rare ones,
// which are left to libheif.
std::optional<std::array<double, 2>> MatrixWeights(int code) {
    switch (code) {
        case heif_matrix_coefficients_ITU_R_BT_709_5:
            return std::array{0.2126, 0.0722};
        case heif_matrix_coefficients_unspecified:
        case heif_matrix_coefficients_ITU_R_BT_470_6_System_B_G:
        case heif_matrix_coefficients_ITU_R_BT_601_6:
            return std::array{0.299, 0.114};
        case heif_matrix_coefficients_US_FCC_T47:
            return std::array{0.30, 0.11};
        case heif_matrix_coefficients_SMPTE_240M:
            return std::array{0.212, 0.087};
        case heif_matrix_coefficients_ITU_R_BT_2020_2_non_constant_luminance:
            return std::array{0.2627, 0.0593};
        default:
            return std::nullopt;
    }
}

// The colour description of a picture: the container's, else the coded stream's.
HeifPtr<heif_color_profile_nclx> ColourDescription(const heif_image_handle* handle,
                                                   const heif_image* picture) {
    heif_color_profile_nclx* raw = nullptr;
    if (Heif().heif_image_handle_get_nclx_color_profile(handle, &raw).code != heif_error_Ok) {
        Heif().heif_nclx_color_profile_free(raw);
        raw = nullptr;
        if (Heif().heif_image_get_nclx_color_profile(picture, &raw).code != heif_error_Ok) {
            Heif().heif_nclx_color_profile_free(raw);
            raw = nullptr;
        }
    }
    return HeifPtr<heif_color_profile_nclx>(raw);
}

// The planes of a decoded picture and how to convert them; nothing for a layout left to
// libheif's own conversion.
std::optional<Colours> DescribePlanes(const heif_image_handle* handle, const heif_image* picture) {
    Colours colours;
    const heif_colorspace space = Heif().heif_image_get_colorspace(picture);
    const heif_chroma chroma = Heif().heif_image_get_chroma_format(picture);
    const auto add = [&](heif_channel channel, int step, int offset) {
        Plane p;
        p.data = Heif().heif_image_get_plane_readonly(picture, channel, &p.stride);
        const bool interleaved = channel == heif_channel_interleaved;
        const int stored = Heif().heif_image_get_bits_per_pixel(picture, channel);
        p.wide = stored > 8 && !interleaved;
        p.step = step;
        p.width = Heif().heif_image_get_width(picture, channel);
        p.height = Heif().heif_image_get_height(picture, channel);
        colours.bits =
            interleaved ? 8 : Heif().heif_image_get_bits_per_pixel_range(picture, channel);
        if (p.data == nullptr || p.width <= 0 || p.height <= 0 || colours.bits < 8 ||
            colours.bits > 16 || (p.wide && stored != 16)) {
            return false;
        }
        p.data += offset;
        colours.planes.push_back(p);
        return true;
    };
    if (chroma == heif_chroma_interleaved_RGB) {
        colours.kind = Colours::Rgb;
        return add(heif_channel_interleaved, 3, 0) && add(heif_channel_interleaved, 3, 1) &&
                       add(heif_channel_interleaved, 3, 2)
                   ? std::optional(colours)
                   : std::nullopt;
    }
    if (space == heif_colorspace_RGB && chroma == heif_chroma_444) {
        colours.kind = Colours::Rgb;
        return add(heif_channel_R, 1, 0) && add(heif_channel_G, 1, 0) && add(heif_channel_B, 1, 0)
                   ? std::optional(colours)
                   : std::nullopt;
    }
    const HeifPtr<heif_color_profile_nclx> nclx = ColourDescription(handle, picture);
    if (nclx) {
        colours.fullRange = nclx->full_range_flag != 0;
    }
    if (space == heif_colorspace_monochrome) {
        colours.kind = Colours::Grey;
        return add(heif_channel_Y, 1, 0) ? std::optional(colours) : std::nullopt;
    }
    if (space != heif_colorspace_YCbCr ||
        (chroma != heif_chroma_420 && chroma != heif_chroma_422 && chroma != heif_chroma_444)) {
        return std::nullopt;
    }
    if (nclx && nclx->matrix_coefficients == heif_matrix_coefficients_RGB_GBR) {
        colours.kind = Colours::Rgb;
        return add(heif_channel_Cr, 1, 0) && add(heif_channel_Y, 1, 0) && add(heif_channel_Cb, 1, 0)
                   ? std::optional(colours)
                   : std::nullopt;
    }
    if (nclx) {
        const auto weights = MatrixWeights(nclx->matrix_coefficients);
        if (!weights) {
            return std::nullopt;
        }
        colours.kr = (*weights)[0];
        colours.kb = (*weights)[1];
    }
    colours.kind = Colours::YCbCr;
    if (!add(heif_channel_Y, 1, 0) || !add(heif_channel_Cb, 1, 0) || !add(heif_channel_Cr, 1, 0)) {
        return std::nullopt;
    }
    colours.planes[1].shiftX = colours.planes[2].shiftX = chroma == heif_chroma_444 ? 0 : 1;
    colours.planes[1].shiftY = colours.planes[2].shiftY = chroma == heif_chroma_420 ? 1 : 0;
    return colours;
}

// Averages every block of `factor` x `factor` stored pixels of `area` into one RGB pixel,
// from pieces of the picture (tiles, or the whole picture) added in any order.
class Reducer {
public:
    Reducer(const QRect& area, int factor, const QSize& picture)
        : area(area),
          factor(factor),
          picture(picture),
          width((area.width() + factor - 1) / factor),
          height((area.height() + factor - 1) / factor),
          image(width, height, QImage::Format_RGB32) {
        if (factor > 1 && !image.isNull()) {
            sums.assign(size_t(width) * size_t(height) * 4, 0.0f);
        }
    }

    // The stored pixels the result covers.
    QRect covered() const { return QRect(area.topLeft(), QSize(width, height) * factor); }
    bool isNull() const { return image.isNull(); }

    // Adds a decoded piece of the picture that lies at `piece`.
    void add(const Colours& colours, const QRect& piece) {
        const QRect inside = piece.intersected(covered()).intersected(QRect({0, 0}, picture));
        if (inside.isEmpty()) {
            return;
        }
        const int oy0 = (inside.top() - area.y()) / factor;
        const int oy1 = (inside.bottom() - area.y()) / factor;
        const int ox0 = (inside.left() - area.x()) / factor;
        const int ox1 = (inside.right() - area.x()) / factor;
        for (int oy = oy0; oy <= oy1; ++oy) {
            const int y0 = std::max(area.y() + oy * factor, inside.top());
            const int y1 = std::min(area.y() + (oy + 1) * factor, inside.bottom() + 1);
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(oy));
            for (int ox = ox0; ox <= ox1; ++ox) {
                const int x0 = std::max(area.x() + ox * factor, inside.left());
                const int x1 = std::min(area.x() + (ox + 1) * factor, inside.right() + 1);
                const Colour c =
                    colours.at(x0 - piece.x(), x1 - piece.x(), y0 - piece.y(), y1 - piece.y());
                if (factor == 1) {
                    line[ox] = qRgb(ToByte(c[0]), ToByte(c[1]), ToByte(c[2]));
                    continue;
                }
                const float weight = float((x1 - x0) * (y1 - y0));
                float* sum = &sums[(size_t(oy) * size_t(width) + size_t(ox)) * 4];
                for (int i = 0; i < 3; ++i) {
                    sum[i] += float(c[size_t(i)]) * weight;
                }
                sum[3] += weight;
            }
        }
    }

    QImage finish() {
        for (int oy = 0; oy < height && factor > 1; ++oy) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(oy));
            for (int ox = 0; ox < width; ++ox) {
                const float* sum = &sums[(size_t(oy) * size_t(width) + size_t(ox)) * 4];
                const float w = std::max(sum[3], 1.0f);
                line[ox] = qRgb(ToByte(sum[0] / w), ToByte(sum[1] / w), ToByte(sum[2] / w));
            }
        }
        return std::move(image);
    }

private:
    static int ToByte(double v) { return int(std::clamp(std::lround(v), 0L, 255L)); }

    QRect area;
    int factor;
    QSize picture;
    int width;
    int height;
    QImage image;
    std::vector<float> sums;  // red, green, blue and weight of each pixel
};

HeifPtr<const heif_image> Decode(const heif_image_handle* handle, bool turned,
                                 heif_colorspace space, heif_chroma chroma) {
    // Turned by libheif only when this reader cannot follow the container's transforms.
    HeifPtr<heif_decoding_options> options(Heif().heif_decoding_options_alloc());
    if (!options) {
        return nullptr;
    }
    options->ignore_transformations = turned ? 0 : 1;
    options->convert_hdr_to_8bit = space == heif_colorspace_RGB ? 1 : 0;
    heif_image* picture = nullptr;
    if (Heif().heif_decode_image(handle, &picture, space, chroma, options.get()).code !=
        heif_error_Ok) {
        Heif().heif_image_release(picture);
        return nullptr;
    }
    return HeifPtr<const heif_image>(picture);
}

// Decodes the picture of `handle` and adds it to the result at `piece`.
bool AddPicture(const heif_image_handle* handle, bool turned, const QRect& piece, Reducer& result) {
    // In the layout libheif chooses (this version gives planar RGB: the cheapest it offers,
    // cheaper than asking for the coded planes); one it does not describe plainly is converted
    // to 8-bit RGB.
    HeifPtr<const heif_image> picture =
        Decode(handle, turned, heif_colorspace_undefined, heif_chroma_undefined);
    std::optional<Colours> colours = picture ? DescribePlanes(handle, picture.get()) : std::nullopt;
    if (!colours) {
        picture.reset();
        picture = Decode(handle, turned, heif_colorspace_RGB, heif_chroma_interleaved_RGB);
        colours = picture ? DescribePlanes(handle, picture.get()) : std::nullopt;
    }
    if (!colours || QSize(Heif().heif_image_get_primary_width(picture.get()),
                          Heif().heif_image_get_primary_height(picture.get())) != piece.size()) {
        return false;
    }
    result.add(*colours, piece);
    return true;
}

struct Dav1dFree {
    void operator()(Dav1dContext* p) const { LoadedDav1d()->dav1d_close(&p); }
};

// A picture dav1d decoded, given back when done.
struct Dav1dPictureRef {
    Dav1dPicture picture{};
    Dav1dPictureRef() = default;
    Dav1dPictureRef(const Dav1dPictureRef&) = delete;
    Dav1dPictureRef& operator=(const Dav1dPictureRef&) = delete;
    ~Dav1dPictureRef() { LoadedDav1d()->dav1d_picture_unref(&picture); }
};

// The planes of a picture decoded by dav1d; nothing for a layout left to libheif.
std::optional<Colours> DescribeAv1Planes(const Dav1dPicture& picture,
                                         const heif_image_handle* handle) {
    // The container's colour description first, as libheif does, else the coded stream's.
    int matrix = picture.seq_hdr ? int(picture.seq_hdr->mtrx) : DAV1D_MC_UNKNOWN;
    bool fullRange = picture.seq_hdr && picture.seq_hdr->color_range;
    heif_color_profile_nclx* raw = nullptr;
    const bool described =
        Heif().heif_image_handle_get_nclx_color_profile(handle, &raw).code == heif_error_Ok;
    const HeifPtr<heif_color_profile_nclx> nclx(raw);
    if (described && nclx) {
        matrix = nclx->matrix_coefficients;
        fullRange = nclx->full_range_flag != 0;
    }

    Colours colours;
    colours.bits = picture.p.bpc;
    colours.fullRange = fullRange;
    const Dav1dPixelLayout layout = picture.p.layout;
    const int shiftX = layout == DAV1D_PIXEL_LAYOUT_I420 || layout == DAV1D_PIXEL_LAYOUT_I422;
    const int shiftY = layout == DAV1D_PIXEL_LAYOUT_I420;
    const auto add = [&](int index) {
        Plane p;
        p.data = static_cast<const uint8_t*>(picture.data[index]);
        p.stride = int(picture.stride[index == 0 ? 0 : 1]);
        p.wide = picture.p.bpc > 8;
        p.shiftX = index == 0 ? 0 : shiftX;
        p.shiftY = index == 0 ? 0 : shiftY;
        p.width = (picture.p.w + (1 << p.shiftX) - 1) >> p.shiftX;
        p.height = (picture.p.h + (1 << p.shiftY) - 1) >> p.shiftY;
        colours.planes.push_back(p);
    };
    if (colours.bits < 8 || colours.bits > 16) {
        return std::nullopt;
    }
    if (layout == DAV1D_PIXEL_LAYOUT_I400) {
        colours.kind = Colours::Grey;
        add(0);
        return colours;
    }
    if (matrix == DAV1D_MC_IDENTITY) {
        if (layout != DAV1D_PIXEL_LAYOUT_I444) {
            return std::nullopt;
        }
        colours.kind = Colours::Rgb;
        add(2);  // red is coded as Cr, green as Y, blue as Cb
        add(0);
        add(1);
        return colours;
    }
    const auto weights = MatrixWeights(matrix);
    if (!weights) {
        return std::nullopt;
    }
    colours.kind = Colours::YCbCr;
    colours.kr = (*weights)[0];
    colours.kb = (*weights)[1];
    add(0);
    add(1);
    add(2);
    return colours;
}

enum class Av1Decoding { Added, DecodedOnly, Refused };

// Decodes a coded AV1 picture with dav1d itself and, when `add` and this reader describes it,
// adds it to the result at `piece`. Through libheif the same picture needs four times its
// pixels at the peak: libheif copies dav1d's picture and converts the copy; here dav1d's own
// picture is read.
Av1Decoding AddAv1Picture(const QByteArray& coded, const heif_image_handle* handle,
                          const QRect& piece, bool add, Reducer& result) {
    const Dav1d* dav1d = LoadedDav1d();
    if (!dav1d) {
        return Av1Decoding::DecodedOnly;  // libheif may still have a decoder
    }
    if (coded.isEmpty()) {
        return Av1Decoding::Refused;
    }
    Dav1dSettings settings;
    dav1d->dav1d_default_settings(&settings);
    settings.max_frame_delay = 1;  // one picture: nothing to gain from frames in flight
    settings.all_layers = 0;
    settings.frame_size_limit = unsigned(MaxWholePictureBytes / 3);
    settings.logger.callback = nullptr;  // a damaged file is refused without a word
    Dav1dContext* raw = nullptr;
    if (dav1d->dav1d_open(&raw, &settings) != 0) {
        return Av1Decoding::Refused;
    }
    const std::unique_ptr<Dav1dContext, Dav1dFree> decoder(raw);
    Dav1dData data{};
    if (dav1d->dav1d_data_wrap(
            &data, reinterpret_cast<const uint8_t*>(coded.constData()), size_t(coded.size()),
            [](const uint8_t*, void*) {}, nullptr) != 0) {
        return Av1Decoding::Refused;
    }
    Dav1dPictureRef picture;
    int got = DAV1D_ERR(EAGAIN);
    // A picture comes after its data; a few rounds allow for frames that are not shown.
    for (int round = 0; round < 16 && got == DAV1D_ERR(EAGAIN); ++round) {
        if (data.sz > 0) {
            const int sent = dav1d->dav1d_send_data(decoder.get(), &data);
            if (sent < 0 && sent != DAV1D_ERR(EAGAIN)) {
                break;
            }
        }
        got = dav1d->dav1d_get_picture(decoder.get(), &picture.picture);
    }
    dav1d->dav1d_data_unref(&data);
    if (got != 0) {
        return Av1Decoding::Refused;
    }
    if (!add || QSize(picture.picture.p.w, picture.picture.p.h) != piece.size()) {
        return Av1Decoding::DecodedOnly;
    }
    const std::optional<Colours> colours = DescribeAv1Planes(picture.picture, handle);
    if (!colours) {
        return Av1Decoding::DecodedOnly;
    }
    result.add(*colours, piece);
    return Av1Decoding::Added;
}

class HeifImageDecoder final : public ImageDecoder {
public:
    explicit HeifImageDecoder(std::unique_ptr<PhotoFile> opened) : file(std::move(opened)) {
        // A file whose boxes this reader cannot take apart is not handed to libheif either:
        // libheif reads damaged boxes leniently and decodes what they point at.
        if (!container.read(*file)) {
            return;
        }
        const QByteArray type = container.primary()->type;
        const HeifTransforms transforms = container.transforms(*container.primary());
        std::optional<HeifGrid> tiles = container.grid(*file);
        // libheif sizes a grid's pieces by what its tiles claim: a grid this reader refused
        // can make it allocate gigabytes for a file of a few hundred bytes.
        if (type != "hvc1" && type != "av01" && !tiles) {
            return;
        }
        if (tiles && transforms.known) {
            grid = std::move(tiles);
            info = {grid->size, transforms.transformation};
            return;
        }
        context.reset(Heif().heif_context_alloc());
        heif_image_handle* primary = nullptr;
        if (!context || !file->seek(0) ||
            Heif().heif_context_read_from_reader(context.get(), &FileReader, file.get(), nullptr)
                    .code != heif_error_Ok ||
            Heif().heif_context_get_primary_image_handle(context.get(), &primary).code !=
                heif_error_Ok) {
            return;
        }
        handle.reset(primary);
        // libheif reports the size as shown. The file's own record of the stored size is not
        // to be trusted: libheif's encoder writes the turned one.
        const QSize upright(Heif().heif_image_handle_get_width(primary),
                            Heif().heif_image_handle_get_height(primary));
        if (transforms.known) {
            const bool quarter =
                transforms.transformation.testFlag(QImageIOHandler::TransformationRotate90);
            info = {quarter ? upright.transposed() : upright, transforms.transformation};
        } else {
            // A crop, or something this reader does not know: libheif does it all.
            info = {upright, QImageIOHandler::TransformationNone};
            libheifTurns = true;
        }
    }

    ImageHeader header() override {
        // A picture coded whole is decoded whole, in planar RGB.
        const bool fits = grid || qint64(info.storedSize.width()) * info.storedSize.height() * 3 <=
                                      MaxWholePictureBytes;
        return (grid || handle) && fits ? info : ImageHeader{};
    }

    StoredPart decode(const QRect& area, const QSize& needed) override {
        const int factor = WholeReduction(area.size(), needed);
        if (!WithinAllocationLimit((area.size() + QSize(factor - 1, factor - 1)) / factor)) {
            return {};
        }
        Reducer result(area, factor, info.storedSize);
        if (result.isNull()) {
            return {};
        }
        const bool complete = grid ? AddTiles(result) : handle && AddWhole(result);
        if (!complete) {
            return {};
        }
        const QRect covered = result.covered();
        return {result.finish(), covered};
    }

private:
    bool AddWhole(Reducer& result) {
        return AddCoded(*container.primary(), handle.get(), libheifTurns,
                        QRect({0, 0}, info.storedSize), result);
    }

    // An AV1 picture goes to dav1d first: libheif (1.15) loses dav1d's input when dav1d refuses
    // it, and needs more memory. libheif gets what dav1d
    // decoded but this reader cannot take as it is: a picture libheif crops, a rare layout.
    bool AddCoded(const HeifItem& item, const heif_image_handle* coded, bool turned,
                  const QRect& piece, Reducer& result) {
        if (item.type == "av01") {
            switch (AddAv1Picture(container.itemData(*file, item), coded, piece, !turned, result)) {
                case Av1Decoding::Added:
                    return true;
                case Av1Decoding::Refused:
                    return false;
                case Av1Decoding::DecodedOnly:
                    break;
            }
        }
        return AddPicture(coded, turned, piece, result);
    }

    // Each tile under the result on its own: copied out as a file of its own for libheif, which
    // reads its properties.
    bool AddTiles(Reducer& result) {
        const QSize tile = grid->tileSize;
        for (int row = 0; row < grid->rows; ++row) {
            for (int column = 0; column < grid->columns; ++column) {
                const QRect piece(QPoint(column * tile.width(), row * tile.height()), tile);
                if (!piece.intersects(result.covered())) {
                    continue;
                }
                const HeifItem* item =
                    container.item(grid->tiles[size_t(row) * size_t(grid->columns) + column]);
                const QByteArray bytes =
                    item ? container.singleItemFile(*file, *item) : QByteArray();
                HeifPtr<heif_context> tileContext(Heif().heif_context_alloc());
                heif_image_handle* raw = nullptr;
                if (bytes.isEmpty() || !tileContext ||
                    Heif().heif_context_read_from_memory_without_copy(
                              tileContext.get(), bytes.constData(), size_t(bytes.size()), nullptr)
                            .code != heif_error_Ok ||
                    Heif().heif_context_get_primary_image_handle(tileContext.get(), &raw).code !=
                        heif_error_Ok) {
                    return false;
                }
                const HeifPtr<const heif_image_handle> tileHandle(raw);
                if (!AddCoded(*item, tileHandle.get(), false, piece, result)) {
                    return false;
                }
            }
        }
        return true;
    }

    // Declared first: libheif reads through it until the context and handle are gone.
    std::unique_ptr<PhotoFile> file;
    HeifContainer container;
    std::optional<HeifGrid> grid;
    HeifPtr<heif_context> context;
    HeifPtr<const heif_image_handle> handle;
    ImageHeader info;
    bool libheifTurns = false;
};

}  // namespace

std::unique_ptr<ImageDecoder> NewHeifImageDecoder(std::unique_ptr<PhotoFile> file) {
    if (!LoadedLibheif()) {
        return nullptr;
    }
    return std::make_unique<HeifImageDecoder>(std::move(file));
}

}  // namespace imaging
