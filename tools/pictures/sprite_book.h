// Pixel-art sprites drawn as ASCII art with a palette:
//
//   colour w 255 255 255            key 'w' paints white
//   colour f 255 200 80 | 255 120 40 | none
//                                   a colour per animation frame; 'none' is
//                                   transparent; the last one repeats
//   sprite aster 20 40 3            name, width, height, frame count
//   ....ww....                      then `height` rows of `width` keys
//
// '.' is always transparent. A colour applies to the sprites after it.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "picture.h"

namespace pictures {

struct PaletteEntry {
    bool defined = false;
    std::vector<Rgb> perFrame;  // Transparent for 'none'
};

struct PixelSprite {
    std::string name;
    std::string source;  // "file:line" of its header, for messages
    int width = 0;
    int height = 0;
    int frames = 1;
    std::vector<std::string> rows;
    std::array<PaletteEntry, 128> palette;
};

struct SpriteBook {
    std::map<std::string, PixelSprite> sprites;
};

// Adds every sprite of the file to the book; a name may appear only once.
bool LoadSpriteFile(const std::string& path, SpriteBook& book, std::string& error);
// The picture of one frame; false when the book has no such sprite or frame.
bool RenderSprite(const SpriteBook& book, const std::string& name, int frame, Picture& picture,
                  std::string& error);

}  // namespace pictures
