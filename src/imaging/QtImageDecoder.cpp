// The formats read through the toolkit's image plugins: JPEG, BMP, PNG, WebP and the rest.

#include "Exif.h"
#include "ImageDecoder.h"
#include "JpegCoefficients.h"

#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

// The smallest multiples of `step` around [low, high), kept inside [0, limit) by dropping an
// unaligned remainder at the far edge: less than one pixel once decoded at 1/step.
bool AlignOutward(int low, int high, int limit, int step, int& from, int& to) {
    from = low / step * step;
    to = (high + step - 1) / step * step;
    if (to > limit) {
        to = limit - limit % step;
    }
    return to > from;
}

class QtImageDecoder final : public ImageDecoder {
public:
    explicit QtImageDecoder(std::unique_ptr<PhotoFile> opened) : file(std::move(opened)) {
        coefficientBytes = JpegCoefficientBytes(*file);
        if (!file->seek(0)) {
            return;
        }
        reader.setDevice(file.get());
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
        return {stored, format == "webp" ? webpTransformation : reader.transformation(),
                coefficientBytes};
    }

    StoredPart decode(const QRect& area, const QSize& needed) override {
        QRect clip = area;
        if (reader.supportsOption(QImageIOHandler::ScaledSize) &&
            reader.supportsOption(QImageIOHandler::ClipRect)) {
            // The JPEG plugin scales in the DCT by 1/2, 1/4 or 1/8, and only when the clip is
            // aligned to the factor.
            int factor = 1;
            const int reduction = WholeReduction(area.size(), needed);
            for (int f : {8, 4, 2}) {
                if (reduction >= f) {
                    factor = f;
                    break;
                }
            }
            const QSize stored = reader.size();
            int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
            if (factor > 1 &&
                AlignOutward(area.left(), area.right() + 1, stored.width(), 8, x0, x1) &&
                AlignOutward(area.top(), area.bottom() + 1, stored.height(), 8, y0, y1)) {
                clip = QRect(x0, y0, x1 - x0, y1 - y0);
                reader.setScaledSize(clip.size() / factor);
            }
            if (clip != QRect(QPoint(0, 0), reader.size())) {
                reader.setClipRect(clip);
            }
        } else {
            // Whole-picture decoders: the part is cut out when drawing.
            clip = QRect(QPoint(0, 0), reader.size());
        }
        file->watch();
        QImage image = reader.read();
        // libjpeg reads in blocks, so only a read at the end tells; the BMP reader asks for
        // exactly what it needs.
        const bool cut =
            (format == "jpeg" && file->readPastEnd()) || (format == "bmp" && file->readShort());
        if (image.isNull() || cut) {
            return {};
        }
        image.setDevicePixelRatio(1.0);
        return {std::move(image), clip};
    }

private:
    std::unique_ptr<PhotoFile> file;
    QImageReader reader;
    QByteArray format;
    QImageIOHandler::Transformations webpTransformation;
    qint64 coefficientBytes = 0;
};

}  // namespace

std::unique_ptr<ImageDecoder> NewQtImageDecoder(std::unique_ptr<PhotoFile> file) {
    return std::make_unique<QtImageDecoder>(std::move(file));
}

}  // namespace imaging
