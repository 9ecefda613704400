#pragma once

#include "Raster.h"

#include <functional>

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 1.0f;
};

// How a point of a surface answers light.
struct Surface {
    Rgb albedo;
    float ambient = 0.40f;
    float diffuse = 0.70f;
    float specular = 0.25f;
    float shininess = 30.0f;
    // 1 for metals, which mirror a studio around them and tint their highlights with their
    // own colour; in between for soft borders between materials.
    float metalness = 0.0f;
};

// A blend of two surfaces, for soft borders between materials.
Surface mix(const Surface& a, const Surface& b, float t);

// Surface normal of a height field (heights in pixels) by central differences.
Vec3 normalAt(const FloatMap& height, int x, int y);

// Colour of a surface with the given normal, lit from the upper left; `occlusion` in [0, 1]
// darkens hollows.
Rgb shade(const Surface& surface, Vec3 normal, float occlusion);

// Shades every pixel of a height field whose coverage is above zero; the result is a straight
// ARGB image with the coverage as alpha. `darkening` (optional) multiplies the colour by
// 1 - value, for shadows cast onto the relief.
QImage shadeRelief(const FloatMap& height, const FloatMap& coverage,
                   const std::function<Surface(int x, int y)>& surfaceAt,
                   const FloatMap* darkening = nullptr);
