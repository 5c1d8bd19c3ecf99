// Stage pictures: procedural walls and floors that wrap, and the boss poses.
#include "stages.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <span>

#include "noise.h"
#include "source_text.h"

namespace pictures {

namespace {

struct StyleWord {
    const char* word;
    int style;
};
constexpr StyleWord WallWords[] = {
    {"girders", static_cast<int>(WallStyle::Girders)}, {"rock", static_cast<int>(WallStyle::Rock)},
    {"ice", static_cast<int>(WallStyle::Ice)},         {"magma", static_cast<int>(WallStyle::Magma)},
    {"circuit", static_cast<int>(WallStyle::Circuit)},
};
constexpr StyleWord FloorWords[] = {
    {"starfield", static_cast<int>(FloorStyle::Starfield)}, {"nebula", static_cast<int>(FloorStyle::Nebula)},
    {"floes", static_cast<int>(FloorStyle::Floes)},         {"lava", static_cast<int>(FloorStyle::Lava)},
    {"grid", static_cast<int>(FloorStyle::Grid)},
};

struct ColourName {
    const char* word;
    Rgb StageColours::*member;
};
constexpr ColourName ColourNames[] = {
    {"wall_dark", &StageColours::wallDark},     {"wall_mid", &StageColours::wallMid},
    {"wall_light", &StageColours::wallLight},   {"wall_lamp", &StageColours::wallLamp},
    {"floor_dark", &StageColours::floorDark},   {"floor_mid", &StageColours::floorMid},
    {"floor_light", &StageColours::floorLight}, {"floor_accent", &StageColours::floorAccent},
};

constexpr float LightX = -0.55f, LightY = -0.65f;

// Lambert shading of a height field at (x, y), heights from `height`.
template <typename HeightFn>
float Shade(HeightFn height, int x, int y, float strength) {
    float dx = (height(x + 1, y) - height(x - 1, y)) * strength;
    float dy = (height(x, y + 1) - height(x, y - 1)) * strength;
    float nx = -dx, ny = -dy, nz = 1.0f;
    float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    float lz = 0.5f;
    float ll = std::sqrt(LightX * LightX + LightY * LightY + lz * lz);
    return std::max(0.0f, (nx * LightX + ny * LightY + nz * lz) / (len * ll));
}

int WrapY(int y, int period) { return ((y % period) + period) % period; }

// Three-colour ramp: 0 dark, 0.5 mid, 1 light.
Rgb Ramp(Rgb dark, Rgb mid, Rgb light, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return t < 0.5f ? Mix(dark, mid, t * 2) : Mix(mid, light, (t - 0.5f) * 2);
}

// ---- walls (drawn as the left strip: outer side at x 0, inner edge at x 59)

// The raised lip along the inner edge, common to every wall: a lit top face,
// a dark face dropping to the floor, and lamps every 40 rows.
void DrawLip(Picture& p, const StageColours& c, int lipWidth, bool lamps) {
    const int x0 = StripWidth - lipWidth;
    for (int y = 0; y < StageSize; ++y) {
        for (int x = x0; x < StripWidth; ++x) {
            int i = x - x0;
            Rgb colour = i == 0 ? c.wallLight
                         : i < lipWidth - 3 ? Mix(c.wallMid, c.wallLight, 0.25f)
                         : i < lipWidth - 1 ? c.wallDark
                                            : Scale(c.wallDark, 0.6f);
            Paint(p, x, y, colour);
        }
        // The lip's own seams every 20 rows, clear of the wrap.
        if (y % 20 == 10)
            for (int x = x0 + 1; x < StripWidth - 3; ++x) Paint(p, x, y, c.wallDark);
    }
    if (!lamps) return;
    for (int y = 20; y < StageSize; y += 40) {
        int lx = x0 + lipWidth / 2 - 1;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -1; dx <= 2; ++dx) {
                float d = std::abs(dy) + std::abs(dx - 0.5f);
                if (d > 2.5f) continue;
                Paint(p, lx + dx, y + dy, d < 1.0f ? Mix(c.wallLamp, Rgb{255, 255, 255}, 0.5f)
                                                   : Scale(c.wallLamp, 0.8f));
            }
    }
}

Picture WallGirders(const StageSource& s, uint32_t seed) {
    const StageColours& c = s.colours;
    Picture p = MakePicture(StripWidth, StageSize);
    // Plating with faint grain.
    for (int y = 0; y < StageSize; ++y)
        for (int x = 0; x < StripWidth; ++x) {
            float n = PeriodicFractal(x, y, 20, 3, 240, 240, seed);
            Paint(p, x, y, Mix(c.wallDark, c.wallMid, 0.55f + 0.35f * (n - 0.5f)));
        }
    // Plates 48 rows high in two columns, with bevelled seams and rivets; the
    // plates are offset by half a plate so that the wrap falls inside one.
    for (int y = 0; y < StageSize; ++y)
        for (int x = 20; x < 50; ++x) {
            int py = (y + 24) % 48;
            int px = x - 20;
            if (py == 0 || px == 0 || px == 15) Paint(p, x, y, Scale(c.wallDark, 0.7f));
            else if (py == 1 || px == 1 || px == 16) Paint(p, x, y, Mix(c.wallMid, c.wallLight, 0.5f));
            else if (py == 47 || px == 14 || px == 29) Paint(p, x, y, c.wallDark);
            bool rivet = (py == 4 || py == 43) && (px == 4 || px == 11 || px == 19 || px == 26);
            if (rivet) {
                Paint(p, x, y, c.wallLight);
                Paint(p, x + 1, y + 1, Scale(c.wallDark, 0.7f));
            }
        }
    // A hatch on one plate of each column, a vent grille on another.
    for (int y = 0; y < StageSize; ++y) {
        int py = (y + 24) % 48, plate = (y + 24) / 48 % 5;
        for (int x = 20; x < 50; ++x) {
            int px = x - 20;
            int col = px < 15 ? 0 : 1;
            uint32_t kind = Hash(plate, col, seed) % 4;
            int lx = px % 15;
            if (kind == 0 && py >= 10 && py <= 37 && lx >= 4 && lx <= 10) {
                // Vent: dark slots.
                Paint(p, x, y, (py % 4 < 2) ? Scale(c.wallDark, 0.55f) : Mix(c.wallMid, c.wallLight, 0.2f));
            } else if (kind == 1 && py >= 14 && py <= 33 && lx >= 3 && lx <= 11) {
                bool edge = py == 14 || py == 33 || lx == 3 || lx == 11;
                if (edge) Paint(p, x, y, (py == 14 || lx == 3) ? c.wallLight : Scale(c.wallDark, 0.7f));
                if (!edge && py >= 21 && py <= 26 && lx >= 6 && lx <= 8)
                    Paint(p, x, y, py % 2 ? c.wallLamp : Scale(c.wallLamp, 0.5f));
            }
        }
    }
    // The truss along the outer side: two rails and cross bracing.
    for (int y = 0; y < StageSize; ++y)
        for (int x = 0; x < 19; ++x) {
            int cy = (y + 12) % 24;
            bool rail = x == 2 || x == 3 || x == 15 || x == 16;
            bool rung = (cy == 0 || cy == 1) && x > 2 && x < 16;
            // Cross bracing from rail to rail between two rungs.
            bool brace = x > 3 && x < 15 && ((x - 3) == cy / 2 || (15 - x) == cy / 2);
            if (!rail && !rung && !brace) Paint(p, x, y, Mix(Scale(c.wallDark, 0.5f), c.wallDark, x / 19.0f));
            if (brace) Paint(p, x, y, Mix(c.wallDark, c.wallMid, 0.9f));
            if (rung) Paint(p, x, y, cy == 0 ? c.wallLight : c.wallMid);
            if (rail) Paint(p, x, y, (x == 2 || x == 15) ? c.wallLight : c.wallMid);
        }
    DrawLip(p, c, 10, true);
    // Hazard stripes on the lip in one stretch.
    for (int y = 120; y < 152; ++y)
        for (int x = 51; x < 57; ++x)
            Paint(p, x, y, ((x + y) / 3) % 2 ? Scale(c.wallLamp, 0.75f) : Scale(c.wallDark, 0.8f));
    return p;
}

Picture WallRock(const StageSource& s, uint32_t seed) {
    const StageColours& c = s.colours;
    Picture p = MakePicture(StripWidth, StageSize);
    // Craters: a few bowls pressed into the height field.
    struct Crater {
        float x, y, r;
    };
    Crater craters[6];
    for (int i = 0; i < 6; ++i)
        craters[i] = {6 + Random01(i, 1, seed) * 40, Random01(i, 2, seed) * 240, 5 + Random01(i, 3, seed) * 8};
    auto height = [&](int x, int y) {
        y = WrapY(y, StageSize);
        float h = PeriodicFractal(x, y, 40, 4, 240, 240, seed) * 14;
        for (const Crater& k : craters)
            for (int wrap = -1; wrap <= 1; ++wrap) {
                float dx = x - k.x, dy = y - (k.y + wrap * 240);
                float d = std::sqrt(dx * dx + dy * dy) / k.r;
                if (d < 1.0f) h -= (1 - d * d) * 6;
                else if (d < 1.4f) h += (1.4f - d) * 5;
            }
        // The rock rises toward the outer side.
        return h + (StripWidth - x) * 0.12f;
    };
    for (int y = 0; y < StageSize; ++y)
        for (int x = 0; x < StripWidth; ++x) {
            float l = Shade(height, x, y, 0.9f);
            float grain = Random01(x, y, seed + 9) * 0.12f;
            Paint(p, x, y, Ramp(c.wallDark, c.wallMid, c.wallLight, l * 0.9f + grain - 0.05f));
        }
    // Crystal glints: small bright specks in a few hollows.
    for (int i = 0; i < 14; ++i) {
        int x = 4 + static_cast<int>(Random01(i, 5, seed) * 44);
        int y = static_cast<int>(Random01(i, 6, seed) * 240);
        Paint(p, x, y, c.wallLamp);
        Paint(p, x + 1, y, Scale(c.wallLamp, 0.6f));
        Paint(p, x, WrapY(y + 1, StageSize), Scale(c.wallLamp, 0.6f));
    }
    // A ragged cliff edge toward the floor.
    for (int y = 0; y < StageSize; ++y) {
        int edge = StripWidth - 6 + static_cast<int>(PeriodicNoise(0, y, 20, 240, 240, seed + 3) * 5) - 2;
        for (int x = edge - 2; x < StripWidth; ++x)
            Paint(p, x, y, x < edge ? c.wallLight : x < edge + 3 ? c.wallDark : Scale(c.wallDark, 0.55f));
    }
    return p;
}

// Voronoi cells on a jittered grid that wraps every 240 rows.
struct Cells {
    float d1, d2;
    uint32_t id;
};
Cells NearestCells(float x, float y, int cell, uint32_t seed) {
    const int rows = StageSize / cell;
    Cells r{1e9f, 1e9f, 0};
    int cx = static_cast<int>(std::floor(x / cell)), cy = static_cast<int>(std::floor(y / cell));
    for (int j = cy - 1; j <= cy + 1; ++j)
        for (int i = cx - 1; i <= cx + 1; ++i) {
            int wj = WrapY(j, rows);
            float px = (i + 0.15f + 0.7f * Random01(i + 50, wj, seed)) * cell;
            float py = (j + 0.15f + 0.7f * Random01(i + 50, wj, seed + 1)) * cell;
            float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < r.d1) {
                r.d2 = r.d1;
                r.d1 = d;
                r.id = Hash(i + 50, wj, seed);
            } else if (d < r.d2) {
                r.d2 = d;
            }
        }
    return r;
}

Picture WallIce(const StageSource& s, uint32_t seed) {
    const StageColours& c = s.colours;
    Picture p = MakePicture(StripWidth, StageSize);
    for (int y = 0; y < StageSize; ++y)
        for (int x = 0; x < StripWidth; ++x) {
            Cells v = NearestCells(x, y, 16, seed);
            // Each facet leans its own way: a flat shade per cell.
            float facet = 0.25f + 0.6f * ((v.id >> 8) % 256) / 255.0f;
            float frost = PeriodicFractal(x, y, 20, 3, 240, 240, seed + 4) * 0.25f;
            Rgb col = Ramp(c.wallDark, c.wallMid, c.wallLight, facet * 0.8f + frost);
            float edge = v.d2 - v.d1;
            if (edge < 1.0f) col = Mix(col, c.wallLight, 0.6f);
            else if (edge < 2.0f) col = Scale(col, 0.75f);
            // Deeper ice toward the outer side.
            col = Mix(Scale(c.wallDark, 0.7f), col, std::min(1.0f, 0.55f + x / 50.0f));
            Paint(p, x, y, col);
        }
    for (int i = 0; i < 10; ++i) {
        int x = 6 + static_cast<int>(Random01(i, 7, seed) * 42);
        int y = static_cast<int>(Random01(i, 8, seed) * 240);
        Rgb glint = c.wallLamp;
        Paint(p, x, y, glint);
        for (int d = 1; d <= 2; ++d) {
            Rgb dim = Scale(glint, d == 1 ? 0.7f : 0.4f);
            Paint(p, x - d, y, dim);
            Paint(p, x + d, y, dim);
            Paint(p, x, WrapY(y - d, StageSize), dim);
            Paint(p, x, WrapY(y + d, StageSize), dim);
        }
    }
    for (int y = 0; y < StageSize; ++y) {
        int edge = StripWidth - 6 + static_cast<int>(PeriodicNoise(0, y, 12, 240, 240, seed + 3) * 4) - 1;
        for (int x = edge - 1; x < StripWidth; ++x)
            Paint(p, x, y, x < edge ? Mix(c.wallLight, Rgb{255, 255, 255}, 0.2f)
                           : x < edge + 2 ? c.wallMid : Scale(c.wallDark, 0.6f));
    }
    return p;
}

Picture WallMagma(const StageSource& s, uint32_t seed) {
    const StageColours& c = s.colours;
    Picture p = MakePicture(StripWidth, StageSize);
    auto height = [&](int x, int y) { return PeriodicFractal(x, WrapY(y, StageSize), 24, 4, 240, 240, seed) * 12; };
    for (int y = 0; y < StageSize; ++y)
        for (int x = 0; x < StripWidth; ++x) {
            float l = Shade(height, x, y, 1.0f);
            Rgb rock = Ramp(Scale(c.wallDark, 0.8f), c.wallDark, c.wallMid, l * 0.85f);
            // Glowing cracks where the ridged noise peaks.
            float n = PeriodicFractal(x, y, 40, 3, 240, 240, seed + 17);
            float ridge = 1.0f - std::abs(2.0f * n - 1.0f);
            if (ridge > 0.93f) {
                float t = (ridge - 0.93f) / 0.07f;
                rock = Mix(Scale(c.wallLamp, 0.55f), Mix(c.wallLamp, c.wallLight, 0.6f), t);
            } else if (ridge > 0.86f) {
                rock = Mix(rock, Scale(c.wallLamp, 0.45f), (ridge - 0.86f) / 0.07f);
            }
            Paint(p, x, y, rock);
        }
    // Basalt columns on the outer side: hexagonal tops in a row.
    for (int y = 0; y < StageSize; ++y)
        for (int x = 0; x < 14; ++x) {
            int cy = (y + (x >= 7 ? 6 : 0)) % 12;
            int cx = x % 7;
            bool rim = cy == 0 || cx == 0;
            Rgb top = Mix(c.wallDark, c.wallMid, 0.3f + 0.04f * (6 - std::abs(cy - 6)));
            Paint(p, x, y, rim ? Scale(c.wallDark, 0.6f) : (cy == 1 || cx == 1) ? c.wallMid : top);
        }
    for (int y = 0; y < StageSize; ++y) {
        int edge = StripWidth - 5 + static_cast<int>(PeriodicNoise(0, y, 12, 240, 240, seed + 3) * 3) - 1;
        for (int x = edge - 1; x < StripWidth; ++x)
            Paint(p, x, y, x < edge ? Scale(c.wallLamp, 0.6f) : x < edge + 2 ? c.wallDark : Scale(c.wallDark, 0.5f));
    }
    return p;
}

Picture WallCircuit(const StageSource& s, uint32_t seed) {
    const StageColours& c = s.colours;
    Picture p = MakePicture(StripWidth, StageSize);
    for (int y = 0; y < StageSize; ++y)
        for (int x = 0; x < StripWidth; ++x) {
            float n = PeriodicFractal(x, y, 20, 2, 240, 240, seed);
            bool dot = (x % 4 == 0) && (y % 4 == 0);
            Paint(p, x, y, dot ? Mix(c.wallDark, c.wallMid, 0.5f) : Mix(Scale(c.wallDark, 0.7f), c.wallDark, n));
        }
    // Traces on a 10-pixel grid: each cell joins its centre to some neighbours.
    const int cell = 10, cols = 5, rows = StageSize / cell;
    auto line = [&](int x0, int y0, int x1, int y1) {
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
            for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x) {
                Paint(p, x, WrapY(y, StageSize), c.wallMid);
                if (x0 == x1) Paint(p, x + 1, WrapY(y, StageSize), Scale(c.wallDark, 0.6f));
                else Paint(p, x, WrapY(y + 1, StageSize), Scale(c.wallDark, 0.6f));
            }
    };
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            uint32_t h = Hash(i, j, seed);
            int x = i * cell + 5, y = j * cell + 5;
            if (h & 1) line(x, y, x, y + cell);          // down (wraps)
            if ((h & 6) == 2 && i + 1 < cols) line(x, y, x + cell, y);
        }
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            uint32_t h = Hash(i, j, seed + 5);
            int x = i * cell + 5, y = j * cell + 5;
            if (h % 5 == 0) {
                // A pad with a lit via.
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx)
                        Paint(p, x + dx, WrapY(y + dy, StageSize),
                              (std::abs(dx) == 2 || std::abs(dy) == 2) ? c.wallMid : Scale(c.wallDark, 0.8f));
                Paint(p, x, y, c.wallLamp);
                Paint(p, x - 1, y, Scale(c.wallLamp, 0.5f));
                Paint(p, x + 1, y, Scale(c.wallLamp, 0.5f));
            } else if (h % 7 == 1) {
                // A chip spanning two cells.
                for (int dy = -3; dy <= 12; ++dy)
                    for (int dx = -3; dx <= 3; ++dx) {
                        bool pin = (dx == -3 || dx == 3) && dy % 3 == 0;
                        bool body = std::abs(dx) <= 2 && dy >= -2 && dy <= 11;
                        if (body) Paint(p, x + dx, WrapY(y + dy, StageSize), dy == -2 || dx == -2 ? c.wallMid : Scale(c.wallDark, 0.9f));
                        else if (pin) Paint(p, x + dx, WrapY(y + dy, StageSize), c.wallLight);
                    }
            }
        }
    DrawLip(p, c, 8, true);
    return p;
}

// ---- floors: the centre tile, 120 x 120, wrapping top to bottom

void Stars(Picture& p, const StageColours& c, uint32_t seed, int count) {
    for (int i = 0; i < count; ++i) {
        int x = static_cast<int>(Random01(i, 11, seed) * CentreSize);
        int y = static_cast<int>(Random01(i, 12, seed) * CentreSize);
        float b = Random01(i, 13, seed);
        Rgb star = Mix(c.floorMid, c.floorLight, 0.3f + 0.7f * b);
        Paint(p, x, y, star);
        if (b > 0.85f) {
            Rgb arm = Mix(c.floorMid, c.floorLight, 0.45f);
            Paint(p, (x + 1) % CentreSize, y, arm);
            Paint(p, (x + CentreSize - 1) % CentreSize, y, arm);
            Paint(p, x, (y + 1) % CentreSize, arm);
            Paint(p, x, (y + CentreSize - 1) % CentreSize, arm);
        }
    }
}

Picture FloorStarfield(const StageSource& s, uint32_t seed) {
    const StageColours& c = s.colours;
    Picture p = MakePicture(CentreSize, CentreSize);
    for (int y = 0; y < CentreSize; ++y)
        for (int x = 0; x < CentreSize; ++x) {
            float n = PeriodicFractal(x, y, 40, 4, 120, 120, seed);
            float band = PeriodicFractal(x, y, 20, 3, 120, 120, seed + 7);
            Rgb col = Mix(c.floorDark, c.floorMid, std::clamp((n - 0.35f) * 1.6f, 0.0f, 1.0f));
            if (band > 0.62f) col = Mix(col, c.floorAccent, (band - 0.62f) * 1.2f);
            Paint(p, x, y, col);
        }
    Stars(p, c, seed, 70);
    return p;
}

Picture FloorNebula(const StageSource& s, uint32_t seed) {
    const StageColours& c = s.colours;
    Picture p = MakePicture(CentreSize, CentreSize);
    for (int y = 0; y < CentreSize; ++y)
        for (int x = 0; x < CentreSize; ++x) {
            float n = PeriodicFractal(x, y, 40, 4, 120, 120, seed);
            float m = PeriodicFractal(x + 17, y, 20, 3, 120, 120, seed + 3);
            float t = std::clamp((n - 0.3f) * 1.8f, 0.0f, 1.0f);
            Rgb col = Mix(c.floorDark, c.floorMid, t);
            float wisp = std::clamp((m - 0.55f) * 3.0f, 0.0f, 1.0f) * t;
            col = Mix(col, c.floorAccent, wisp * 0.8f);
            Paint(p, x, y, col);
        }
    Stars(p, c, seed, 40);
    return p;
}

Picture FloorFloes(const StageSource& s, uint32_t seed) {
    const StageColours& c = s.colours;
    Picture p = MakePicture(CentreSize, CentreSize);
    for (int y = 0; y < CentreSize; ++y)
        for (int x = 0; x < CentreSize; ++x) {
            // The lattice runs at twice the tile's scale: cells of 20 pixels
            // that wrap every 120 rows like the walls' cells every 240.
            Cells v = NearestCells(x * 2.0f, y * 2.0f, 40, seed);
            float water = PeriodicFractal(x, y, 20, 3, 120, 120, seed + 2);
            Rgb col = Mix(c.floorDark, c.floorMid, water * 0.7f);
            // Glints on the open water.
            if (Random01(x / 3, y, seed + 6) < 0.04f) col = Mix(col, c.floorLight, 0.35f);
            float edge = v.d2 - v.d1;
            bool floe = (v.id % 5) < 3;
            if (floe && edge > 6.0f) {
                float shade = 0.35f + 0.3f * ((v.id >> 12) % 100) / 100.0f;
                col = Mix(c.floorMid, c.floorLight, shade);
                if (edge < 8.0f) col = Mix(col, c.floorAccent, 0.45f);
            } else if (floe && edge > 4.0f) {
                col = Mix(col, c.floorMid, 0.7f);  // slush round the floe
            }
            Paint(p, x, y, col);
        }
    return p;
}

Picture FloorLava(const StageSource& s, uint32_t seed) {
    const StageColours& c = s.colours;
    Picture p = MakePicture(CentreSize, CentreSize);
    for (int y = 0; y < CentreSize; ++y)
        for (int x = 0; x < CentreSize; ++x) {
            float n = PeriodicFractal(x, y, 40, 4, 120, 120, seed);
            float ridge = 1.0f - std::abs(2.0f * n - 1.0f);
            float crust = PeriodicFractal(x, y, 10, 2, 120, 120, seed + 8);
            Rgb col = Mix(c.floorDark, c.floorMid, crust * 0.7f);
            if (ridge > 0.8f) {
                float t = (ridge - 0.8f) / 0.2f;
                col = Mix(Mix(c.floorMid, c.floorAccent, 0.5f), c.floorLight, t * t);
            } else if (ridge > 0.7f) {
                col = Mix(col, c.floorAccent, (ridge - 0.7f) * 4.0f);
            }
            Paint(p, x, y, col);
        }
    return p;
}

Picture FloorGrid(const StageSource& s, uint32_t seed) {
    const StageColours& c = s.colours;
    Picture p = MakePicture(CentreSize, CentreSize);
    for (int y = 0; y < CentreSize; ++y)
        for (int x = 0; x < CentreSize; ++x) {
            float n = PeriodicFractal(x, y, 40, 3, 120, 120, seed);
            Rgb col = Mix(c.floorDark, c.floorMid, std::clamp((n - 0.4f) * 1.5f, 0.0f, 1.0f));
            bool major = x % 30 == 0 || y % 30 == 15;
            bool minor = x % 10 == 0 || y % 10 == 5;
            if (major) col = Mix(col, c.floorLight, 0.55f);
            else if (minor) col = Mix(col, c.floorLight, 0.22f);
            Paint(p, x, y, col);
        }
    // Data pulses: short bright runs along a few lines, and lit nodes.
    for (int i = 0; i < 8; ++i) {
        bool vertical = Hash(i, 1, seed) & 1;
        int line = static_cast<int>(Hash(i, 2, seed) % 12) * 10 + (vertical ? 0 : 5);
        int start = static_cast<int>(Hash(i, 3, seed) % 120);
        for (int k = 0; k < 12; ++k) {
            float t = k / 11.0f;
            Rgb col = Mix(c.floorMid, c.floorAccent, t);
            int along = (start + k) % CentreSize;
            if (vertical) Paint(p, line, along, col);
            else Paint(p, along, line, col);
        }
    }
    for (int y = 15; y < CentreSize; y += 30)
        for (int x = 0; x < CentreSize; x += 30) {
            Paint(p, x, y, c.floorAccent);
            Paint(p, (x + 1) % CentreSize, y, Scale(c.floorAccent, 0.6f));
            Paint(p, (x + CentreSize - 1) % CentreSize, y, Scale(c.floorAccent, 0.6f));
            Paint(p, x, (y + 1) % CentreSize, Scale(c.floorAccent, 0.6f));
            Paint(p, x, (y + CentreSize - 1) % CentreSize, Scale(c.floorAccent, 0.6f));
        }
    return p;
}

}  // namespace

bool LoadStageSource(const std::string& path, const std::string& shapesDir, StageSource& stage,
                     std::string& error) {
    SourceFile file;
    if (!LoadSourceFile(path, file, error)) return false;
    stage = StageSource{};
    stage.path = path;
    bool haveWalls = false, haveFloor = false;
    std::map<std::string, bool> coloursSeen;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        std::vector<std::string> w = Words(file.lines[i]);
        if (w.empty()) continue;
        const std::string here = Where(file, i);
        if ((w[0] == "walls" || w[0] == "floor") && w.size() == 2) {
            bool walls = w[0] == "walls";
            bool found = false;
            for (const StyleWord& sw : walls ? std::span(WallWords) : std::span(FloorWords))
                if (w[1] == sw.word) {
                    found = true;
                    if (walls) stage.walls = static_cast<WallStyle>(sw.style);
                    else stage.floor = static_cast<FloorStyle>(sw.style);
                }
            if (!found) {
                error = here + "unknown " + w[0] + " style '" + w[1] + "'";
                return false;
            }
            (walls ? haveWalls : haveFloor) = true;
            continue;
        }
        if (w[0] == "seed" && w.size() == 2) {
            int seed;
            if (!ParseInt(w[1], seed) || seed < 0) {
                error = here + "the seed is a whole number from 0";
                return false;
            }
            stage.seed = static_cast<uint32_t>(seed);
            continue;
        }
        if (w[0] == "colour" && w.size() == 5) {
            const ColourName* name = nullptr;
            for (const ColourName& cn : ColourNames)
                if (w[1] == cn.word) name = &cn;
            Rgb c;
            if (!name) {
                error = here + "unknown stage colour '" + w[1] + "'";
                return false;
            }
            if (!ParseRgb(w[2], w[3], w[4], c) || c == Transparent) {
                error = here + "a colour is three numbers 0..255, not 0 0 0 (the transparent key)";
                return false;
            }
            stage.colours.*(name->member) = c;
            coloursSeen[w[1]] = true;
            continue;
        }
        if (w[0] == "boss" && w.size() == 2) {
            stage.bossFile = w[1];
            continue;
        }
        error = here + "expected walls, floor, seed, colour or boss";
        return false;
    }
    if (!haveWalls || !haveFloor || stage.bossFile.empty()) {
        error = path + ": a stage needs 'walls', 'floor' and 'boss'";
        return false;
    }
    for (const ColourName& cn : ColourNames)
        if (!coloursSeen[cn.word]) {
            error = path + ": colour '" + std::string(cn.word) + "' is missing";
            return false;
        }
    if (!LoadShapeScript(shapesDir + "/" + stage.bossFile, stage.boss, error)) return false;
    if (stage.boss.width != BossSize || stage.boss.height != BossSize) {
        error = stage.boss.path + ": a boss canvas must be 60 x 60";
        return false;
    }
    return true;
}

Picture MakeWallStrip(const StageSource& stage, bool rightSide) {
    uint32_t seed = stage.seed * 31 + (rightSide ? 1000 : 0);
    Picture strip;
    switch (stage.walls) {
        case WallStyle::Girders: strip = WallGirders(stage, seed); break;
        case WallStyle::Rock: strip = WallRock(stage, seed); break;
        case WallStyle::Ice: strip = WallIce(stage, seed); break;
        case WallStyle::Magma: strip = WallMagma(stage, seed); break;
        case WallStyle::Circuit: strip = WallCircuit(stage, seed); break;
    }
    return rightSide ? MirrorX(strip) : strip;
}

Picture MakeFloorTile(const StageSource& stage) {
    uint32_t seed = stage.seed * 31 + 500;
    switch (stage.floor) {
        case FloorStyle::Starfield: return FloorStarfield(stage, seed);
        case FloorStyle::Nebula: return FloorNebula(stage, seed);
        case FloorStyle::Floes: return FloorFloes(stage, seed);
        case FloorStyle::Lava: return FloorLava(stage, seed);
        case FloorStyle::Grid: return FloorGrid(stage, seed);
    }
    return MakePicture(CentreSize, CentreSize);
}

Picture MakeStagePicture(const StageSource& stage) {
    Picture p = MakePicture(StageSize, StageSize);
    Blit(p, 0, 0, MakeWallStrip(stage, false));
    Blit(p, RightStripLeft, 0, MakeWallStrip(stage, true));
    Blit(p, CentreLeft, 0, MakeFloorTile(stage));
    Blit(p, CentreLeft, BossTop, RenderShapes(stage.boss, 0));
    Blit(p, CentreLeft + BossSize, BossTop, RenderShapes(stage.boss, 1));
    return p;
}

}  // namespace pictures
