// Repeatable, wrapping noise.
#include "noise.h"

#include <cmath>

namespace pictures {

uint32_t Hash(uint32_t a, uint32_t b, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u ^ a * 0x85EBCA77u ^ b * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float Random01(uint32_t a, uint32_t b, uint32_t seed) { return (Hash(a, b, seed) >> 8) / 16777216.0f; }

static int Wrap(int v, int period) { return ((v % period) + period) % period; }

float PeriodicNoise(float x, float y, int cell, int periodX, int periodY, uint32_t seed) {
    const int nx = periodX / cell, ny = periodY / cell;
    float fx = x / cell, fy = y / cell;
    int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    float tx = fx - ix, ty = fy - iy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto at = [&](int i, int j) { return Random01(Wrap(i, nx), Wrap(j, ny), seed); };
    float a = at(ix, iy), b = at(ix + 1, iy), c = at(ix, iy + 1), d = at(ix + 1, iy + 1);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float PeriodicFractal(float x, float y, int cell, int octaves, int periodX, int periodY, uint32_t seed) {
    float sum = 0, weight = 1, total = 0;
    for (int o = 0; o < octaves && cell >= 1; ++o) {
        sum += weight * PeriodicNoise(x, y, cell, periodX, periodY, seed + 101 * o);
        total += weight;
        weight *= 0.5f;
        cell /= 2;
    }
    return sum / total;
}

}  // namespace pictures
