#include "Skins.h"

#include "Noise.h"
#include "Profile.h"
#include "SkinParts.h"

#include <cmath>

namespace {

// Room around the frame for its drop shadow, which falls to the lower right.
constexpr int kShadowLeft = 12;
constexpr int kShadowTop = 10;
constexpr int kShadowRight = 22;
constexpr int kShadowBottom = 24;

struct Layout {
    QSize canvas;
    QRect frame;
    QRect opening;
    QRect area;
};

// Places a frame of the given outer size and moulding width on a canvas with room for the
// shadow; `margins` are the mat's widths around the photo (left, top, right, bottom).
Layout layoutFor(QSize frameSize, int moulding, QMargins margins) {
    Layout layout;
    layout.canvas = frameSize + QSize(kShadowLeft + kShadowRight, kShadowTop + kShadowBottom);
    layout.frame = QRect(QPoint(kShadowLeft, kShadowTop), frameSize);
    layout.opening = layout.frame.adjusted(moulding, moulding, -moulding, -moulding);
    layout.area = layout.opening.marginsRemoved(margins);
    return layout;
}

DrawnSkin assemble(const QString& folder, const QString& name, const Layout& layout,
                   const QImage& frame, const QImage& mat) {
    return {folder,
            name,
            layout.canvas,
            layout.area,
            {{"shadow.png", QPoint(0, 0), drawDropShadow(layout.canvas, layout.frame)},
             {"mat.png", layout.opening.topLeft(), mat},
             {"frame.png", layout.frame.topLeft(), frame},
             {"glass.png", layout.opening.topLeft(), drawGlass(mat)}}};
}

Surface gold(float along, float across, std::uint32_t seed) {
    Surface surface;
    const float patina = noise::fbm(along * 0.05f, across * 0.3f, 3, seed);
    surface.albedo =
        mix(Rgb{0.84f, 0.60f, 0.25f}, Rgb{0.52f, 0.34f, 0.13f}, clamp01(0.3f + patina));
    surface.metalness = 1.0f;
    surface.ambient = 0.45f;
    surface.diffuse = 0.95f;
    surface.specular = 0.75f;
    surface.shininess = 22.0f;
    return surface;
}

// Mat board with a faint paper texture.
Rgb paper(Rgb colour, QPointF p, std::uint32_t seed) {
    const float fibre =
        0.018f * noise::fbm(p.x() * 0.35f, p.y() * 0.35f, 2, seed) +
        0.012f * (noise::hash01(static_cast<int>(p.x()), static_cast<int>(p.y()), seed) - 0.5f);
    return colour * (1.0f + fibre);
}

// Dark polished walnut: wavy grain along each side and open pores.
Rgb walnutColour(const MouldingPoint& p) {
    const std::uint32_t seed = 11U + static_cast<std::uint32_t>(p.side) * 7U;
    const float wave =
        3.2f * noise::fbm(p.along * 0.006f, p.across * 0.05f + p.side * 10.0f, 3, seed) +
        0.9f * noise::fbm(p.along * 0.03f, p.across * 0.15f, 2, seed + 1U);
    const float rings = std::pow(0.5f + 0.5f * std::sin((p.across * 0.55f + wave) * 2.1f), 3.0f);
    const float pores =
        smoothstep(0.15f, 0.65f, noise::fbm(p.along * 0.09f, p.across * 1.7f, 2, seed + 2U));
    const float figure = noise::fbm(p.along * 0.004f, p.across * 0.02f, 2, seed + 3U);
    const Rgb light{0.40f, 0.23f, 0.12f};
    const Rgb dark{0.17f, 0.09f, 0.05f};
    return mix(light, dark, clamp01(rings * 0.75f + figure * 0.35f + 0.1f)) *
           (1.0f - 0.28f * pores);
}

}  // namespace

DrawnSkin drawWalnut() {
    const Layout layout = layoutFor(QSize(400, 310), 38, QMargins(26, 24, 26, 30));
    const Profile profile({{0, 0},
                           {1.5, 4},
                           {4, 6.5},
                           {8, 7},
                           {11, 6.5},
                           {18, 2.5},
                           {23, 3},
                           {26, 6},
                           {29, 6.8},
                           {31.5, 5.5},
                           {33, 3.5},
                           {35, 3.8},
                           {37, 2.2},
                           {38, 1.2}});
    MouldingStyle style;
    style.width = 38;
    style.mitreShade = 0.35f;
    style.height = [&](const MouldingPoint& p) { return profile(p.across); };
    style.surface = [](const MouldingPoint& p) {
        if (p.across > 33.0f) {
            return gold(p.along, p.across, 5U);
        }
        Surface wood;
        wood.albedo = walnutColour(p);
        wood.ambient = 0.45f;
        wood.diffuse = 0.75f;
        wood.specular = 0.30f;
        wood.shininess = 40.0f;
        return wood;
    };
    const QImage frame = drawRectMoulding(layout.frame.size(), style);

    const Profile bevel({{0, -3.5}, {4, 0}});
    MatStyle mat;
    mat.distance = rectOpening(QRectF(layout.area.translated(-layout.opening.topLeft())));
    mat.height = [&](float d) { return bevel(d); };
    mat.surface = [](float d, QPointF p) {
        Surface board;
        board.albedo =
            d < 4.0f ? Rgb{0.97f, 0.95f, 0.90f} : paper(Rgb{0.90f, 0.86f, 0.78f}, p, 21U);
        board.ambient = 0.55f;
        board.diffuse = 0.55f;
        board.specular = 0.04f;
        board.shininess = 8.0f;
        return board;
    };
    return assemble("Walnut", "Walnut", layout, frame, drawMat(layout.opening.size(), mat));
}

DrawnSkin drawSilverPortrait() {
    const Layout layout = layoutFor(QSize(300, 400), 30, QMargins(28, 28, 28, 34));
    const Profile profile({{0, 0},
                           {1, 3},
                           {3, 5},
                           {6, 5.5},
                           {9, 4.5},
                           {13, 2},
                           {16, 1.5},
                           {19, 3.5},
                           {21, 4.2},
                           {23, 3.5},
                           {26, 2},
                           {28.5, 1.5},
                           {30, 0.5}});
    MouldingStyle style;
    style.width = 30;
    style.mitreShade = 0.18f;
    style.height = [&](const MouldingPoint& p) { return profile(p.across); };
    style.surface = [](const MouldingPoint& p) {
        const std::uint32_t seed = 31U + static_cast<std::uint32_t>(p.side);
        // Brushed along each side: fine streaks across, long and smooth along.
        const float brush = noise::fbm(p.along * 0.012f, p.across * 2.6f, 3, seed);
        const float grain = noise::hash01(static_cast<int>(p.along * 0.08f),
                                          static_cast<int>(p.across * 3.0f), seed);
        Surface metal;
        metal.albedo = Rgb{0.80f, 0.81f, 0.84f} * (0.90f + 0.12f * brush + 0.08f * (grain - 0.5f));
        metal.metalness = 1.0f;
        metal.ambient = 0.45f;
        metal.diffuse = 0.95f;
        metal.specular = 0.65f;
        metal.shininess = 28.0f;
        return metal;
    };
    const QImage frame = drawRectMoulding(layout.frame.size(), style);

    // A white mat with a black under-mat showing a thin line around the photo.
    constexpr float reveal = 5.0f;
    const Profile bevel(
        {{0, -5.0}, {1.5, -3.5}, {reveal, -3.5}, {reveal + 0.01, -3.2}, {reveal + 4.0, 0}});
    MatStyle mat;
    mat.distance = rectOpening(QRectF(layout.area.translated(-layout.opening.topLeft())));
    mat.height = [&](float d) { return bevel(d); };
    mat.surface = [](float d, QPointF p) {
        Surface board;
        board.ambient = 0.55f;
        board.diffuse = 0.55f;
        board.specular = 0.04f;
        board.shininess = 8.0f;
        if (d < reveal) {
            board.albedo = Rgb{0.10f, 0.10f, 0.11f};
        } else if (d < reveal + 4.0f) {
            board.albedo = Rgb{0.98f, 0.98f, 0.97f};
        } else {
            board.albedo = paper(Rgb{0.93f, 0.93f, 0.92f}, p, 41U);
        }
        return board;
    };
    return assemble("SilverPortrait", "Silver Portrait", layout, frame,
                    drawMat(layout.opening.size(), mat));
}

DrawnSkin drawGildedOval() {
    const Layout layout = layoutFor(QSize(360, 360), 46, QMargins(44, 24, 44, 24));
    const Profile profile({{0, 0},
                           {2, 5},
                           {5, 8},
                           {9, 9},
                           {13, 8},
                           {17, 5},
                           {22, 3},
                           {27, 4},
                           {32, 6},
                           {37, 5},
                           {40, 3.5},
                           {43, 2.5},
                           {46, 1}});
    MouldingStyle style;
    style.width = 46;
    style.mitreShade = 0.15f;
    style.height = [&](const MouldingPoint& p) {
        float h = profile(p.across);
        // Gadroons: a row of rounded lobes in the outer cove.
        const float lobe = std::pow(std::abs(std::sin(p.along * 3.14159f / 9.0f)), 0.6f);
        h += 1.8f * lobe * smoothstep(13.0f, 16.0f, p.across) *
             (1.0f - smoothstep(22.0f, 25.0f, p.across));
        // A string of pearls along the sight edge.
        const float cell = std::fmod(p.along + 1000.0f * 7.0f, 7.0f) - 3.5f;
        const float bead = 9.0f - cell * cell - (p.across - 40.5f) * (p.across - 40.5f);
        if (bead > 0.0f) {
            h = std::max(h, 2.5f + 0.9f * std::sqrt(bead));
        }
        return h;
    };
    style.surface = [](const MouldingPoint& p) {
        return gold(p.along, p.across, 61U + static_cast<std::uint32_t>(p.side));
    };
    const QImage frame = drawRectMoulding(layout.frame.size(), style);

    // Burgundy velvet with a gilt slip around the oval.
    constexpr float slip = 11.0f;
    const Profile rim(
        {{0, -2}, {1.5, 1.5}, {4, 3.5}, {6.5, 4}, {9, 2.5}, {slip, 0}, {slip + 1, 0}});
    MatStyle mat;
    mat.distance = ellipseOpening(QRectF(layout.area.translated(-layout.opening.topLeft())));
    mat.height = [&](float d) { return rim(d); };
    mat.surface = [](float d, QPointF p) {
        const Surface slipSurface = gold(static_cast<float>(p.x() + p.y()), d, 71U);
        Surface velvet;
        const float pile = noise::fbm(p.x() * 0.6f, p.y() * 0.6f, 2, 73U);
        const float sheen = noise::fbm(p.x() * 0.02f, p.y() * 0.02f, 2, 74U);
        velvet.albedo = Rgb{0.36f, 0.06f, 0.09f} * (1.0f + 0.06f * pile + 0.12f * sheen);
        velvet.ambient = 0.55f;
        velvet.diffuse = 0.55f;
        velvet.specular = 0.03f;
        velvet.shininess = 6.0f;
        // Blended across one pixel, so that the curved border does not show steps.
        return mix(slipSurface, velvet, smoothstep(slip - 0.7f, slip + 0.7f, d));
    };
    return assemble("GildedOval", "Gilded Oval", layout, frame,
                    drawMat(layout.opening.size(), mat));
}
