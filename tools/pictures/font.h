// Bitmap fonts drawn as ASCII art: each glyph is a block of rows where '#' is
// the main ink, '+' the second ink (a shade or highlight) and '.' empty.
//
//   height 5        rows of every glyph
//   spacing 1       empty columns between two glyphs
//   glyph A         then `height` rows, all of one width
//   glyph space     names for characters that are awkward on their own
#pragma once

#include <array>
#include <string>
#include <vector>

#include "picture.h"

namespace pictures {

struct Glyph {
    bool defined = false;
    int width = 0;
    std::vector<std::string> rows;
};

struct Font {
    std::string name;
    int height = 0;
    int spacing = 1;
    std::array<Glyph, 128> glyphs;
};

bool LoadFont(const std::string& path, Font& font, std::string& error);

struct TextStyle {
    int scale = 1;
    Rgb top{255, 255, 255};     // main ink at the top of the glyphs
    Rgb bottom{255, 255, 255};  // main ink at the bottom (vertical gradient)
    Rgb second{160, 160, 160};  // the '+' ink
    bool outlined = false;
    Rgb outline{0, 0, 0};
    bool bold = false;          // every glyph one pixel (scaled) wider
    bool shadowed = false;      // a copy one pixel (scaled) down and right
    Rgb shadow{0, 0, 0};
};

// Width in pixels of `text` (without outline), at the style's scale.
int TextWidth(const Font& font, const std::string& text, int scale = 1);
// Width as drawn with the style (scale and bold).
int StyledWidth(const Font& font, const std::string& text, const TextStyle& style);
// Every character of `text` must have a glyph; false with the missing one named.
bool CheckText(const Font& font, const std::string& text, std::string& error);
// Draws `text` with its top-left corner at (x, y).
void DrawText(Picture& target, const Font& font, int x, int y, const std::string& text,
              const TextStyle& style);
// Draws `text` centred on column `centreX`.
void DrawTextCentred(Picture& target, const Font& font, int centreX, int y, const std::string& text,
                     const TextStyle& style);

}  // namespace pictures
