#pragma once

#include "frame/FrameGeometry.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

struct TSkin;
struct TSettings;
class TFiles;

// The drawing of the frame: the skin composed around the photo into a frame image, which is
// scaled and rotated onto a square premultiplied canvas. Fills and uses the skin's caches.

// Cuts the part of `photo` that CropRect chooses out as a new opaque image; the photo is
// consumed. Null when the part is empty.
QImage CropPhoto(QImage photo, int zoom, int hoff, int voff, double aspect);

// Decodes the photo at `path` straight into a photo-cache image of `target` size: the part
// CropRect chooses (after an anticlockwise quarter turn with `rotate`), stretched. Only the
// pixels needed are decoded, at the smallest size that does not lose detail. Null when the
// photo cannot be read.
QImage PreparePhoto(const QString& path, bool rotate, int zoom, int hoff, int voff,
                    const QSize& target);

// The skin with its photo and layers: Width x Height (Height x Width with `rotate`), plus a
// transparent border of `margin` pixels on every side. hoff and voff are already negated.
// A photo that cannot be decoded leaves the area transparent and the cache key empty.
QImage ComposeFrameImage(TSkin& skin, const QString& path, bool rotate, int zoom, int hoff,
                         int voff, int margin = 0);

// Sets every byte of the canvas to zero: fully transparent.
void ClearToTransparent(QImage& canvas);

// The canvas for the photo at `path`: the frame image drawn at `scale`, rotated by `angle`
// degrees (clockwise) about the canvas centre. Reads `rotate`, `modefile`, `zoom`, `optDX`
// and `optDY` of `settings`. The canvas has the pixels of a screen of `devicePixelRatio`
// (1.25, 1.5, 2...), which it carries as its own ratio: its logical size, in which `scale`
// is measured, is the same on every screen.
QImage DrawFrameCanvas(TSkin& skin, const QString& path, const TSettings& settings, double scale,
                       double angle, double devicePixelRatio = 1);

// The size of a canvas in logical pixels: the window's size.
QSize LogicalSize(const QImage& canvas);

// Where a canvas takes input, in logical pixels: one-pixel-high runs of the logical pixels
// that cover any canvas pixel with alpha.
std::vector<QRect> InputRuns(const QImage& canvas);

// What a refresh gives the window.
struct RenderedFrame {
    QImage canvas;       // premultiplied, square
    QSize recordedSize;  // the window bounds to record (the fine zoom step reads the width)
    QString photoPath;   // the photo the list answered
};

// A refresh's drawing: asks the list for the photo of `step` (it reads the global settings
// for the folder mode), then draws the canvas.
RenderedFrame RenderFrame(TSkin& skin, TFiles& files, int step, const TSettings& settings,
                          double scale, double angle, double devicePixelRatio = 1);
