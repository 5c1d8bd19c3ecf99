// The digit sheet and the sprite sheet, cell by cell at their fixed places.
#include "sheets.h"

#include <algorithm>

#include "effects.h"

namespace pictures {

namespace {

// ---- chips.bmp

constexpr int DigitSheetWidth = 40;
constexpr int DigitSheetHeight = 265;
constexpr int LargeDigitWidth = 40;
constexpr int LargeDigitHeight = 20;
constexpr int PanelTop = 220;
constexpr int PanelSize = 40;
constexpr int SmallDigitTop = 260;
constexpr int SmallDigitWidth = 4;

// The panel's rows of small digits (drawn over it by the game) and the label
// beside each: panel row, digits the game draws there, label, label colour.
struct PanelRow {
    int top;
    int digits;
    const char* label;
    Rgb colour;
};
constexpr PanelRow PanelRows[] = {
    {5, 5, "HP", {255, 110, 110}},    // boss hit points, screen y 205
    {15, 2, "LIFE", {120, 255, 150}}, // lives, screen y 215
    {25, 3, "FPS", {170, 180, 210}},  // frames per second, screen y 225
    {35, 6, "CMB", {255, 220, 90}},   // combo, screen y 235
};

constexpr Rgb CellFace{22, 28, 58};
constexpr Rgb CellLight{70, 84, 140};
constexpr Rgb CellShade{10, 12, 30};
constexpr Rgb CellWell{8, 10, 24};
constexpr Rgb DigitTop{225, 250, 255};
constexpr Rgb DigitBottom{80, 160, 255};
constexpr Rgb DigitEdgeLit{255, 255, 255};
constexpr Rgb DigitEdgeDark{36, 80, 190};
constexpr Rgb DigitGhost{30, 40, 84};

// Draws one glyph of the digit font with a bevel: lit where nothing is above,
// shaded where nothing is below.
void DrawBevelGlyph(Picture& p, const Font& font, char c, int x, int y, bool ghost) {
    const Glyph& g = font.glyphs[static_cast<unsigned char>(c)];
    auto ink = [&](int gx, int gy) {
        return gx >= 0 && gy >= 0 && gx < g.width && gy < font.height && g.rows[gy][gx] != '.';
    };
    for (int gy = 0; gy < font.height; ++gy)
        for (int gx = 0; gx < g.width; ++gx) {
            if (!ink(gx, gy)) continue;
            Rgb colour;
            if (ghost) colour = DigitGhost;
            else if (!ink(gx, gy - 1)) colour = DigitEdgeLit;
            else if (!ink(gx, gy + 1) || !ink(gx + 1, gy)) colour = DigitEdgeDark;
            else colour = Mix(DigitTop, DigitBottom, gy / float(font.height - 1));
            Paint(p, x + gx, y + gy, colour);
        }
}

void DrawLargeDigit(Picture& p, const Font& font, int d) {
    const int top = d * LargeDigitHeight;
    for (int y = 0; y < LargeDigitHeight; ++y)
        for (int x = 0; x < LargeDigitWidth; ++x) {
            Rgb c = CellFace;
            if (y == 0 || x == 0) c = CellLight;
            else if (y == LargeDigitHeight - 1 || x == LargeDigitWidth - 1) c = CellShade;
            else if (x >= 12 && x <= 27 && y >= 2 && y <= 17) c = (x == 12 || y == 2) ? CellShade : CellWell;
            Paint(p, x, top + y, c);
        }
    // Little lamps either side, so a wall of cells reads as a machine.
    for (int side : {5, 33}) {
        FillRect(p, side, top + 8, 2, 4, Rgb{40, 60, 110});
        Paint(p, side, top + 8, Rgb{120, 200, 255});
    }
    const Glyph& g = font.glyphs['0' + d];
    const int gx = 12 + (16 - g.width) / 2, gy = top + 3;
    DrawBevelGlyph(p, font, '8', gx, gy, true);
    DrawBevelGlyph(p, font, static_cast<char>('0' + d), gx, gy, false);
}

void DrawPanel(Picture& p, const Assets& a) {
    const int top = PanelTop;
    for (int y = 0; y < PanelSize; ++y)
        for (int x = 0; x < PanelSize; ++x) {
            Rgb c = CellFace;
            if (y == 0 || x == 0) c = CellLight;
            else if (y == PanelSize - 1 || x == PanelSize - 1) c = CellShade;
            Paint(p, x, top + y, c);
        }
    TextStyle label;
    for (const PanelRow& row : PanelRows) {
        // A dark well behind the digits, and the label to its right.
        const int wellRight = row.digits * SmallDigitWidth;
        FillRect(p, 0, top + row.top - 1, wellRight + 1, std::min(7, PanelSize - (row.top - 1)), CellWell);
        FillRect(p, 0, top + row.top - 2, wellRight + 1, 1, CellShade);
        label.top = row.colour;
        label.bottom = Scale(row.colour, 0.7f);
        int w = TextWidth(a.tiny, row.label);
        DrawText(p, a.tiny, 38 - w, top + row.top, row.label, label);
    }
    // Thin rules between the rows.
    for (int y : {12, 22, 32})
        for (int x = 26; x < 38; x += 2) Paint(p, x, top + y, CellLight);
}

void DrawSmallDigits(Picture& p, const Assets& a) {
    TextStyle style;
    style.top = Rgb{255, 255, 255};
    style.bottom = Rgb{160, 220, 255};
    for (int d = 0; d < 10; ++d)
        DrawText(p, a.tiny, d * SmallDigitWidth, SmallDigitTop, std::string(1, static_cast<char>('0' + d)), style);
}

// ---- chips2.bmp

constexpr int SpriteSheetWidth = 100;
constexpr int SpriteSheetHeight = 310;

// Where each picture of the sheet goes: its top-left corner and size.
struct Cell {
    int x, y, width, height;
};
constexpr Cell PlayerCell(int character, int frame) { return {20 * character, 40 * frame, 20, 40}; }
constexpr Cell DepthShotCell(int kind) { return {60, 20 * kind, 20, 20}; }
constexpr Cell ResultsLabelCell{0, 120, 80, 20};
constexpr Cell ReverseIconCell{60, 140, 20, 10};
constexpr Cell PlayerShotCell(int character) { return {20 * character, 140, 20, 20}; }
constexpr Cell BurstCell(int frame) { return {20 * frame, 160, 20, 20}; }
constexpr Cell FlatShotCell(int kind) { return {10 * kind, 180, 10, 10}; }
constexpr Cell BombIconCell{60, 180, 20, 10};
constexpr Cell ExplosionCell(int step) { return {20 * step, 190, 20, 20}; }
constexpr Cell FinalHitCaptionCell{0, 210, 80, 20};
constexpr Cell BeamPieceCell{0, 230, 80, 20};
// The signs over a replay being watched, and over a paused game.
constexpr Cell ReplaySignCell{0, 250, 80, 20};
constexpr Cell PausedSignCell{0, 270, 80, 20};
constexpr Cell SpeedSignCell(int step) { return {80, 250 + 20 * step, 20, 20}; }

// The player shot sprites in `Character` order.
constexpr const char* PlayerShotSprites[CharacterCount] = {"player_shot_aster", "player_shot_briony",
                                                           "player_shot_calla"};

constexpr const char* ResultsLabelText = "RESULT";
constexpr const char* FinalHitCaptionText = "GAME OVER";
constexpr const char* ReplaySignText = "REPLAY";
constexpr const char* PausedSignText = "PAUSED";
constexpr const char* SpeedSignTexts[3] = {"2X", "4X", "8X"};

bool Place(Picture& sheet, const Cell& cell, const Picture& picture, const std::string& what, std::string& error) {
    if (picture.width != cell.width || picture.height != cell.height) {
        error = what + " is " + std::to_string(picture.width) + " x " + std::to_string(picture.height) +
                ", its cell is " + std::to_string(cell.width) + " x " + std::to_string(cell.height);
        return false;
    }
    Blit(sheet, cell.x, cell.y, picture);
    return true;
}

}  // namespace

bool MakeDigitSheet(const Assets& a, Picture& sheet, std::string& error) {
    for (int d = 0; d < 10; ++d) {
        const Glyph& g = a.digits.glyphs['0' + d];
        if (!g.defined || g.width > 16 || a.digits.height > 16) {
            error = a.digits.name + ": needs digits 0 to 9 at most 16 x 16";
            return false;
        }
        if (!a.tiny.glyphs['0' + d].defined || a.tiny.glyphs['0' + d].width > 3 || a.tiny.height != 5) {
            error = a.tiny.name + ": needs digits 0 to 9 of 3 x 5 at most";
            return false;
        }
    }
    for (const PanelRow& row : PanelRows)
        if (!CheckText(a.tiny, row.label, error)) return false;
    sheet = MakePicture(DigitSheetWidth, DigitSheetHeight);
    for (int d = 0; d < 10; ++d) DrawLargeDigit(sheet, a.digits, d);
    DrawPanel(sheet, a);
    DrawSmallDigits(sheet, a);
    return true;
}

bool MakeCaptionPlate(const Assets& a, const std::string& text, int scale, bool bold, Rgb top, Rgb bottom, Rgb edge,
                      Picture& plate, std::string& error) {
    if (!CheckText(a.small, text, error)) return false;
    plate = MakePicture(80, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x) {
            bool border = x == 0 || y == 0 || x == 79 || y == 19;
            bool inner = x == 1 || y == 1 || x == 78 || y == 18;
            Paint(plate, x, y, border ? Scale(edge, 0.5f) : inner ? edge : Mix(Rgb{14, 10, 30}, Rgb{34, 20, 60}, y / 19.0f));
        }
    TextStyle style;
    style.scale = scale;
    style.bold = bold;
    style.top = top;
    style.bottom = bottom;
    style.outlined = true;
    style.outline = Rgb{10, 6, 20};
    const int height = a.small.height * scale;
    DrawTextCentred(plate, a.small, 40, (20 - height) / 2, text, style);
    return true;
}

// A 20 × 20 mark with a short text (the replay's speed).
static bool MakeSignMark(const Assets& a, const std::string& text, Picture& mark, std::string& error) {
    if (!CheckText(a.small, text, error)) return false;
    mark = MakePicture(20, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool edge = x == 0 || y == 0 || x == 19 || y == 19;
            Paint(mark, x, y, edge ? Rgb{255, 170, 60} : Mix(Rgb{14, 10, 30}, Rgb{34, 20, 60}, y / 19.0f));
        }
    TextStyle style;
    style.top = Rgb{255, 255, 255};
    style.bottom = Rgb{255, 200, 90};
    DrawTextCentred(mark, a.small, 10, (20 - a.small.height) / 2, text, style);
    return true;
}

bool MakeSpriteSheet(const Assets& a, Picture& sheet, std::string& error) {
    sheet = MakePicture(SpriteSheetWidth, SpriteSheetHeight);
    for (int k = 0; k < CharacterCount; ++k) {
        for (int f = 0; f < 3; ++f) Blit(sheet, PlayerCell(k, f).x, PlayerCell(k, f).y, RenderShapes(a.crafts[k], f));
        Picture shot;
        if (!SpriteFrame(a, PlayerShotSprites[k], 0, shot, error) ||
            !Place(sheet, PlayerShotCell(k), shot, PlayerShotSprites[k], error))
            return false;
    }
    for (int k = 0; k < 5; ++k) {
        Blit(sheet, DepthShotCell(k).x, DepthShotCell(k).y, RenderShapes(a.depthShots, k));
        Picture flat;
        std::string name = "flat_shot_" + std::to_string(k);
        if (!SpriteFrame(a, name, 0, flat, error) || !Place(sheet, FlatShotCell(k), flat, name, error)) return false;
    }
    Picture icon;
    if (!SpriteFrame(a, "reverse_icon", 0, icon, error) || !Place(sheet, ReverseIconCell, icon, "reverse_icon", error))
        return false;
    if (!SpriteFrame(a, "bomb_icon", 0, icon, error) || !Place(sheet, BombIconCell, icon, "bomb_icon", error))
        return false;
    for (int f = 0; f < BurstFrames; ++f) Blit(sheet, BurstCell(f).x, BurstCell(f).y, MakeBurst(f));
    for (int n = 0; n < ExplosionSteps; ++n) Blit(sheet, ExplosionCell(n).x, ExplosionCell(n).y, MakeExplosion(n));
    Blit(sheet, BeamPieceCell.x, BeamPieceCell.y, MakeBeamPiece());
    // The caption plates: text, its scale and weight, its top and bottom
    // colours and the plate's edge, and the cell.
    const struct {
        const char* text;
        int scale;
        bool bold;
        Rgb top, bottom, edge;
        Cell cell;
    } plates[] = {
        {ResultsLabelText, 2, false, {255, 255, 255}, {120, 220, 255}, {90, 160, 255}, ResultsLabelCell},
        {FinalHitCaptionText, 1, true, {255, 240, 200}, {255, 80, 60}, {255, 70, 60}, FinalHitCaptionCell},
        {ReplaySignText, 1, true, {255, 255, 255}, {255, 200, 90}, {255, 170, 60}, ReplaySignCell},
        {PausedSignText, 2, false, {255, 255, 255}, {160, 255, 160}, {90, 220, 120}, PausedSignCell},
    };
    for (const auto& p : plates) {
        Picture plate;
        if (!MakeCaptionPlate(a, p.text, p.scale, p.bold, p.top, p.bottom, p.edge, plate, error)) return false;
        Blit(sheet, p.cell.x, p.cell.y, plate);
    }
    for (int step = 0; step < 3; ++step) {
        Picture mark;
        if (!MakeSignMark(a, SpeedSignTexts[step], mark, error)) return false;
        Blit(sheet, SpeedSignCell(step).x, SpeedSignCell(step).y, mark);
    }
    return true;
}

}  // namespace pictures
