// Repeatable noise for the procedural backgrounds: the same seed always gives
// the same picture, and every pattern can wrap round a given period so that
// the scrolling strips join without a seam.
#pragma once

#include <cstdint>

namespace pictures {

uint32_t Hash(uint32_t a, uint32_t b, uint32_t seed);
// 0 <= value < 1 from a hash.
float Random01(uint32_t a, uint32_t b, uint32_t seed);
// Smooth value noise, 0..1, on a lattice of `cell` pixels that repeats every
// `periodX` x `periodY` pixels (both multiples of `cell`).
float PeriodicNoise(float x, float y, int cell, int periodX, int periodY, uint32_t seed);
// Several octaves of it, from `cell` down to cell / 2^(octaves-1).
float PeriodicFractal(float x, float y, int cell, int octaves, int periodX, int periodY, uint32_t seed);

}  // namespace pictures
