// Stage pictures (240 x 240): the scrolling background and the boss.
//
//   columns   0-59,  rows 0-239   left strip, scrolls upward, wraps
//   columns  60-179, rows 0-119   centre tile, scrolls downward, wraps
//   columns 180-239, rows 0-239   right strip, scrolls upward, wraps
//   columns  60-119, rows 120-179 boss, resting pose
//   columns 120-179, rows 120-179 boss, firing pose
//
// A stage source names the styles of the walls and of the floor far below,
// their colours, a seed for the patterns and the boss's shape file:
//
//   walls girders | rock | ice | magma | circuit
//   floor starfield | nebula | floes | lava | grid
//   seed 7
//   colour wall_dark 20 26 38     (also wall_mid, wall_light, wall_lamp,
//                                  floor_dark, floor_mid, floor_light,
//                                  floor_accent)
//   boss boss0.txt                (in the shapes folder)
#pragma once

#include <string>

#include "picture.h"
#include "shapes.h"

namespace pictures {

enum class WallStyle { Girders, Rock, Ice, Magma, Circuit };
enum class FloorStyle { Starfield, Nebula, Floes, Lava, Grid };

struct StageColours {
    Rgb wallDark, wallMid, wallLight, wallLamp;
    Rgb floorDark, floorMid, floorLight, floorAccent;
};

struct StageSource {
    std::string path;
    WallStyle walls{};
    FloorStyle floor{};
    uint32_t seed = 1;
    StageColours colours{};
    std::string bossFile;
    ShapeScript boss;
};

constexpr int StageSize = 240;
constexpr int StripWidth = 60;
constexpr int CentreLeft = 60;
constexpr int CentreSize = 120;
constexpr int RightStripLeft = 180;
constexpr int BossTop = 120;
constexpr int BossSize = 60;

// Reads the stage file and the boss's shape file from `shapesDir`.
bool LoadStageSource(const std::string& path, const std::string& shapesDir, StageSource& stage,
                     std::string& error);
Picture MakeWallStrip(const StageSource& stage, bool rightSide);
Picture MakeFloorTile(const StageSource& stage);
Picture MakeStagePicture(const StageSource& stage);

}  // namespace pictures
