#include "Noise.h"

#include <cmath>

namespace noise {

namespace {

std::uint32_t mix(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

std::uint32_t hashPoint(int x, int y, std::uint32_t seed) {
    return mix(static_cast<std::uint32_t>(x) * 0x8da6b343U ^
               static_cast<std::uint32_t>(y) * 0xd8163841U ^ mix(seed + 0x9e3779b9U));
}

float fade(float t) {
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

// Dot product of the lattice point's pseudo-random unit gradient with the offset.
float cornerValue(int ix, int iy, float dx, float dy, std::uint32_t seed) {
    const float angle =
        static_cast<float>(hashPoint(ix, iy, seed) & 0xffffU) * (6.2831853f / 65536.0f);
    return std::cos(angle) * dx + std::sin(angle) * dy;
}

}  // namespace

float hash01(int x, int y, std::uint32_t seed) {
    return static_cast<float>(hashPoint(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

float gradient(float x, float y, std::uint32_t seed) {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const float dx = x - fx;
    const float dy = y - fy;
    const float v00 = cornerValue(ix, iy, dx, dy, seed);
    const float v10 = cornerValue(ix + 1, iy, dx - 1.0f, dy, seed);
    const float v01 = cornerValue(ix, iy + 1, dx, dy - 1.0f, seed);
    const float v11 = cornerValue(ix + 1, iy + 1, dx - 1.0f, dy - 1.0f, seed);
    const float u = fade(dx);
    const float v = fade(dy);
    const float top = v00 + (v10 - v00) * u;
    const float bottom = v01 + (v11 - v01) * u;
    return (top + (bottom - top) * v) * 1.41f;
}

float fbm(float x, float y, int octaves, std::uint32_t seed) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += gradient(x, y, seed + static_cast<std::uint32_t>(i) * 131U) * amplitude;
        total += amplitude;
        x = x * 2.03f + 17.1f;
        y = y * 2.03f + 9.7f;
        amplitude *= 0.5f;
    }
    return sum / total;
}

}  // namespace noise
