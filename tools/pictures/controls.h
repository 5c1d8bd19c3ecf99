// The game's controls drawn into the menu pictures: key caps, the pad's
// numbered buttons and its direction pad (each sign 11 pixels high), and
// tables that put each control beside what it does.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "font.h"
#include "picture.h"

namespace pictures {

// Arrow keys shown as caps before a line's key cap.
enum class ArrowCaps : uint8_t { None, UpDown, All };

// A line's pad sign: none, the direction pad, or a button 1 to 4.
constexpr int PadNone = 0;
constexpr int PadDirections = -1;

struct ControlLine {
    ArrowCaps arrows;
    const char* key;  // label of a key cap, "" for none
    int pad;          // PadNone, PadDirections or a button number
    const char* action;
};

struct Box {
    int x, y, width, height;
};

constexpr int SignHeight = 11;
constexpr int ControlPitch = 12;  // rows from one line of a table to the next

// Every label and action must have a glyph in `font`.
bool CheckControlTexts(const Font& font, std::span<const ControlLine> lines, std::string& error);
// Size of a table drawn by DrawControlTable.
Box ControlTableBox(const Font& font, std::span<const ControlLine> lines, int x, int y);
// Draws `lines` from (x, y) down: the caps right-aligned against the column of
// pad signs, then the action in `ink`.
void DrawControlTable(Picture& target, const Font& font, std::span<const ControlLine> lines, int x, int y, Rgb ink);

// True when `what` lies inside `area` and meets none of `keepClear`; else
// false with an error that names `name`.
bool FitsClear(const Box& what, const Box& area, std::span<const Box> keepClear, const std::string& name,
               std::string& error);

}  // namespace pictures
