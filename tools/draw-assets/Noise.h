#pragma once

#include <cstdint>

// Deterministic noise for the procedural textures: the same seed draws the same picture on
// every machine, so the committed assets can be redrawn exactly.
namespace noise {

// Uniform value in [0, 1) for an integer lattice point.
float hash01(int x, int y, std::uint32_t seed);

// Smooth gradient noise, roughly in [-1, 1].
float gradient(float x, float y, std::uint32_t seed);

// Sum of `octaves` gradient noises, each at twice the frequency and half the amplitude;
// normalised to roughly [-1, 1].
float fbm(float x, float y, int octaves, std::uint32_t seed);

// Gradient noise along a line.
inline float line(float x, int octaves, std::uint32_t seed) {
    return fbm(x, 0.5f, octaves, seed);
}

}  // namespace noise
