#include "Landscape.h"

#include "Noise.h"
#include "Raster.h"

#include <cmath>
#include <vector>

namespace {

class Scene {
public:
    Scene(int width, int height)
        : w(static_cast<float>(width)),
          h(static_cast<float>(height)),
          horizon(0.64f * h),
          sunX(0.68f * w),
          sunY(0.43f * h) {}

    // Sky, clouds and mountains: everything above the water line.
    Rgb above(float x, float y) const {
        Rgb colour = cloudySky(x, y);
        for (int layer = 0; layer < kRanges; ++layer) {
            const float ridge = ridgeLine(layer, x);
            if (y >= ridge) {
                colour = mountain(layer, x, y, ridge);
            } else if (y >= ridge - 1.0f) {
                colour = mix(colour, mountain(layer, x, ridge, ridge), y - (ridge - 1.0f));
            }
        }
        return colour;
    }

    // The lake: the scene above, mirrored, rippled and darkened, with the sun's glitter.
    Rgb water(float x, float y) const {
        const float depth = (y - horizon) / (h - horizon);
        const float ripple = noise::fbm(x * 0.004f, y * 0.09f, 3, 901U);
        const float mirroredY = std::max(0.0f, 2.0f * horizon - y + ripple * (1.5f + 8.0f * depth));
        const float shiftedX =
            x + noise::fbm(x * 0.01f, y * 0.25f, 2, 902U) * (2.0f + 18.0f * depth);
        const Rgb reflected = above(shiftedX, std::min(mirroredY, horizon - 1.0f));
        const float reflectivity = 0.82f - 0.30f * depth;
        Rgb colour =
            mix(Rgb{0.05f, 0.08f, 0.13f}, reflected * Rgb{0.92f, 0.95f, 1.0f}, reflectivity);
        const float path = std::exp(-std::pow((x - sunX) / (30.0f + 260.0f * depth), 2.0f));
        const float sparkle = smoothstep(0.12f, 0.45f, noise::fbm(x * 0.05f, y * 0.7f, 2, 903U));
        colour = colour + Rgb{1.0f, 0.80f, 0.55f} * (path * sparkle * (0.9f - 0.5f * depth));
        const float streak = noise::fbm(x * 0.0015f, y * 0.35f, 2, 904U);
        return colour * (1.0f + 0.06f * streak);
    }

    float waterLine() const { return horizon; }

    // The near shore rising towards the left edge, and its height at x.
    float shoreTop(float x) const {
        return h - 70.0f - 300.0f * std::exp(-x / 330.0f) + 14.0f * noise::line(x * 0.02f, 3, 950U);
    }

    Rgb shore(float x, float y) const {
        const float grass = noise::fbm(x * 0.08f, y * 0.03f, 3, 951U);
        const float rim = std::exp(-(y - shoreTop(x)) / 5.0f);
        return Rgb{0.06f, 0.08f, 0.05f} * (1.0f + 0.5f * grass) +
               Rgb{0.45f, 0.25f, 0.10f} * (0.5f * rim);
    }

private:
    static constexpr int kRanges = 4;

    Rgb skyGradient(float x, float y) const {
        const float t = y / horizon;
        Rgb colour =
            mix(Rgb{0.14f, 0.20f, 0.42f}, Rgb{0.52f, 0.46f, 0.64f}, smoothstep(0.0f, 0.65f, t));
        colour = mix(colour, Rgb{1.0f, 0.68f, 0.40f}, std::pow(smoothstep(0.35f, 1.0f, t), 1.4f));
        const float distance = std::hypot((x - sunX) / w, (y - sunY) / h * 1.4f);
        const float glow = 0.55f * std::exp(-distance * 5.0f) + 0.45f * std::exp(-distance * 22.0f);
        return colour + Rgb{1.0f, 0.72f, 0.42f} * glow;
    }

    Rgb skyWithSun(float x, float y) const {
        const float disc = 1.0f - smoothstep(24.0f, 27.0f, std::hypot(x - sunX, y - sunY));
        return mix(skyGradient(x, y), Rgb{1.0f, 0.97f, 0.88f}, disc);
    }

    Rgb cloudySky(float x, float y) const {
        const Rgb sky = skyWithSun(x, y);
        const float warp = noise::fbm(x * 0.001f, y * 0.003f, 2, 700U) * 60.0f;
        const float density = noise::fbm((x + warp) * 0.0018f, y * 0.0062f, 6, 701U);
        const float t = y / horizon;
        const float band = smoothstep(0.05f, 0.25f, t) * (1.0f - smoothstep(0.62f, 0.9f, t));
        const float cover = smoothstep(0.02f, 0.42f, density + 0.22f * band - 0.12f);
        // Lit from below and from the sun: thinner towards the sun means brighter.
        const float towardsSun =
            noise::fbm((x + warp + (sunX - x) * 0.02f) * 0.0018f, (y + 10.0f) * 0.0062f, 6, 701U);
        const float lit = clamp01(0.55f + (density - towardsSun) * 6.0f);
        const float nearSun = std::exp(-std::hypot((x - sunX) / w, (y - sunY) / h) * 3.5f);
        const Rgb shadowed = mix(Rgb{0.36f, 0.30f, 0.45f}, Rgb{0.55f, 0.38f, 0.42f}, t);
        const Rgb bright = mix(Rgb{0.98f, 0.62f, 0.48f}, Rgb{1.0f, 0.85f, 0.62f}, nearSun);
        const Rgb cloud = mix(shadowed, bright, clamp01(lit * (0.45f + 0.8f * nearSun)));
        return mix(sky, cloud, cover * 0.92f);
    }

    float ridgeLine(int layer, float x) const {
        struct Range {
            float base, amplitude, frequency;
        };
        static constexpr Range ranges[kRanges] = {{120.0f, 190.0f, 0.0021f},
                                                  {70.0f, 140.0f, 0.0032f},
                                                  {28.0f, 90.0f, 0.0047f},
                                                  {6.0f, 30.0f, 0.008f}};
        const Range& r = ranges[layer];
        const std::uint32_t seed = 800U + static_cast<std::uint32_t>(layer);
        // Ridged noise gives sharp peaks and rounded valleys.
        const float peaks = 1.0f - std::abs(noise::line(x * r.frequency, 5, seed));
        float top = horizon - r.base - r.amplitude * peaks * peaks;
        if (layer == kRanges - 1) {
            // The far shore is wooded: a ragged line of tree tops.
            top -= treeTops(x, seed) + 5.0f * noise::line(x * 0.03f, 2, seed + 9U);
        }
        return std::min(top, horizon);
    }

    // A row of small conifers: one pointed crown in every cell of 6 pixels.
    static float treeTops(float x, std::uint32_t seed) {
        float tallest = 0.0f;
        const int cell = static_cast<int>(std::floor(x / 6.0f));
        for (int i = cell - 1; i <= cell + 1; ++i) {
            const float centre = (i + 0.3f + 0.4f * noise::hash01(i, 1, seed)) * 6.0f;
            const float size = 5.0f + 13.0f * noise::hash01(i, 2, seed);
            tallest = std::max(tallest, size * (1.0f - std::abs(x - centre) / (0.28f * size)));
        }
        return tallest;
    }

    Rgb mountain(int layer, float x, float y, float ridge) const {
        static constexpr Rgb tones[kRanges] = {{0.50f, 0.42f, 0.58f},
                                               {0.32f, 0.29f, 0.45f},
                                               {0.17f, 0.18f, 0.28f},
                                               {0.05f, 0.08f, 0.08f}};
        static constexpr float haze[kRanges] = {0.55f, 0.38f, 0.22f, 0.06f};
        static constexpr float valleyMist[kRanges] = {0.45f, 0.45f, 0.40f, 0.15f};
        const std::uint32_t seed = 850U + static_cast<std::uint32_t>(layer);
        const float texture = noise::fbm(x * 0.01f, y * 0.02f, 4, seed);
        const Rgb rock = tones[layer] * (1.0f + 0.18f * texture * (1.0f - haze[layer]));
        const float below = clamp01((y - ridge) / std::max(1.0f, horizon - ridge));
        const float mist = haze[layer] + (1.0f - haze[layer]) * valleyMist[layer] * below * below;
        // The air between is the colour of the sky behind, a little dimmer.
        const Rgb air = skyGradient(x, y) * 0.88f;
        Rgb colour = mix(rock, air, mist);
        // The sun behind the ridges lights their edges.
        const float rim = std::exp(-(y - ridge) / 2.0f) * std::exp(-std::abs(x - sunX) / 260.0f);
        return colour + Rgb{1.0f, 0.70f, 0.40f} * (0.35f * rim);
    }

    float w;
    float h;
    float horizon;
    float sunX;
    float sunY;
};

// A spruce silhouette: a tapering trunk with tiers of drooping, needled branches on both sides.
class Pine {
public:
    Pine(float x, float base, float height, float width, std::uint32_t seed)
        : x(x), base(base), height(height), width(width), seed(seed) {
        int index = 0;
        for (float t = 0.08f; t < 0.97f; ++index) {
            for (const float side : {-1.0f, 1.0f}) {
                const float chance = noise::hash01(index, side > 0 ? 1 : 2, seed);
                const float length =
                    0.5f * width * std::pow(1.0f - t, 0.95f) * (0.7f + 0.4f * chance);
                branches.push_back({side, base - t * height, length, 0.35f * length + 2.0f,
                                    3.5f + 0.14f * length, index});
            }
            t += 0.014f + 0.012f * noise::hash01(index, 3, seed);
        }
    }

    float coverage(float px, float py) const {
        if (py > base || py < base - height || std::abs(px - x) > width) {
            return 0.0f;
        }
        const float t = (base - py) / height;
        float cover = clamp01(0.02f * width * (1.0f - t) + 0.6f - std::abs(px - x) + 0.5f);
        const float side = px < x ? -1.0f : 1.0f;
        const float reach = std::abs(px - x);
        for (const Branch& branch : branches) {
            if (branch.side != side || reach > branch.length || py < branch.y - 8.0f ||
                py > branch.y + branch.droop + 8.0f) {
                continue;
            }
            const float u = reach / branch.length;
            const float centre = branch.y + branch.droop * std::pow(u, 1.6f);
            const float needles =
                3.0f * noise::fbm(reach * 0.45f, branch.index * 3.1f + side, 3, seed) +
                1.5f * noise::gradient(px * 0.9f, py * 0.9f, seed + 7U);
            const float half =
                branch.thickness *
                    (0.55f + 0.45f * std::sin(3.14159f * std::min(1.0f, u * 1.3f + 0.15f))) +
                needles;
            cover = std::max(cover, clamp01(half - std::abs(py - centre) + 0.5f));
        }
        return cover;
    }

    // How much of the pixel faces the low sun on the right.
    float rim(float px) const { return clamp01((px - x) / (0.5f * width)) * 0.6f; }

private:
    struct Branch {
        float side;
        float y;
        float length;
        float droop;
        float thickness;
        int index;
    };

    float x;
    float base;
    float height;
    float width;
    std::uint32_t seed;
    std::vector<Branch> branches;
};

std::vector<Pine> pinesOn(const Scene& scene) {
    std::vector<Pine> pines;
    const float spots[][3] = {
        {70, 780, 190}, {165, 640, 160}, {258, 530, 135}, {330, 390, 100}, {380, 300, 80}};
    std::uint32_t seed = 960U;
    for (const auto& spot : spots) {
        pines.emplace_back(spot[0], scene.shoreTop(spot[0]) + 8.0f, spot[1], spot[2], seed++);
    }
    return pines;
}

}  // namespace

QImage drawLandscape(int width, int height) {
    const Scene scene(width, height);
    const std::vector<Pine> pines = pinesOn(scene);
    QImage image(width, height, QImage::Format_RGB32);
    for (int row = 0; row < height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        const float y = row + 0.5f;
        for (int column = 0; column < width; ++column) {
            const float x = column + 0.5f;
            Rgb colour = y < scene.waterLine() ? scene.above(x, y) : scene.water(x, y);
            if (y >= scene.shoreTop(x)) {
                colour = scene.shore(x, y);
            }
            for (const Pine& pine : pines) {
                const float cover = pine.coverage(x, y);
                if (cover > 0.0f) {
                    const Rgb needles =
                        Rgb{0.03f, 0.05f, 0.04f} + Rgb{0.30f, 0.16f, 0.06f} * pine.rim(x);
                    colour = mix(colour, needles, cover);
                }
            }
            // Vignette and a fine film grain, so that the picture does not look flat.
            const float dx = x / width - 0.5f;
            const float dy = y / height - 0.5f;
            const float vignette = 1.0f - 0.55f * (dx * dx + dy * dy);
            const float grain = 0.012f * (noise::hash01(column, row, 990U) - 0.5f);
            colour = colour * vignette + Rgb{grain, grain, grain};
            line[column] = toArgb(colour, 1.0f);
        }
    }
    return image;
}
