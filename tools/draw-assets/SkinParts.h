#pragma once

#include "Shading.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <functional>

// A point on a rectangular moulding: its side (0 top, 1 right, 2 bottom, 3 left), its position
// along the side measured from the side's middle, and its distance from the outer edge.
struct MouldingPoint {
    int side = 0;
    float along = 0.0f;
    float across = 0.0f;
};

struct MouldingStyle {
    int width = 0;
    std::function<float(const MouldingPoint&)> height;
    std::function<Surface(const MouldingPoint&)> surface;
    // How much the joint line of the mitred corners darkens the surface (0 = invisible).
    float mitreShade = 0.0f;
};

// The four mitred sides of a frame of the given outer size; the opening is transparent.
QImage drawRectMoulding(QSize outer, const MouldingStyle& style);

// Signed distance in pixels from the edge of a photo opening: positive on the mat.
using OpeningDistance = std::function<float(QPointF)>;
OpeningDistance rectOpening(QRectF rect);
OpeningDistance ellipseOpening(QRectF bounds);

struct MatStyle {
    OpeningDistance distance;
    std::function<float(float distance)> height;
    std::function<Surface(float distance, QPointF point)> surface;
};

// The mat that fills a frame's opening of the given size, with an anti-aliased hole for the
// photo and the soft shadow that the surrounding frame casts onto it.
QImage drawMat(QSize size, const MatStyle& style);

// A soft shadow of the frame rectangle on the desktop; transparent under the frame itself.
QImage drawDropShadow(QSize canvas, QRect frame);

// Glass over the opening: a faint sheen, plus the small shadow that the mat casts onto the
// photo. `mat` is the mat image, whose alpha marks where the photo does not show.
QImage drawGlass(const QImage& mat);
