// Bursts, explosion steps and the beam piece, drawn from simple formulas so
// that their sizes and colours are easy to tune.
#include "effects.h"

#include <algorithm>
#include <cmath>

#include "noise.h"

namespace pictures {

namespace {

constexpr float Pi = 3.14159265358979f;
constexpr Rgb White{255, 255, 255};
constexpr Rgb Yellow{255, 236, 120};
constexpr Rgb Orange{255, 150, 40};
constexpr Rgb Red{220, 50, 30};
constexpr Rgb Ember{140, 30, 20};
constexpr Rgb Smoke{90, 70, 90};
constexpr Rgb SmokeDark{48, 36, 52};

// Fire colour for heat 1 (white) down to 0 (dull red).
Rgb Heat(float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    if (t > 0.75f) return Mix(Yellow, White, (t - 0.75f) * 4);
    if (t > 0.45f) return Mix(Orange, Yellow, (t - 0.45f) / 0.3f);
    if (t > 0.2f) return Mix(Red, Orange, (t - 0.2f) / 0.25f);
    return Mix(Ember, Red, t / 0.2f);
}

// Short rays from the centre at fixed, uneven angles.
void Rays(Picture& p, int count, float from, float to, float heat, uint32_t seed) {
    for (int i = 0; i < count; ++i) {
        float a = (i + 0.3f * Random01(i, 1, seed)) * 2 * Pi / count;
        float len = to * (0.7f + 0.3f * Random01(i, 2, seed));
        for (float r = from; r <= len; r += 0.5f) {
            int x = static_cast<int>(std::floor(10 + r * std::sin(a)));
            int y = static_cast<int>(std::floor(10 - r * std::cos(a)));
            Paint(p, x, y, Heat(heat * (1.0f - 0.6f * (r - from) / std::max(1.0f, len - from))));
        }
    }
}

}  // namespace

Picture MakeBurst(int frame) {
    Picture p = MakePicture(20, 20);
    // Radius of the fireball and of the outer ring per frame.
    constexpr float Core[BurstFrames] = {4.5f, 6.0f, 4.0f, 0.0f};
    constexpr float Ring[BurstFrames] = {0.0f, 8.5f, 9.5f, 9.8f};
    constexpr float Heats[BurstFrames] = {1.0f, 0.85f, 0.55f, 0.3f};
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            float dx = x + 0.5f - 10, dy = y + 0.5f - 10;
            float d = std::sqrt(dx * dx + dy * dy);
            if (d < Core[frame]) Paint(p, x, y, Heat(Heats[frame] * (1.1f - 0.5f * d / Core[frame])));
            else if (Ring[frame] > 0 && d < Ring[frame] && d > Ring[frame] - (frame == 1 ? 2.0f : 1.2f)) {
                // The ring breaks up as it fades.
                if (frame >= 2 && Random01(x, y, 77 + frame) < 0.35f * frame) continue;
                Paint(p, x, y, Heat(Heats[frame] * 0.8f));
            }
        }
    if (frame == 0) Rays(p, 8, 3, 9.5f, 1.0f, 5);
    if (frame == 1) Rays(p, 6, 6, 9.5f, 0.8f, 6);
    if (frame == 3)
        for (int i = 0; i < 9; ++i) {
            float a = i * 2 * Pi / 9 + 0.4f;
            float r = 6 + 3 * Random01(i, 3, 8);
            Paint(p, static_cast<int>(10 + r * std::sin(a)), static_cast<int>(10 - r * std::cos(a)), Heat(0.5f));
        }
    return p;
}

Picture MakeExplosion(int step) {
    Picture p = MakePicture(20, 20);
    // Later steps of the countdown are earlier moments of the blast.
    const int age = 4 - step;  // 0 at the hit, 4 at the end
    constexpr float Radius[ExplosionSteps] = {6.5f, 8.5f, 9.8f, 9.8f, 9.0f};
    const float radius = Radius[age];
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            float dx = x + 0.5f - 10, dy = y + 0.5f - 10;
            float d = std::sqrt(dx * dx + dy * dy);
            float n = PeriodicFractal(x, y, 10, 2, 20, 20, 300 + age);
            float edge = radius * (0.72f + 0.4f * n);
            if (d > edge) continue;
            float t = 1.0f - d / edge;  // 1 at the centre, 0 at the rim
            float grain = n - 0.5f;
            switch (age) {
                case 0:  // white-hot ball
                    Paint(p, x, y, Heat(0.7f + 0.5f * t + 0.2f * grain));
                    break;
                case 1:  // fireball, hot inside, red rim
                    Paint(p, x, y, Heat(0.25f + 0.8f * t + 0.35f * grain));
                    break;
                case 2: {  // burning out: dark smoke breaks through the flame
                    float heat = 0.1f + 0.75f * t + 0.6f * grain;
                    Paint(p, x, y, heat < 0.22f ? Mix(SmokeDark, Smoke, n) : Heat(heat));
                    break;
                }
                case 3:  // a ring of smoke with embers, hollow in the middle
                    if (d < 3.0f + 2.0f * n) continue;
                    Paint(p, x, y, Random01(x, y, 403) < 0.15f ? Heat(0.45f) : Mix(SmokeDark, Smoke, n));
                    break;
                default:  // last wisps
                    if (n < 0.4f || d < 2.5f) continue;
                    Paint(p, x, y, Random01(x, y, 404) < 0.08f ? Heat(0.3f) : Mix(SmokeDark, Smoke, n * 0.8f));
                    break;
            }
        }
    if (age == 0) {
        // The moment of the hit: a white flash with long rays.
        Rays(p, 10, 2, 9.8f, 1.0f, 11);
        for (int y = 6; y < 14; ++y)
            for (int x = 6; x < 14; ++x)
                if (std::abs(x - 9.5f) + std::abs(y - 9.5f) < 4.0f) Paint(p, x, y, White);
    }
    if (age == 1) Rays(p, 7, 7, 9.8f, 0.8f, 12);
    return p;
}

Picture MakeBeamPiece() {
    constexpr int Width = 80, Height = 20;
    Picture p = MakePicture(Width, Height);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            float d = std::abs(x + 0.5f - Width / 2.0f);  // 0 .. 40 from the middle
            // The beam's edges ripple with a period that divides the piece,
            // so that the pieces join into one beam.
            float ripple = std::sin((y + 0.5f) * 2 * Pi / 10.0f);
            float swell = std::sin((y + 0.5f) * 2 * Pi / 20.0f);
            float core = 6.0f + 1.0f * ripple;
            float body = 15.0f + 1.5f * swell;
            float halo = 27.0f + 2.0f * ripple;
            if (d < core) {
                Paint(p, x, y, Mix(White, Rgb{255, 250, 200}, d / core));
            } else if (d < body) {
                float t = (d - core) / (body - core);
                Paint(p, x, y, t < 0.5f ? Mix(Rgb{255, 250, 200}, Yellow, t * 2) : Mix(Yellow, Orange, t * 2 - 1));
            } else if (d < halo) {
                // A see-through halo of fine streaks running up the beam.
                float t = (d - body) / (halo - body);
                int column = static_cast<int>(d);
                if (column % 2 == 0) Paint(p, x, y, Mix(Orange, Red, t));
                else if (t < 0.3f) Paint(p, x, y, Mix(Orange, Red, 0.5f));
            } else if (d < 36.0f) {
                // Sparks thrown off the edge, in a pattern that repeats every piece.
                int column = static_cast<int>(d);
                if ((column * 7 + y * 3) % 20 == 0) Paint(p, x, y, Mix(Orange, Red, 0.5f));
            }
        }
    return p;
}

}  // namespace pictures
