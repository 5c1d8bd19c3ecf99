// The menu pictures.
#include "menus.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "controls.h"
#include "noise.h"

namespace pictures {

namespace {

constexpr int ScreenWidth = 320;
constexpr int ScreenHeight = 240;
constexpr int RowHeight = 80;
constexpr float Pi = 3.14159265358979f;

// ---- texts and traits

constexpr const char* GameName = "GRAZE RUNNER";
constexpr const char* GameSubtitle = "ZERO GRAVITY";
constexpr const char* PressEnter = "PRESS ENTER";

// The title's table of controls, in two columns: each action with its key
// and the pad's sign.
constexpr ControlLine TitleControls[2][4] = {
    {{ArrowCaps::All, "", PadDirections, "MOVE"},
     {ArrowCaps::None, "Z", 1, "SLOW"},
     {ArrowCaps::None, "X", 2, "BOMB"},
     {ArrowCaps::None, "C", 3, "REVERSE"}},
    {{ArrowCaps::None, "P", 4, "PAUSE"},
     {ArrowCaps::None, "ENTER", 4, "START"},
     {ArrowCaps::None, "ESC", PadNone, "QUIT"},
     {ArrowCaps::None, "F11", PadNone, "FULL SCREEN"}},
};
// The dimmed panel under it, between the craft and "PRESS ENTER".
constexpr Box TitlePanel{4, 172, 232, 53};

// Both select screens: how to choose a row and confirm it, at the right of
// the top row's name.
constexpr ControlLine MenuControls[] = {
    {ArrowCaps::UpDown, "", PadDirections, "CHOOSE"},
    {ArrowCaps::None, "Z", 1, "CONFIRM"},
};
constexpr int MenuControlsRight = 240, MenuControlsTop = 8;
// Inside a row, clear of the highlight strip's frame and its arrow marks.
constexpr Box TopRowInside{4, 4, 294, 72};

// Mode select rows, top to bottom.
struct ModeRow {
    const char* name;
    const char* hint;
    int chevrons;  // speed badge: one to three arrows
    Rgb colour;
};
constexpr ModeRow ModeRows[3] = {
    {"KIDS", "HALF SPEED", 1, {90, 230, 110}},
    {"STANDARD", "NORMAL SPEED", 2, {80, 180, 255}},
    {"MASTER", "1.5x SPEED", 3, {255, 80, 80}},
};

// Character select rows: character r in row r. What a row tells of its
// character comes from the game's own table.
struct CharacterLook {
    const char* name;
    Rgb colour;
};
constexpr CharacterLook CharacterLooks[CharacterCount] = {
    {"ASTER", {80, 210, 255}},
    {"BRIONY", {255, 120, 200}},
    {"CALLA", {255, 190, 70}},
};

// "130 PX/S", "4 SHOTS: 3 UP 1 BACK" and "9 VOLLEYS/S" (one decimal at most).
struct CharacterFacts {
    std::string speed, volley, rate;
};
CharacterFacts FactsOf(const ::CharacterRow& row) {
    int up = 0;
    for (int s = 0; s < row.volleySize; ++s) up += row.volley[s].vy < 0;
    char rate[16];
    std::snprintf(rate, sizeof rate, "%.1f", 1.0 / row.volleyPeriod);
    std::string rateText = rate;
    if (rateText.size() > 2 && rateText.compare(rateText.size() - 2, 2, ".0") == 0) rateText.resize(rateText.size() - 2);
    return {std::to_string(row.speed) + " PX/S",
            std::to_string(row.volleySize) + " SHOTS: " + std::to_string(up) + " UP " +
                std::to_string(row.volleySize - up) + " BACK",
            rateText + " VOLLEYS/S"};
}

constexpr Rgb Ink{10, 6, 24};  // outline of big lettering

TextStyle Lettering(int scale, Rgb top, Rgb bottom) {
    TextStyle s;
    s.scale = scale;
    s.top = top;
    s.bottom = bottom;
    s.outlined = true;
    s.outline = Ink;
    return s;
}

TextStyle Plain(Rgb colour) {
    TextStyle s;
    s.top = colour;
    s.bottom = colour;
    return s;
}

bool CheckTexts(const Assets& a, std::string& error) {
    for (const char* t : {GameName, GameSubtitle, PressEnter})
        if (!CheckText(a.small, t, error)) return false;
    for (const ModeRow& r : ModeRows)
        if (!CheckText(a.small, r.name, error) || !CheckText(a.small, r.hint, error)) return false;
    for (int r = 0; r < CharacterCount; ++r) {
        const CharacterFacts facts = FactsOf(::CharacterTable[r]);
        for (const std::string& t : {std::string(CharacterLooks[r].name), facts.speed, facts.volley, facts.rate,
                                     std::string("SPEED"), std::string("VOLLEY"), std::string("RATE")})
            if (!CheckText(a.small, t.c_str(), error)) return false;
    }
    for (const auto& column : TitleControls)
        if (!CheckControlTexts(a.small, column, error)) return false;
    return CheckControlTexts(a.small, MenuControls, error);
}

// The select screens' controls, right-aligned at the top of the first row,
// clear of what that row shows.
bool MenuControlsLegend(Picture& p, const Assets& a, std::span<const Box> keepClear, std::string& error) {
    Box box = ControlTableBox(a.small, MenuControls, 0, MenuControlsTop);
    box.x = MenuControlsRight - box.width;
    if (!FitsClear(box, TopRowInside, keepClear, "the table of controls", error)) return false;
    DrawControlTable(p, a.small, MenuControls, box.x, box.y, Rgb{225, 230, 255});
    return true;
}

// Box of a text drawn at (x, y), with its outline when it has one.
Box TextBox(const Font& font, int x, int y, const std::string& text, const TextStyle& style) {
    const int rim = style.outlined ? 1 : 0;
    return {x - rim, y - rim, StyledWidth(font, text, style) + 2 * rim, font.height * style.scale + 2 * rim};
}

void Line(Picture& p, float x0, float y0, float x1, float y1, Rgb colour, int every = 1) {
    int steps = static_cast<int>(std::max(std::abs(x1 - x0), std::abs(y1 - y0))) + 1;
    for (int i = 0; i <= steps; ++i) {
        if (i % every) continue;
        float t = float(i) / steps;
        Paint(p, static_cast<int>(std::floor(x0 + (x1 - x0) * t)), static_cast<int>(std::floor(y0 + (y1 - y0) * t)),
              colour);
    }
}

void Stars(Picture& p, int count, uint32_t seed, Rgb dim, Rgb bright) {
    for (int i = 0; i < count; ++i) {
        int x = static_cast<int>(Random01(i, 1, seed) * p.width);
        int y = static_cast<int>(Random01(i, 2, seed) * p.height);
        float b = Random01(i, 3, seed);
        Paint(p, x, y, Mix(dim, bright, b));
        if (b > 0.9f) {
            Rgb arm = Mix(dim, bright, 0.4f);
            Paint(p, x - 1, y, arm);
            Paint(p, x + 1, y, arm);
            Paint(p, x, y - 1, arm);
            Paint(p, x, y + 1, arm);
        }
    }
}

// A row panel of the select screens: a gradient from the row's colour on the
// left to deep blue, fine diagonal hatching, and bevelled edges.
void RowPanel(Picture& p, int top, Rgb colour) {
    const Rgb deep{10, 12, 30};
    for (int y = top; y < top + RowHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x) {
            float t = std::min(1.0f, x / 260.0f);
            Rgb c = Mix(Mix(Scale(colour, 0.28f), deep, 0.25f), deep, t);
            if ((x + y) % 6 == 0) c = Mix(c, Scale(colour, 0.4f), 0.35f * (1 - t) + 0.08f);
            int ry = y - top;
            if (ry == 0) c = Mix(Scale(colour, 0.6f), deep, t * 0.7f);
            if (ry == RowHeight - 1) c = Scale(deep, 0.6f);
            Paint(p, x, y, c);
        }
}

// ---- title

void TitleBackdrop(Picture& p, const Assets& a) {
    const float vx = 120, vy = 100;  // vanishing point of the corridor
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            float n = PeriodicFractal(x, y, 40, 4, 240, 240, 901);
            float m = PeriodicFractal(x, y, 20, 3, 240, 240, 902);
            Rgb c = Mix(Rgb{6, 6, 26}, Rgb{20, 8, 44}, y / 240.0f);
            c = Mix(c, Rgb{60, 20, 90}, std::clamp((n - 0.45f) * 1.6f, 0.0f, 1.0f) * 0.8f);
            c = Mix(c, Rgb{30, 60, 120}, std::clamp((m - 0.6f) * 2.0f, 0.0f, 1.0f) * 0.6f);
            // A glow round the vanishing point.
            float d = std::sqrt((x - vx) * (x - vx) + (y - vy) * (y - vy));
            c = Mix(c, Rgb{120, 60, 160}, std::max(0.0f, 1.0f - d / 90.0f) * 0.35f);
            Paint(p, x, y, c);
        }
    Stars(p, 160, 903, Rgb{60, 60, 110}, Rgb{230, 230, 255});
    // The corridor: frames shrinking toward the vanishing point, and rails.
    for (int k = 0; k < 7; ++k) {
        float s = 150.0f * std::pow(0.62f, static_cast<float>(k));
        Rgb c = Mix(Rgb{70, 90, 190}, Rgb{40, 30, 90}, k / 6.0f);
        float x0 = vx - s, x1 = vx + s, y0 = vy - s, y1 = vy + s;
        Line(p, x0, y0, x1, y0, c, 2);
        Line(p, x0, y1, x1, y1, c, 2);
        Line(p, x0, y0, x0, y1, c, 2);
        Line(p, x1, y0, x1, y1, c, 2);
    }
    for (int k = 0; k < 16; ++k) {
        float ang = k * 2 * Pi / 16 + 0.2f;
        Line(p, vx + 12 * std::sin(ang), vy - 12 * std::cos(ang), vx + 200 * std::sin(ang), vy - 200 * std::cos(ang),
             Rgb{50, 60, 130}, 3);
    }
    // The last boss looms in the distance.
    Picture boss = RenderShapes(a.stages[StageCount - 1].boss, 0, 2);
    for (Rgb& c : boss.pixels)
        if (!(c == Transparent)) c = KeepVisible(Mix(Scale(c, 0.7f), Rgb{30, 14, 60}, 0.15f));
    Blit(p, 60, 42, boss);
    // Depth shots rushing out of the corridor toward the viewer.
    struct Flyer {
        float x, y;
        int size, kind;
    };
    constexpr Flyer Flyers[] = {
        {100, 88, 6, 0}, {142, 92, 8, 1},  {84, 120, 12, 3}, {160, 126, 14, 4},
        {40, 150, 22, 1}, {196, 62, 18, 0}, {26, 70, 26, 2},  {212, 150, 30, 3},
    };
    for (const Flyer& f : Flyers) {
        Picture shot = RenderShapes(a.depthShots, f.kind, 2);
        BlitStretched(p, static_cast<int>(f.x - f.size / 2.0f), static_cast<int>(f.y - f.size / 2.0f), shot, f.size,
                      f.size);
    }
}

}  // namespace

bool MakeTitlePicture(const Assets& a, Picture& p, std::string& error) {
    if (!CheckTexts(a, error)) return false;
    p = MakePicture(240, 240);
    TitleBackdrop(p, a);
    // The three craft in formation, the lead in front.
    Blit(p, 44, 84, RenderShapes(a.crafts[1], 0, 2));
    Blit(p, 156, 84, RenderShapes(a.crafts[2], 2, 2));
    Blit(p, 100, 92, RenderShapes(a.crafts[0], 1, 2));
    // The controls on a dimmed panel with a thin frame.
    const Box& panel = TitlePanel;
    for (int y = panel.y; y < panel.y + panel.height; ++y)
        for (int x = panel.x; x < panel.x + panel.width; ++x) {
            const bool left = x == panel.x, right = x == panel.x + panel.width - 1;
            const bool top = y == panel.y, bottom = y == panel.y + panel.height - 1;
            if ((left || right) && (top || bottom)) continue;
            const Rgb under = PixelAt(p, x, y);
            Paint(p, x, y, left || right || top || bottom ? Rgb{70, 90, 190} : Mix(under, Rgb{8, 6, 26}, 0.75f));
        }
    const Box inside{panel.x + 2, panel.y + 2, panel.width - 4, panel.height - 4};
    Box left = ControlTableBox(a.small, TitleControls[0], 0, panel.y + 3);
    Box right = ControlTableBox(a.small, TitleControls[1], 0, panel.y + 3);
    // The two columns centred together, with a third of the room left between them.
    const int room = inside.width - left.width - right.width;
    left.x = inside.x + room / 3;
    right.x = left.x + left.width + room / 3;
    if (!FitsClear(left, inside, {}, "the title's table of controls", error) ||
        !FitsClear(right, inside, {}, "the title's table of controls", error))
        return false;
    DrawControlTable(p, a.small, TitleControls[0], left.x, left.y, Rgb{235, 235, 255});
    DrawControlTable(p, a.small, TitleControls[1], right.x, right.y, Rgb{235, 235, 255});
    TextStyle title = Lettering(3, Rgb{255, 255, 255}, Rgb{70, 170, 255});
    title.shadowed = true;
    title.shadow = Rgb{30, 20, 90};
    DrawTextCentred(p, a.small, 120, 8, GameName, title);
    TextStyle sub = Lettering(2, Rgb{255, 200, 250}, Rgb{255, 70, 180});
    DrawTextCentred(p, a.small, 120, 36, GameSubtitle, sub);
    TextStyle press = Lettering(1, Rgb{255, 255, 200}, Rgb{255, 200, 60});
    press.bold = true;
    DrawTextCentred(p, a.small, 120, 229, PressEnter, press);
    return true;
}

bool MakeModeSelectPicture(const Assets& a, Picture& p, std::string& error) {
    if (!CheckTexts(a, error)) return false;
    p = MakePicture(ScreenWidth, ScreenHeight);
    for (int r = 0; r < 3; ++r) {
        const ModeRow& row = ModeRows[r];
        const int top = r * RowHeight;
        RowPanel(p, top, row.colour);
        // Speed badge: a disc with one to three chevrons.
        const int cx = 44, cy = top + 40;
        for (int y = -26; y <= 26; ++y)
            for (int x = -26; x <= 26; ++x) {
                float d = std::sqrt(float(x * x + y * y));
                if (d > 26.5f) continue;
                Rgb c = d > 24.5f ? Scale(row.colour, 0.9f)
                        : d > 22.5f ? Scale(row.colour, 0.35f)
                                    : Mix(Scale(row.colour, 0.18f), Rgb{8, 8, 20}, (y + 26) / 60.0f);
                Paint(p, cx + x, cy + y, c);
            }
        const int total = row.chevrons;
        for (int k = 0; k < total; ++k) {
            int x0 = cx - 5 * total + 10 * k - 2;
            for (int t = 0; t < 4; ++t)
                for (int y = -10; y <= 10; ++y) {
                    int x = x0 + t + (10 - std::abs(y)) / 2;
                    Paint(p, x, cy + y, t == 0 ? Rgb{255, 255, 255} : Mix(row.colour, Rgb{255, 255, 255}, 0.3f));
                }
        }
        const TextStyle name = Lettering(3, Rgb{255, 255, 255}, row.colour);
        DrawText(p, a.small, 90, top + 14, row.name, name);
        TextStyle hint = Plain(Mix(row.colour, Rgb{255, 255, 255}, 0.5f));
        hint.bold = true;
        DrawText(p, a.small, 92, top + 44, row.hint, hint);
        // Speed gauge: half, normal and one and a half of full scale.
        const int filled = r == 0 ? 2 : r == 1 ? 4 : 6;
        for (int s = 0; s < 6; ++s) {
            Rgb c = s < filled ? Mix(row.colour, Rgb{255, 255, 255}, s * 0.08f) : Rgb{30, 34, 60};
            FillRect(p, 92 + s * 16, top + 58, 13, 6, c);
            FillRect(p, 92 + s * 16, top + 64, 13, 1, Scale(c, 0.5f));
        }
        if (r == 0) {
            const Box shown[] = {{cx - 27, cy - 27, 55, 55},
                                 TextBox(a.small, 90, top + 14, row.name, name),
                                 TextBox(a.small, 92, top + 44, row.hint, hint),
                                 {92, top + 58, 6 * 16, 7}};
            if (!MenuControlsLegend(p, a, shown, error)) return false;
        }
    }
    return true;
}

bool MakeCharacterSelectPicture(const Assets& a, Picture& p, std::string& error) {
    if (!CheckTexts(a, error)) return false;
    p = MakePicture(ScreenWidth, ScreenHeight);
    for (int r = 0; r < CharacterCount; ++r) {
        const CharacterLook& row = CharacterLooks[r];
        const ::CharacterRow& character = ::CharacterTable[r];
        const CharacterFacts facts = FactsOf(character);
        const int top = r * RowHeight;
        RowPanel(p, top, row.colour);
        // The craft, twice its size, on a lit pad.
        for (int y = 0; y < 8; ++y)
            for (int x = -22 + y; x <= 22 - y; ++x)
                Paint(p, 34 + x, top + 70 + y / 2, Mix(row.colour, Rgb{20, 20, 40}, 0.5f + y * 0.06f));
        Blit(p, 13, top + 2, RenderShapes(a.crafts[r], 0, 2));
        const TextStyle name = Lettering(3, Rgb{255, 255, 255}, row.colour);
        DrawText(p, a.small, 64, top + 7, row.name, name);
        const Rgb label = Mix(row.colour, Rgb{160, 160, 190}, 0.6f);
        const Rgb value{240, 240, 255};
        const char* labels[3] = {"SPEED", "VOLLEY", "RATE"};
        const char* values[3] = {facts.speed.c_str(), facts.volley.c_str(), facts.rate.c_str()};
        int factsWidth = 0;
        for (int k = 0; k < 3; ++k) {
            DrawText(p, a.small, 66, top + 36 + 13 * k, labels[k], Plain(label));
            DrawText(p, a.small, 108, top + 36 + 13 * k, values[k], Plain(value));
            factsWidth = std::max(factsWidth, 108 - 66 + TextWidth(a.small, values[k]));
        }
        // The volley's fan: each shot's direction from the craft.
        const int bx = 246, by = top + 6, size = 66;
        if (r == 0) {
            const Box shown[] = {{13, top + 2, 40, 80},
                                 TextBox(a.small, 64, top + 7, row.name, name),
                                 {66, top + 36, factsWidth, 2 * 13 + a.small.height},
                                 {bx, by, size, size}};
            if (!MenuControlsLegend(p, a, shown, error)) return false;
        }
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                bool edge = x == 0 || y == 0 || x == size - 1 || y == size - 1;
                bool grid = (x % 11 == 0 || y % 11 == 0);
                Paint(p, bx + x, by + y, edge ? Scale(row.colour, 0.7f) : grid ? Rgb{22, 26, 50} : Rgb{12, 14, 32});
            }
        const float cx = bx + size / 2.0f, cy = by + size / 2.0f + 6;
        for (int s = 0; s < character.volleySize; ++s) {
            float vx = static_cast<float>(character.volley[s].vx), vy = static_cast<float>(character.volley[s].vy);
            float len = std::sqrt(vx * vx + vy * vy);
            float reach = vy < 0 ? 34.0f : 20.0f;
            float ex = cx + vx / len * reach, ey = cy + vy / len * reach;
            ex = std::clamp(ex, bx + 3.0f, bx + size - 4.0f);
            ey = std::clamp(ey, by + 3.0f, by + size - 4.0f);
            Line(p, cx, cy, ex, ey, Mix(row.colour, Rgb{255, 255, 255}, 0.2f), 2);
            FillRect(p, static_cast<int>(ex) - 1, static_cast<int>(ey) - 1, 3, 3, Rgb{255, 255, 255});
        }
        Picture craft = RenderShapes(a.crafts[r], 0);
        BlitStretched(p, static_cast<int>(cx) - 5, static_cast<int>(cy) - 5, craft, 10, 20);
    }
    return true;
}

bool MakeMenuBarPicture(const Assets&, Picture& p, std::string&) {
    p = MakePicture(ScreenWidth, 2 * RowHeight);
    // Two strips that differ in colour and in the phase of their dashes, so
    // that showing them on alternate frames makes the frame shimmer.
    const Rgb colours[2][2] = {{{255, 255, 255}, {120, 230, 255}}, {{255, 240, 120}, {60, 160, 255}}};
    for (int strip = 0; strip < 2; ++strip) {
        const int top = strip * RowHeight;
        const Rgb bright = colours[strip][0], soft = colours[strip][1];
        for (int y = 0; y < RowHeight; ++y)
            for (int x = 0; x < ScreenWidth; ++x) {
                bool outer = x <= 1 || y <= 1 || x >= ScreenWidth - 2 || y >= RowHeight - 2;
                bool inner = x == 3 || y == 3 || x == ScreenWidth - 4 || y == RowHeight - 4;
                bool innerSpan = x >= 3 && y >= 3 && x <= ScreenWidth - 4 && y <= RowHeight - 4;
                if (outer) Paint(p, x, top + y, soft);
                else if (inner && innerSpan && ((x + y) / 4 + strip) % 2 == 0) Paint(p, x, top + y, Scale(soft, 0.7f));
                // Corner brackets, 14 pixels long and 3 thick.
                int cxDist = std::min(x, ScreenWidth - 1 - x), cyDist = std::min(y, RowHeight - 1 - y);
                bool bracket = (cxDist < 3 && cyDist < 14) || (cyDist < 3 && cxDist < 14);
                if (bracket) Paint(p, x, top + y, bright);
            }
        // Arrow marks pointing into the row from both sides.
        for (int k = 0; k < 3; ++k)
            for (int y = -6; y <= 6; ++y) {
                int reach = 6 - std::abs(y);
                int x = 5 + k * 4 + reach / 2 + (strip == 1 && k == 2 ? 1 : 0);
                Rgb c = k == 2 - strip ? bright : soft;
                Paint(p, x, top + 40 + y, c);
                Paint(p, ScreenWidth - 1 - x, top + 40 + y, c);
            }
    }
    return true;
}

}  // namespace pictures
