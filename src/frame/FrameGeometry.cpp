#include "FrameGeometry.h"

#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double CanvasFactor = 1.42;  // a little above the square root of 2

qint64 Area(const QRegion& region) {
    qint64 area = 0;
    for (const QRect& r : region) {
        area += qint64(r.width()) * r.height();
    }
    return area;
}

// Distance, squared, from a point to the nearest point of a rectangle (0 inside it).
qint64 DistanceSquared(const QPoint& p, const QRect& r) {
    const qint64 dx = std::max({r.left() - p.x(), 0, p.x() - r.right()});
    const qint64 dy = std::max({r.top() - p.y(), 0, p.y() - r.bottom()});
    return dx * dx + dy * dy;
}

// The shortest move of [low, low + length) into [start, start + size), centred when longer.
int OffsetInto(int low, int length, int start, int size) {
    if (length > size) {
        return start + (size - length) / 2 - low;
    }
    if (low < start) {
        return start - low;
    }
    if (low + length > start + size) {
        return start + size - (low + length);
    }
    return 0;
}

}  // namespace

int CanvasSide(int width, int height, double scale) {
    const double side = std::nearbyint(std::max(width, height) * scale * CanvasFactor);
    if (!(side >= 1)) {
        return 1;
    }
    return int(std::min(side, double(MaxCanvasSide)));
}

double DrawingScale(int width, int height, double scale) {
    const int longer = std::max(width, height);
    if (longer <= 0) {
        return scale;
    }
    const double limit = MaxCanvasSide / (longer * CanvasFactor);
    return scale > limit ? limit : scale;
}

QSize RecordedWindowSize(const QSize& canvas) {
    return QSize(int(canvas.width() * 1.5), int(canvas.height() * 1.5));
}

char AreaOrientation(int areaWidth, int areaHeight, bool rotate) {
    return rotate ? PhotoOrientation(double(areaHeight) / areaWidth)
                  : PhotoOrientation(double(areaWidth) / areaHeight);
}

PhotoParameters PhotoParametersFrom(const TSettings& settings) {
    if (!settings.modefile) {
        return {};
    }
    // Within the dialog's ranges, whatever the settings hold: -INT_MIN does not exist.
    return {std::min<int>(settings.zoom, MaxZoom),
            -std::clamp(settings.optDX, -MaxPhotoOffset, MaxPhotoOffset),
            -std::clamp(settings.optDY, -MaxPhotoOffset, MaxPhotoOffset)};
}

QRectF CropRect(const QSizeF& photo, int zoom, int hoff, int voff, double aspect) {
    const float W = float(photo.width());
    const float H = float(photo.height());
    const float r = W / H;
    const float a = float(aspect);
    float x, y, w, h;
    if (a > r) {
        w = W;
        h = H * r / a;
        x = 0;
        y = (H - h) / 2;
    } else {
        w = W * a / r;
        h = H;
        x = (W - w) / 2;
        y = 0;
    }
    // The whole reduction is added: zooming keeps the right and bottom edges.
    const float s = 1 - zoom / 100.0f;
    x = x + (1 - s) * w + W * (hoff / 100.0f);
    y = y + (1 - s) * h + H * (voff / 100.0f);
    w = s * w;
    h = s * h;
    if (x < 0) {
        x = 0;
    }
    if (y < 0) {
        y = 0;
    }
    if (x + w > W) {
        x = W - w;
    }
    if (y + h > H) {
        y = H - h;
    }
    return QRectF(x, y, w, h);
}

QString MakePhotoCacheKey(const QString& path, bool rotate, int zoom, int a, int b) {
    return QString::number(rotate ? 1 : 0) + path + QString::number(zoom) + QLatin1Char('/') +
           QString::number(a & 0xFF) + QLatin1Char('/') + QString::number(b & 0xFF);
}

double ClampScale(double s, int skinWidth, int skinHeight) {
    if (skinWidth > 0 && skinWidth * s > 500) {
        s = 500.0 / skinWidth;
    }
    if (skinHeight > 0 && skinHeight * s > 500) {
        s = 500.0 / skinHeight;
    }
    if (skinWidth > 0 && skinWidth * s < 80) {
        s = 80.0 / skinWidth;
    }
    if (skinHeight > 0 && skinHeight * s < 80) {
        s = 80.0 / skinHeight;
    }
    return s;
}

double ZoomStep(double scale, bool larger, bool fine, int recordedWidth, int skinWidth,
                int skinHeight) {
    float s;
    if (fine) {
        const double w = recordedWidth;
        s = recordedWidth > 0 ? float(scale * (larger ? w + 1 : w - 1) / w) : float(scale);
    } else {
        s = float(scale * (larger ? 1.0869565217391304 : 0.92));
    }
    s = float(ClampScale(s, skinWidth, skinHeight));
    return s;
}

std::optional<double> RotateStep(double angle, bool clockwise, bool fine) {
    const double d = (fine ? 0.5 : 3.5) * (clockwise ? 1 : -1);
    const double a = angle + d;
    if (std::abs(a) >= 365) {
        return std::nullopt;
    }
    return a;
}

QPoint OffsetOntoScreens(const QRegion& frame, const std::vector<QRect>& screens) {
    const qint64 frameArea = Area(frame);
    if (frameArea == 0 || screens.empty()) {
        return {};
    }
    QRegion visible;
    for (const QRect& screen : screens) {
        visible += frame.intersected(screen);  // a region: mirrored screens count once
    }
    if (2 * Area(visible) >= frameArea) {
        return {};
    }
    const QRect bounds = frame.boundingRect();
    const QRect* nearest = &screens.front();
    for (const QRect& screen : screens) {
        if (DistanceSquared(bounds.center(), screen) < DistanceSquared(bounds.center(), *nearest)) {
            nearest = &screen;
        }
    }
    return {OffsetInto(bounds.x(), bounds.width(), nearest->x(), nearest->width()),
            OffsetInto(bounds.y(), bounds.height(), nearest->y(), nearest->height())};
}
