#include "FrameComposition.h"

#include "core/SettingsUnit.h"
#include "imaging/Imaging.h"
#include "photos/FilesUnit.h"
#include "skins/SkinModel.h"
#include "skins/SkinPackage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

using imaging::ImageKind;
using imaging::Surface;
using imaging::TurnBy;

namespace {

// A transparent border around the frame image softens the rotated frame's outer edges.
constexpr int FrameMargin = 1;

// The photo step of the composition: refreshes the cache when the key changed, then draws it.
void DrawPhoto(TSkin& skin, Surface& surface, const QString& path, bool rotate, int zoom, int hoff,
               int voff, int margin) {
    const QString key = MakePhotoCacheKey(path, rotate, zoom, hoff, voff);
    if (key != skin.PhotoCacheKey) {
        skin.PhotoCache = QImage();
        skin.PhotoCacheKey.clear();
        QImage photo = PreparePhoto(path, rotate, zoom, hoff, voff,
                                    QSize(skin.AreaWidth + 2, skin.AreaHeight + 2));
        if (photo.isNull()) {
            return;  // the next refresh tries again
        }
        skin.PhotoCache = std::move(photo);
        skin.PhotoCacheKey = key;
    }
    surface.DrawImageAt(skin.PhotoCache, QPoint(skin.AreaX - 1 + margin, skin.AreaY - 1 + margin));
}

void DrawLayers(TSkin& skin, Surface& surface, int margin) {
    for (const auto& layer : skin.Layers) {
        if (!layer->Image) {
            // Decoded once; a layer that fails stays null and is not tried again.
            layer->Image =
                imaging::Premultiplied(imaging::DecodeImage(LayerFilePath(layer->FileName)));
        }
        if (!layer->Image->isNull()) {
            surface.DrawImageAt(*layer->Image, QPoint(layer->X + margin, layer->Y + margin));
        }
    }
}

}  // namespace

QImage CropPhoto(QImage photo, int zoom, int hoff, int voff, double aspect) {
    const QImage consumed = std::exchange(photo, QImage());
    if (consumed.isNull()) {
        return {};
    }
    return imaging::CopyRect(consumed, CropRect(consumed.size(), zoom, hoff, voff, aspect));
}

QImage PreparePhoto(const QString& path, bool rotate, int zoom, int hoff, int voff,
                    const QSize& target) {
    if (target.isEmpty()) {
        return {};
    }
    const imaging::ImageHeader header = imaging::ReadImageHeader(path);
    if (!header.isValid()) {
        return {};
    }
    // The crop is chosen on the photo as turned for the area, and decoded upright.
    const QSizeF upright(header.size());
    const QTransform toTurned =
        rotate ? imaging::TurnTransform(upright, TurnBy::Clockwise270) : QTransform();
    const QRectF crop = CropRect(toTurned.mapRect(QRectF(QPointF(0, 0), upright)).size(), zoom,
                                 hoff, voff, double(target.width() - 2) / (target.height() - 2));
    if (!(crop.width() > 0 && crop.height() > 0)) {
        return {};
    }
    imaging::DecodedPart part = imaging::DecodeImagePart(path, toTurned.inverted().mapRect(crop),
                                                         rotate ? target.transposed() : target);
    if (part.image.isNull() || part.source.isEmpty()) {
        return {};
    }
    if (rotate) {
        part.source =
            imaging::TurnTransform(part.image.size(), TurnBy::Clockwise270).mapRect(part.source);
        part.image = imaging::Turn(part.image, TurnBy::Clockwise270);
    }
    QImage cache = imaging::NewImage(target, ImageKind::Rgb);
    if (cache.isNull()) {
        return {};
    }
    Surface(cache).DrawImagePart(part.image, QRectF(QPointF(0, 0), QSizeF(target)), part.source);
    return cache;
}

QImage ComposeFrameImage(TSkin& skin, const QString& path, bool rotate, int zoom, int hoff,
                         int voff, int margin) {
    QImage frame = imaging::NewImage(QSize(skin.Width + 2 * margin, skin.Height + 2 * margin),
                                     ImageKind::Argb);
    if (frame.isNull()) {
        return frame;
    }
    if (rotate) {
        std::swap(hoff, voff);
    }
    {
        Surface surface(frame);
        DrawPhoto(skin, surface, path, rotate, zoom, hoff, voff, margin);
        DrawLayers(skin, surface, margin);
    }
    if (rotate) {
        frame = imaging::Turn(frame, TurnBy::Clockwise90);
    }
    return frame;
}

void ClearToTransparent(QImage& canvas) {
    if (!canvas.isNull()) {
        std::memset(canvas.bits(), 0, size_t(canvas.sizeInBytes()));
    }
}

QImage DrawFrameCanvas(TSkin& skin, const QString& path, const TSettings& settings, double scale,
                       double angle, double devicePixelRatio) {
    const int side = CanvasSide(skin.Width, skin.Height, scale);
    // The window shows the canvas pixel for pixel: `side` logical pixels make this many.
    const int pixels = devicePixelRatio == 1
                           ? side
                           : std::clamp(qRound(side * devicePixelRatio), 1, MaxCanvasSide);
    const double ratio = double(pixels) / side;
    QImage canvas(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    ClearToTransparent(canvas);
    if (canvas.isNull()) {
        return canvas;
    }
    const PhotoParameters photo = PhotoParametersFrom(settings);
    const QImage frame = ComposeFrameImage(skin, path, settings.rotate, photo.zoom, photo.hoff,
                                           photo.voff, FrameMargin);
    if (!frame.isNull()) {
        const double s = DrawingScale(skin.Width, skin.Height, scale) * ratio;
        const double cx = pixels / 2.0;
        const double cy = pixels / 2.0;
        Surface surface(canvas);
        if (angle != 0) {
            surface.RotateAbout(QPointF(cx, cy), angle);
        }
        // The frame's rectangle in single precision, widened by the scaled transparent border.
        const float fw = float(frame.width() - 2 * FrameMargin);
        const float fh = float(frame.height() - 2 * FrameMargin);
        const float left = float(cx - (fw / 2) * s);
        const float top = float(cy - (fh / 2) * s);
        const float border = float(FrameMargin * s);
        surface.DrawImage(frame, QRectF(left - border, top - border, fw * float(s) + 2 * border,
                                        fh * float(s) + 2 * border));
    }
    // Set last: a painter on an image with a ratio would draw in logical pixels.
    canvas.setDevicePixelRatio(ratio);
    return canvas;
}

QSize LogicalSize(const QImage& canvas) {
    return canvas.deviceIndependentSize().toSize();
}

std::vector<QRect> InputRuns(const QImage& canvas) {
    std::vector<QRect> runs;
    const QSize logical = LogicalSize(canvas);
    if (canvas.isNull() || logical.isEmpty()) {
        return runs;
    }
    // Runs on every refresh: rows are read through one pointer, not per pixel.
    const int width = canvas.width();
    const int height = canvas.height();
    const double ratio = double(width) / logical.width();
    // The canvas columns [first, second) under each logical column.
    std::vector<std::pair<int, int>> columns(size_t(logical.width()));
    for (int x = 0; x < logical.width(); ++x) {
        columns[size_t(x)] = {int(std::floor(x * ratio)),
                              std::min(width, int(std::ceil((x + 1) * ratio)))};
    }
    const uchar* bits = canvas.constBits();
    const qsizetype stride = canvas.bytesPerLine();
    // Whether any canvas pixel under a logical pixel of the current row has alpha.
    std::vector<char> covered(size_t(logical.width()));
    for (int y = 0; y < logical.height(); ++y) {
        const int top = int(std::floor(y * ratio));
        const int bottom = std::min(height, int(std::ceil((y + 1) * ratio)));
        std::fill(covered.begin(), covered.end(), 0);
        for (int py = top; py < bottom; ++py) {
            const auto* line = reinterpret_cast<const QRgb*>(bits + py * stride);
            if (width == logical.width()) {
                for (size_t x = 0; x < covered.size(); ++x) {
                    covered[x] = qAlpha(line[x]) != 0;
                }
                continue;
            }
            for (size_t x = 0; x < covered.size(); ++x) {
                for (int px = columns[x].first; px < columns[x].second && !covered[x]; ++px) {
                    covered[x] = qAlpha(line[px]) != 0;
                }
            }
        }
        int x = 0;
        while (x < logical.width()) {
            while (x < logical.width() && !covered[size_t(x)]) {
                ++x;
            }
            const int start = x;
            while (x < logical.width() && covered[size_t(x)]) {
                ++x;
            }
            if (x > start) {
                runs.emplace_back(start, y, x - start, 1);
            }
        }
    }
    return runs;
}

RenderedFrame RenderFrame(TSkin& skin, TFiles& files, int step, const TSettings& settings,
                          double scale, double angle, double devicePixelRatio) {
    const QString path =
        files.NextPhoto(step, AreaOrientation(skin.AreaWidth, skin.AreaHeight, settings.rotate));
    QImage canvas = DrawFrameCanvas(skin, path, settings, scale, angle, devicePixelRatio);
    const QSize recorded = RecordedWindowSize(LogicalSize(canvas));
    return {std::move(canvas), recorded, path};
}
