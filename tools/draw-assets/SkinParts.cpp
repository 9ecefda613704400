#include "SkinParts.h"

#include <cmath>

namespace {

constexpr float kHalfPixel = 0.5f;

FloatMap alphaOf(const QImage& image) {
    FloatMap alpha(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            alpha.at(x, y) = static_cast<float>(qAlpha(line[x])) / 255.0f;
        }
    }
    return alpha;
}

// Where a pixel centre lies on the moulding; `across` is the distance from the nearest edge.
MouldingPoint locate(QSize outer, float px, float py) {
    const float distances[4] = {py, outer.width() - px, outer.height() - py, px};
    int side = 0;
    for (int i = 1; i < 4; ++i) {
        if (distances[i] < distances[side]) {
            side = i;
        }
    }
    const bool horizontal = side == 0 || side == 2;
    const float along = horizontal ? px - outer.width() / 2.0f : py - outer.height() / 2.0f;
    return {side, along, distances[side]};
}

// Distance of a pixel centre from the diagonal where two sides meet.
float mitreDistance(QSize outer, float px, float py) {
    const float dx = std::min(px, outer.width() - px);
    const float dy = std::min(py, outer.height() - py);
    return std::abs(dx - dy) / std::sqrt(2.0f);
}

// Shadow cast onto the mat by the frame around it: the frame lies outside the mat's rectangle.
FloatMap frameShadowOnMat(QSize size) {
    constexpr int pad = 12;
    FloatMap frame(size.width() + 2 * pad, size.height() + 2 * pad, 1.0f);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            frame.at(x + pad, y + pad) = 0.0f;
        }
    }
    const FloatMap cast = frame.shifted(3, 4).blurred(2.8f);
    FloatMap result(size.width(), size.height());
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            result.at(x, y) = 0.5f * cast.at(x + pad, y + pad);
        }
    }
    return result;
}

}  // namespace

QImage drawRectMoulding(QSize outer, const MouldingStyle& style) {
    FloatMap height(outer.width(), outer.height());
    FloatMap coverage(outer.width(), outer.height());
    for (int y = 0; y < outer.height(); ++y) {
        for (int x = 0; x < outer.width(); ++x) {
            const MouldingPoint point = locate(outer, x + kHalfPixel, y + kHalfPixel);
            height.at(x, y) = style.height(point);
            coverage.at(x, y) = point.across < static_cast<float>(style.width) ? 1.0f : 0.0f;
        }
    }
    const auto surfaceAt = [&](int x, int y) {
        const float px = x + kHalfPixel;
        const float py = y + kHalfPixel;
        Surface surface = style.surface(locate(outer, px, py));
        const float joint = 1.0f - smoothstep(0.0f, 1.0f, mitreDistance(outer, px, py));
        surface.albedo = surface.albedo * (1.0f - style.mitreShade * joint);
        return surface;
    };
    return shadeRelief(height, coverage, surfaceAt);
}

OpeningDistance rectOpening(QRectF rect) {
    // The larger of the two axis distances: offsets of the edge keep square corners, as a
    // mat cutter's bevels do.
    return [rect](QPointF p) {
        const double qx = std::abs(p.x() - rect.center().x()) - rect.width() / 2.0;
        const double qy = std::abs(p.y() - rect.center().y()) - rect.height() / 2.0;
        return static_cast<float>(std::max(qx, qy));
    };
}

OpeningDistance ellipseOpening(QRectF bounds) {
    return [bounds](QPointF p) {
        // A close approximation of the distance to an ellipse (Quilez): exact on the axes.
        const float rx = bounds.width() / 2.0;
        const float ry = bounds.height() / 2.0;
        const float x = p.x() - bounds.center().x();
        const float y = p.y() - bounds.center().y();
        const float k0 = std::hypot(x / rx, y / ry);
        const float k1 = std::hypot(x / (rx * rx), y / (ry * ry));
        return k1 > 0.0f ? k0 * (k0 - 1.0f) / k1 : -std::min(rx, ry);
    };
}

QImage drawMat(QSize size, const MatStyle& style) {
    FloatMap height(size.width(), size.height());
    FloatMap coverage(size.width(), size.height());
    FloatMap distance(size.width(), size.height());
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const float d = style.distance(QPointF(x + kHalfPixel, y + kHalfPixel));
            distance.at(x, y) = d;
            height.at(x, y) = style.height(std::max(d, 0.0f));
            coverage.at(x, y) = clamp01(d + kHalfPixel);
        }
    }
    const FloatMap shadow = frameShadowOnMat(size);
    const auto surfaceAt = [&](int x, int y) {
        return style.surface(std::max(distance.at(x, y), 0.0f),
                             QPointF(x + kHalfPixel, y + kHalfPixel));
    };
    return shadeRelief(height, coverage, surfaceAt, &shadow);
}

QImage drawDropShadow(QSize canvas, QRect frame) {
    FloatMap mask(canvas.width(), canvas.height());
    for (int y = frame.top(); y <= frame.bottom(); ++y) {
        for (int x = frame.left(); x <= frame.right(); ++x) {
            mask.at(x, y) = 1.0f;
        }
    }
    const FloatMap cast = mask.shifted(4, 6).blurred(6.5f);
    const FloatMap contact = mask.blurred(1.2f);
    QImage image(canvas, QImage::Format_ARGB32);
    for (int y = 0; y < canvas.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < canvas.width(); ++x) {
            const float soft = 0.50f * cast.at(x, y);
            const float near = 0.30f * contact.at(x, y);
            const float alpha = (1.0f - (1.0f - soft) * (1.0f - near)) * (1.0f - mask.at(x, y));
            line[x] = toArgb(Rgb{0.03f, 0.02f, 0.02f}, alpha);
        }
    }
    return image;
}

QImage drawGlass(const QImage& mat) {
    const FloatMap matAlpha = alphaOf(mat);
    const FloatMap cast = matAlpha.shifted(2, 2, 1.0f).blurred(1.6f);
    const float w = static_cast<float>(mat.width());
    const float h = static_cast<float>(mat.height());
    QImage image(mat.size(), QImage::Format_ARGB32);
    for (int y = 0; y < mat.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < mat.width(); ++x) {
            // Diagonal position from the upper left (0) to the lower right (1).
            const float t = ((x + kHalfPixel) / w + (y + kHalfPixel) / h) / 2.0f;
            const float broad = std::exp(-std::pow((t - 0.36f) / 0.13f, 2.0f));
            const float narrow = std::exp(-std::pow((t - 0.58f) / 0.025f, 2.0f));
            const float sheen = 0.025f + 0.085f * broad + 0.045f * narrow + 0.03f * (1.0f - t);
            const float shadow = 0.45f * cast.at(x, y) * (1.0f - matAlpha.at(x, y));
            const float alpha = sheen + shadow * (1.0f - sheen);
            const Rgb colour = Rgb{1.0f, 1.0f, 1.0f} * (sheen / alpha);
            line[x] = toArgb(colour, alpha);
        }
    }
    return image;
}
