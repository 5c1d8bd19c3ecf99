// The two sheets of the play and results scenes.
//
// chips.bmp (`DigitsImage`), 40 x 265:
//   large digit d          (0, 20d)      40 x 20
//   panel picture          (0, 220)      40 x 40
//   small digit d          (4d, 260)     4 x 5
//
// chips2.bmp (`ChipsImage2`), 100 x 250: see SpriteSheetCells in sheets.cpp.
#pragma once

#include <string>

#include "assets.h"
#include "picture.h"

namespace pictures {

bool MakeDigitSheet(const Assets& assets, Picture& sheet, std::string& error);
bool MakeSpriteSheet(const Assets& assets, Picture& sheet, std::string& error);
// One plate with a caption, as the results label and the final-hit caption.
bool MakeCaptionPlate(const Assets& assets, const std::string& text, int scale, bool bold, Rgb top, Rgb bottom,
                      Rgb edge, Picture& plate, std::string& error);

}  // namespace pictures
