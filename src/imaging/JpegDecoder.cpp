// JPEG through libjpeg directly: scaled in the DCT, only the rows and columns of the part that
// is shown, straight into the image. libjpeg reports errors by a long jump, so every call into
// it runs in Guarded, in frames that hold nothing with a destructor.

#include "Exif.h"
#include "ImageDecoder.h"
#include "JpegCoefficients.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace imaging {

namespace {

constexpr size_t SourceBufferBytes = 64 * 1024;

// What libjpeg calls back: errors end in a long jump; the source reads the photo file and
// notes when the file ends before the picture does.
struct Callbacks {
    jpeg_error_mgr error{};
    std::jmp_buf jump{};
    jpeg_source_mgr source{};
    PhotoFile* file = nullptr;
    bool cut = false;
    JOCTET buffer[SourceBufferBytes];
};

Callbacks& Of(j_common_ptr info) {
    return *static_cast<Callbacks*>(info->client_data);
}

[[noreturn]] void ErrorExit(j_common_ptr info) {
    std::longjmp(Of(info).jump, 1);
}

// Warnings (corrupt data that libjpeg works around) and traces stay quiet.
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr info) {
    Callbacks& c = Of(reinterpret_cast<j_common_ptr>(info));
    qint64 n = c.file->read(reinterpret_cast<char*>(c.buffer), qint64(SourceBufferBytes));
    if (n <= 0) {
        // The file ended early: libjpeg gets an end marker and decodes the rest as grey,
        // which is not shown.
        c.cut = true;
        c.buffer[0] = 0xFF;
        c.buffer[1] = JPEG_EOI;
        n = 2;
    }
    info->src->next_input_byte = c.buffer;
    info->src->bytes_in_buffer = size_t(n);
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
    if (count <= 0) {
        return;
    }
    jpeg_source_mgr& src = *info->src;
    if (size_t(count) <= src.bytes_in_buffer) {
        src.next_input_byte += count;
        src.bytes_in_buffer -= size_t(count);
        return;
    }
    Callbacks& c = Of(reinterpret_cast<j_common_ptr>(info));
    const qint64 beyond = qint64(count) - qint64(src.bytes_in_buffer);
    src.bytes_in_buffer = 0;
    const qint64 target = c.file->pos() + beyond;
    if (target > c.file->size() || !c.file->seek(target)) {
        c.file->seek(c.file->size());  // the next fill finds the end
    }
}

// The transformation an "Exif" APP1 block asks for.
QImageIOHandler::Transformations SavedExifTransformation(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        const QByteArrayView data(reinterpret_cast<const char*>(m->data),
                                  qsizetype(m->data_length));
        if (m->marker == JPEG_APP0 + 1 && data.startsWith(QByteArrayView("Exif\0\0", 6))) {
            return ExifTransformation(data);
        }
    }
    return QImageIOHandler::TransformationNone;
}

class JpegDecoder final : public ImageDecoder {
public:
    explicit JpegDecoder(std::unique_ptr<PhotoFile> opened) : file(std::move(opened)) {
        coefficientBytes = JpegCoefficientBytes(*file);
        if (!file->seek(0)) {
            return;
        }
        c->file = file.get();
        info.err = jpeg_std_error(&c->error);
        c->error.error_exit = ErrorExit;
        c->error.emit_message = EmitMessage;
        c->error.output_message = OutputMessage;
        info.client_data = c.get();
        c->source.init_source = InitSource;
        c->source.fill_input_buffer = FillInputBuffer;
        c->source.skip_input_data = SkipInputData;
        c->source.resync_to_restart = jpeg_resync_to_restart;
        c->source.term_source = TermSource;
        created = Guarded([&] {
            jpeg_create_decompress(&info);
            info.src = &c->source;
            // libjpeg's own bound, beside the check of the header: a progressive file's
            // coefficients and the few rows it works on.
            info.mem->max_memory_to_use = long(MaxCoefficientBytes + (64 << 20));
            jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
        });
        if (created && Guarded([&] { jpeg_read_header(&info, TRUE); }) && !c->cut) {
            header_ = {QSize(int(info.image_width), int(info.image_height)),
                       SavedExifTransformation(info), coefficientBytes};
        }
    }
    ~JpegDecoder() override {
        if (created) {
            jpeg_destroy_decompress(&info);
        }
    }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    ImageHeader header() override { return header_; }

    StoredPart decode(const QRect& area, const QSize& needed) override {
        if (!header_.storedSize.isValid()) {
            return {};
        }
        // The largest DCT reduction that keeps the needed pixels.
        const int reduction = WholeReduction(area.size(), needed);
        const int factor = reduction >= 8 ? 8 : reduction >= 4 ? 4 : reduction >= 2 ? 2 : 1;
        const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
        JDIMENSION left = JDIMENSION(area.left() / factor);
        JDIMENSION width = 0;
        JDIMENSION top = JDIMENSION(area.top() / factor);
        JDIMENSION bottom = 0;
        if (!Guarded([&] {
                info.scale_num = 1;
                info.scale_denom = unsigned(factor);
                info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
                jpeg_start_decompress(&info);
                // Whole output pixels around the part; libjpeg widens the columns to its
                // blocks.
                const JDIMENSION right =
                    std::min(JDIMENSION((area.right() + factor) / factor), info.output_width);
                bottom =
                    std::min(JDIMENSION((area.bottom() + factor) / factor), info.output_height);
                width = right - std::min(left, right);
                if (width > 0 && width < info.output_width) {
                    jpeg_crop_scanline(&info, &left, &width);
                }
                if (top > 0 && top < bottom) {
                    top = jpeg_skip_scanlines(&info, top);
                }
            }) ||
            width == 0 || top >= bottom ||
            !WithinAllocationLimit(QSize(int(width), int(bottom - top)))) {
            return {};
        }
        QImage image(int(width), int(bottom - top),
                     cmyk ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (image.isNull()) {
            return {};
        }
        const bool read = Guarded([&] {
            while (info.output_scanline < bottom) {
                JSAMPROW row = image.scanLine(int(info.output_scanline - top));
                jpeg_read_scanlines(&info, &row, 1);
            }
            // The rows below are not needed; a progressive file is already read whole.
            if (info.output_scanline == info.output_height) {
                jpeg_finish_decompress(&info);
            } else {
                jpeg_abort_decompress(&info);
            }
        });
        if (!read || c->cut) {
            return {};
        }
        if (cmyk) {
            image = FromInvertedCmyk(std::move(image));
        }
        const QRect covered(int(left) * factor, int(top) * factor, int(width) * factor,
                            image.height() * factor);
        return {std::move(image), covered};
    }

private:
    // Runs calls into libjpeg; false when one of them failed.
    template <typename Calls>
    bool Guarded(Calls&& calls) {
        if (setjmp(c->jump) != 0) {
            return false;
        }
        calls();
        return true;
    }

    // Adobe's CMYK, stored inverted, as the toolkit's reader shows it.
    static QImage FromInvertedCmyk(QImage image) {
        for (int y = 0; y < image.height(); ++y) {
            auto* p = reinterpret_cast<uchar*>(image.scanLine(y));
            auto* out = reinterpret_cast<QRgb*>(p);
            for (int x = 0; x < image.width(); ++x, p += 4) {
                const int k = p[3];
                out[x] = qRgb(k * p[0] / 255, k * p[1] / 255, k * p[2] / 255);
            }
        }
        return std::move(image).convertToFormat(QImage::Format_RGB32);
    }

    std::unique_ptr<PhotoFile> file;
    std::unique_ptr<Callbacks> c = std::make_unique<Callbacks>();
    jpeg_decompress_struct info{};
    bool created = false;
    ImageHeader header_;
    qint64 coefficientBytes = 0;
};

}  // namespace

std::unique_ptr<ImageDecoder> NewJpegDecoder(std::unique_ptr<PhotoFile> file) {
    return std::make_unique<JpegDecoder>(std::move(file));
}

}  // namespace imaging
