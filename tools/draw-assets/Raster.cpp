#include "Raster.h"

#include <cmath>

QRgb toArgb(Rgb colour, float alpha) {
    const auto channel = [](float v) { return static_cast<int>(std::lround(clamp01(v) * 255.0f)); };
    const int a = channel(alpha);
    if (a == 0) {
        return 0;
    }
    return qRgba(channel(colour.r), channel(colour.g), channel(colour.b), a);
}

FloatMap::FloatMap(int width, int height, float fill)
    : w(width), h(height), values(static_cast<size_t>(width) * height, fill) {}

FloatMap FloatMap::blurred(float sigma) const {
    // Three box passes of this radius approximate a Gaussian of the given sigma.
    const int radius =
        std::max(1, static_cast<int>(std::lround(std::sqrt(4.0f * sigma * sigma + 1.0f) / 2.0f)));
    FloatMap result = *this;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 3; ++i) {
            result.boxBlurRows(radius);
        }
        result.transpose();
    }
    return result;
}

FloatMap FloatMap::shifted(int dx, int dy, float fill) const {
    FloatMap result(w, h, fill);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int sx = x - dx;
            const int sy = y - dy;
            if (sx >= 0 && sx < w && sy >= 0 && sy < h) {
                result.at(x, y) = at(sx, sy);
            }
        }
    }
    return result;
}

void FloatMap::boxBlurRows(int radius) {
    std::vector<float> row(static_cast<size_t>(w));
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    for (int y = 0; y < h; ++y) {
        float sum = 0.0f;
        for (int i = -radius; i <= radius; ++i) {
            sum += clamped(i, y);
        }
        for (int x = 0; x < w; ++x) {
            row[static_cast<size_t>(x)] = sum * scale;
            sum += clamped(x + radius + 1, y) - clamped(x - radius, y);
        }
        std::copy(row.begin(), row.end(), values.begin() + static_cast<std::ptrdiff_t>(y) * w);
    }
}

void FloatMap::transpose() {
    std::vector<float> turned(values.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            turned[static_cast<size_t>(x) * h + y] = at(x, y);
        }
    }
    values.swap(turned);
    std::swap(w, h);
}
