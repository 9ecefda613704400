#pragma once

#include <QImage>

#include <algorithm>
#include <vector>

// Colour with float channels in [0, 1] (sRGB values, no gamma handling).
struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

inline Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb operator*(Rgb a, float k) {
    return {a.r * k, a.g * k, a.b * k};
}
inline Rgb operator*(Rgb a, Rgb b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Rgb mix(Rgb a, Rgb b, float t) {
    return a + (b + a * -1.0f) * t;
}

inline float clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}
inline float smoothstep(float edge0, float edge1, float x) {
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

// Straight (not premultiplied) ARGB pixel; fully transparent pixels are stored as 0.
QRgb toArgb(Rgb colour, float alpha);

// A grid of floats: height fields, masks and alpha maps.
class FloatMap {
public:
    FloatMap(int width, int height, float fill = 0.0f);

    int width() const { return w; }
    int height() const { return h; }
    float& at(int x, int y) { return values[static_cast<size_t>(y) * w + x]; }
    float at(int x, int y) const { return values[static_cast<size_t>(y) * w + x]; }
    // The value at the nearest point inside the grid.
    float clamped(int x, int y) const {
        return at(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1));
    }

    // Approximate Gaussian blur (three box passes), edges extended.
    FloatMap blurred(float sigma) const;
    // Moved by (dx, dy); uncovered points take `fill`.
    FloatMap shifted(int dx, int dy, float fill = 0.0f) const;

private:
    void boxBlurRows(int radius);
    void transpose();

    int w;
    int h;
    std::vector<float> values;
};
