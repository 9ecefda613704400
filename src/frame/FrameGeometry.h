#pragma once

#include <QPoint>
#include <QRectF>
#include <QRegion>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

struct TSettings;

// The arithmetic of the frame: canvas size, photo crop, cache key, zoom and rotation steps.

// The canvas never grows beyond this side: a scale loaded from a hand-edited settings file
// could otherwise ask for gigabytes.
inline constexpr int MaxCanvasSide = 8192;

// Side of the square canvas on which the frame fits at any angle: the nearest integer (ties
// to even) of max(width, height) x scale x 1.42, kept within 1..MaxCanvasSide.
int CanvasSide(int width, int height, double scale);
// The scale the frame is drawn at: `scale`, reduced when the canvas would exceed its limit.
double DrawingScale(int width, int height, double scale);

// The window bounds recorded after a refresh: 1.5 times the canvas, truncated.
QSize RecordedWindowSize(const QSize& canvas);

// The orientation letter of the photo area as shown on screen.
char AreaOrientation(int areaWidth, int areaHeight, bool rotate);

// Zoom and offsets of the photo inside its area; only a single photo file uses them, and
// the offsets are the settings' negated.
struct PhotoParameters {
    int zoom = 0;
    int hoff = 0;
    int voff = 0;
};
PhotoParameters PhotoParametersFrom(const TSettings& settings);

// The part of a photo of `photo` size shown in an area of `aspect` (width / height): the
// centred largest rectangle of that aspect, zoomed towards its lower right corner, moved by
// the offsets (percent of the photo) and clamped into the photo. Single precision.
QRectF CropRect(const QSizeF& photo, int zoom, int hoff, int voff, double aspect);

// What the photo cache of a skin holds: rotate, path, zoom and the low bytes of the offsets.
QString MakePhotoCacheKey(const QString& path, bool rotate, int zoom, int a, int b);

// The zoom step limits: the frame's sides stay within 80..500 pixels, the minimum winning.
// A side of 0 or less sets no limit.
double ClampScale(double s, int skinWidth, int skinHeight);
// One zoom step of `scale`, in single precision and clamped. The fine step is one pixel of
// the recorded window width; without a recorded width it leaves the scale as it is.
double ZoomStep(double scale, bool larger, bool fine, int recordedWidth, int skinWidth,
                int skinHeight);
// One rotation step of `angle` in degrees; none when the result would reach 365.
std::optional<double> RotateStep(double angle, bool clockwise, bool fine);

// Where a frame goes when it is shown or the screens change: `frame` is what it shows (its
// pixels with any alpha, on the desktop), `screens` the usable areas of the screens. A frame
// of which less than half is on the screens moves, by the shortest way, fully onto the screen
// nearest its centre (centred on an axis where it is larger than that screen); the result is
// the offset to move it by, (0,0) where it stays. With no screens or no frame it stays.
QPoint OffsetOntoScreens(const QRegion& frame, const std::vector<QRect>& screens);
