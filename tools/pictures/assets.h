// The sources of every picture, loaded from the assets folder.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "font.h"
#include "game.h"
#include "picture.h"
#include "shapes.h"
#include "sprite_book.h"
#include "stages.h"

namespace pictures {

constexpr int StageCount = 5;

// Source files, relative to the assets folder.
constexpr const char* TinyFontFile = "font/tiny.txt";
constexpr const char* SmallFontFile = "font/small.txt";
constexpr const char* DigitFontFile = "font/digits.txt";
constexpr const char* SpriteFiles[] = {"sprites/shots.txt", "sprites/icons.txt"};
// The player's figures in `Character` order; variant f is animation frame f.
constexpr int CharacterCount = ::CharacterCount;
constexpr const char* CraftFiles[CharacterCount] = {"shapes/aster.txt", "shapes/briony.txt", "shapes/calla.txt"};
constexpr const char* DepthShotFile = "shapes/depth_shots.txt";
constexpr const char* ShapesFolder = "shapes";
constexpr const char* StageFiles[StageCount] = {"stages/stage0.txt", "stages/stage1.txt", "stages/stage2.txt",
                                                "stages/stage3.txt", "stages/stage4.txt"};

struct Assets {
    std::string folder;
    Font tiny, small, digits;
    SpriteBook sprites;
    ShapeScript depthShots;  // variant k is depth shot kind k
    std::array<ShapeScript, CharacterCount> crafts;
    std::array<StageSource, StageCount> stages;
};

bool LoadAssets(const std::string& folder, Assets& assets, std::string& error);

struct OutputPicture {
    std::string file;  // name in the data folder
    Picture picture;
};

// Every picture of the data folder, in a fixed order.
bool BuildPictures(const Assets& assets, std::vector<OutputPicture>& out, std::string& error);

// A sprite of the book, or an error naming it.
bool SpriteFrame(const Assets& assets, const std::string& name, int frame, Picture& picture, std::string& error);

}  // namespace pictures
