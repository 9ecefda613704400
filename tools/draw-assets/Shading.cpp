#include "Shading.h"

#include <cmath>

namespace {

Vec3 normalized(Vec3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

float dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

const Vec3 kLight = normalized({-0.55f, -0.75f, 0.95f});
const Vec3 kHalfway = normalized({kLight.x, kLight.y, kLight.z + 1.0f});

// Brightness of the studio that a metal mirrors in direction `r`: a broad bright window to
// the upper left, a dim floor below.
float studio(Vec3 r) {
    const float towardsWindow = -(0.55f * r.x + 0.83f * r.y);
    return 0.28f + 0.72f * smoothstep(-0.45f, 0.55f, towardsWindow) + 0.10f * r.z;
}

}  // namespace

Surface mix(const Surface& a, const Surface& b, float t) {
    const auto blend = [t](float x, float y) { return x + (y - x) * t; };
    Surface result;
    result.albedo = mix(a.albedo, b.albedo, t);
    result.metalness = blend(a.metalness, b.metalness);
    result.ambient = blend(a.ambient, b.ambient);
    result.diffuse = blend(a.diffuse, b.diffuse);
    result.specular = blend(a.specular, b.specular);
    result.shininess = blend(a.shininess, b.shininess);
    return result;
}

Vec3 normalAt(const FloatMap& height, int x, int y) {
    const float dx = (height.clamped(x + 1, y) - height.clamped(x - 1, y)) * 0.5f;
    const float dy = (height.clamped(x, y + 1) - height.clamped(x, y - 1)) * 0.5f;
    return normalized({-dx, -dy, 1.0f});
}

Rgb shade(const Surface& surface, Vec3 normal, float occlusion) {
    const float lambert = std::max(0.0f, dot(normal, kLight));
    const float highlight = std::pow(std::max(0.0f, dot(normal, kHalfway)), surface.shininess);

    const float light = surface.ambient + surface.diffuse * lambert;
    const Rgb dielectric = surface.albedo * (light * occlusion) +
                           Rgb{1.0f, 0.97f, 0.92f} * (surface.specular * highlight);
    if (surface.metalness <= 0.0f) {
        return dielectric;
    }
    const Vec3 reflected{2.0f * normal.z * normal.x, 2.0f * normal.z * normal.y,
                         2.0f * normal.z * normal.z - 1.0f};
    const float mirrored = surface.ambient * 0.4f + surface.diffuse * studio(reflected) * 0.8f +
                           surface.diffuse * lambert * 0.25f;
    const Rgb tint = mix(surface.albedo, Rgb{1.0f, 1.0f, 1.0f}, 0.35f);
    const Rgb metal =
        surface.albedo * (mirrored * occlusion) + tint * (surface.specular * highlight);
    return mix(dielectric, metal, surface.metalness);
}

QImage shadeRelief(const FloatMap& height, const FloatMap& coverage,
                   const std::function<Surface(int x, int y)>& surfaceAt,
                   const FloatMap* darkening) {
    const FloatMap surroundings = height.blurred(2.5f);
    QImage image(height.width(), height.height(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const float alpha = coverage.at(x, y);
            if (alpha <= 0.0f) {
                line[x] = 0;
                continue;
            }
            const float hollow = std::max(0.0f, surroundings.at(x, y) - height.at(x, y));
            const float occlusion = std::clamp(1.0f - 0.16f * hollow, 0.55f, 1.0f);
            Rgb colour = shade(surfaceAt(x, y), normalAt(height, x, y), occlusion);
            if (darkening) {
                colour = colour * (1.0f - darkening->at(x, y));
            }
            line[x] = toArgb(colour, alpha);
        }
    }
    return image;
}
