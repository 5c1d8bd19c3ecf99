// The menu pictures: title, mode select, character select and the two
// highlight strips.
#pragma once

#include <string>

#include "assets.h"
#include "picture.h"

namespace pictures {

// start.bmp, 240 x 240 (shown at screen x 40).
bool MakeTitlePicture(const Assets& assets, Picture& picture, std::string& error);
// selemode.bmp, 320 x 240: rows of 80 for KIDS, STANDARD, MASTER.
bool MakeModeSelectPicture(const Assets& assets, Picture& picture, std::string& error);
// opening.bmp, 320 x 240: row r for character r.
bool MakeCharacterSelectPicture(const Assets& assets, Picture& picture, std::string& error);
// tlop.bmp, 320 x 160: two 320 x 80 strips at y 0 and 80, shown on
// alternate frames over the current row.
bool MakeMenuBarPicture(const Assets& assets, Picture& picture, std::string& error);

}  // namespace pictures
