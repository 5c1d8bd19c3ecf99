// Key caps, pad signs and the tables of controls.
#include "controls.h"

#include <algorithm>
#include <cmath>

namespace pictures {

namespace {

constexpr int ArrowCapWidth = 9;
constexpr int CapGap = 1;      // between two caps of a line
constexpr int SignGap = 2;     // between the caps and the pad sign
constexpr int ActionGap = 3;   // between the pad sign and the action
constexpr int LabelTop = 2;    // rows above a 7-row label inside a sign

// A light key cap: a rim, a bright top edge, a shaded bottom edge and
// rounded corners; its label has two pixels either side.
constexpr Rgb CapRim{104, 110, 156}, CapFace{208, 214, 238}, CapTop{250, 250, 255}, CapShade{146, 152, 194},
    CapInk{26, 24, 60};

TextStyle Flat(Rgb colour) {
    TextStyle s;
    s.top = colour;
    s.bottom = colour;
    return s;
}

int KeyCapWidth(const Font& font, const char* label) { return *label ? TextWidth(font, label) + 4 : 0; }

void DrawCap(Picture& p, int x, int y, int width) {
    for (int j = 0; j < SignHeight; ++j)
        for (int i = 0; i < width; ++i) {
            const bool left = i == 0, right = i == width - 1, top = j == 0, bottom = j == SignHeight - 1;
            if ((left || right) && (top || bottom)) continue;  // rounded corner
            const Rgb c = left || right || top || bottom ? CapRim
                          : j == 1                            ? CapTop
                          : j == SignHeight - 2               ? CapShade
                                                              : CapFace;
            Paint(p, x + i, y + j, c);
        }
}

// A solid triangle, five pixels across and three deep, pointing `dx`, `dy`.
void DrawArrowCap(Picture& p, int x, int y, int dx, int dy) {
    DrawCap(p, x, y, ArrowCapWidth);
    const int cx = x + 4, cy = y + 5;
    for (int depth = 0; depth < 3; ++depth)  // from the tip back to the base
        for (int b = -depth; b <= depth; ++b) {
            const int a = 1 - depth;  // along the arrow, from its middle
            // (along, across) in screen steps: along is (dx, dy).
            Paint(p, cx + a * dx - b * dy, cy + a * dy + b * dx, CapInk);
        }
}

// The pad's signs share one colour, apart from the key caps.
constexpr Rgb PadRim{140, 180, 255}, PadTop{86, 136, 248}, PadBottom{40, 70, 176}, PadInk{255, 255, 255};

void DrawPadButton(Picture& p, const Font& font, int x, int y, int button) {
    for (int j = 0; j < SignHeight; ++j)
        for (int i = 0; i < SignHeight; ++i) {
            const float d = std::hypot(i - 5.0f, j - 5.0f);
            if (d > 5.4f) continue;
            Paint(p, x + i, y + j, d > 4.4f ? PadRim : Mix(PadTop, PadBottom, j / 10.0f));
        }
    const std::string digit(1, static_cast<char>('0' + button));
    DrawText(p, font, x + (SignHeight - TextWidth(font, digit)) / 2, y + LabelTop, digit, Flat(PadInk));
}

// A cross with arms three pixels wide and a dimple in the middle.
void DrawDirectionPad(Picture& p, int x, int y) {
    auto onCross = [](int i, int j) {
        return i >= 0 && j >= 0 && i < SignHeight && j < SignHeight && (std::abs(i - 5) <= 1 || std::abs(j - 5) <= 1);
    };
    for (int j = 0; j < SignHeight; ++j)
        for (int i = 0; i < SignHeight; ++i) {
            if (!onCross(i, j)) continue;
            const bool rim = !onCross(i - 1, j) || !onCross(i + 1, j) || !onCross(i, j - 1) || !onCross(i, j + 1);
            Paint(p, x + i, y + j, rim ? PadRim : Mix(PadTop, PadBottom, j / 10.0f));
        }
    Paint(p, x + 5, y + 5, PadBottom);
}

int ArrowCount(ArrowCaps arrows) { return arrows == ArrowCaps::All ? 4 : arrows == ArrowCaps::UpDown ? 2 : 0; }

int CapsWidth(const Font& font, const ControlLine& line) {
    const int arrows = ArrowCount(line.arrows);
    const int key = KeyCapWidth(font, line.key);
    int width = arrows * ArrowCapWidth + std::max(0, arrows - 1) * CapGap + key;
    if (arrows > 0 && key > 0) width += CapGap;
    return width;
}

// Columns of a table from its left edge: where the pad signs and the
// actions start.
struct Columns {
    int sign, action;
};

Columns ColumnsOf(const Font& font, std::span<const ControlLine> lines) {
    int caps = 0;
    bool pad = false;
    for (const ControlLine& line : lines) {
        caps = std::max(caps, CapsWidth(font, line));
        pad = pad || line.pad != PadNone;
    }
    const int sign = caps + SignGap;
    return {sign, pad ? sign + SignHeight + ActionGap : sign};
}

}  // namespace

bool CheckControlTexts(const Font& font, std::span<const ControlLine> lines, std::string& error) {
    for (const ControlLine& line : lines) {
        if (!CheckText(font, line.key, error) || !CheckText(font, line.action, error)) return false;
        if (line.pad > 0 && !CheckText(font, std::string(1, static_cast<char>('0' + line.pad)), error)) return false;
    }
    return true;
}

Box ControlTableBox(const Font& font, std::span<const ControlLine> lines, int x, int y) {
    const Columns columns = ColumnsOf(font, lines);
    int width = 0;
    for (const ControlLine& line : lines) width = std::max(width, columns.action + TextWidth(font, line.action));
    const int height = lines.empty() ? 0 : static_cast<int>(lines.size() - 1) * ControlPitch + SignHeight;
    return {x, y, width, height};
}

void DrawControlTable(Picture& p, const Font& font, std::span<const ControlLine> lines, int x, int y, Rgb ink) {
    const Columns columns = ColumnsOf(font, lines);
    for (const ControlLine& line : lines) {
        int pen = x + columns.sign - SignGap - CapsWidth(font, line);
        constexpr int Steps[4][2] = {{-1, 0}, {0, -1}, {0, 1}, {1, 0}};  // left, up, down, right
        const int first = line.arrows == ArrowCaps::UpDown ? 1 : 0;
        for (int k = 0; k < ArrowCount(line.arrows); ++k) {
            DrawArrowCap(p, pen, y, Steps[first + k][0], Steps[first + k][1]);
            pen += ArrowCapWidth + CapGap;
        }
        if (*line.key) {
            DrawCap(p, pen, y, KeyCapWidth(font, line.key));
            DrawText(p, font, pen + 2, y + LabelTop, line.key, Flat(CapInk));
        }
        if (line.pad == PadDirections) DrawDirectionPad(p, x + columns.sign, y);
        if (line.pad > 0) DrawPadButton(p, font, x + columns.sign, y, line.pad);
        DrawText(p, font, x + columns.action, y + LabelTop, line.action, Flat(ink));
        y += ControlPitch;
    }
}

bool FitsClear(const Box& what, const Box& area, std::span<const Box> keepClear, const std::string& name,
               std::string& error) {
    const bool inside = what.x >= area.x && what.y >= area.y && what.x + what.width <= area.x + area.width &&
                        what.y + what.height <= area.y + area.height;
    if (!inside) {
        error = name + " does not fit its place (" + std::to_string(what.width) + " x " + std::to_string(what.height) +
                " at " + std::to_string(what.x) + ", " + std::to_string(what.y) + ")";
        return false;
    }
    for (const Box& k : keepClear)
        if (what.x < k.x + k.width && k.x < what.x + what.width && what.y < k.y + k.height &&
            k.y < what.y + what.height) {
            error = name + " covers what the picture must show (at " + std::to_string(k.x) + ", " +
                    std::to_string(k.y) + ")";
            return false;
        }
    return true;
}

}  // namespace pictures
