// The readable names of the script codes. Each table lists every code that
// does something in its family, in code order; a code missing from a table
// does nothing there and is written as a plain number.
//
// Speed suffixes: -slow, -mid and -fast are the three speeds of one pattern;
// the boss's straight moves carry their speed in pixels per second, its
// homing moves the seconds they take to reach their point.
#include <algorithm>
#include <cctype>

#include "stagec.h"

namespace stagec {

struct CodeEntry {
    int code;
    const char* name;
    const char* what;
};

// Depth shots: they fly out of the distance and can hit when they arrive.
constexpr CodeEntry DepthCodes[] = {
    {1, "depth.aim-slow", "1 shot from a random point at the player"},
    {2, "depth.aim-mid", "1 shot from a random point at the player"},
    {3, "depth.aim-fast", "1 shot from a random point at the player"},
    {4, "depth.scatter-slow", "5 shots from one random point to random points"},
    {5, "depth.scatter-mid", "5 shots from one random point to random points"},
    {6, "depth.scatter-fast", "5 shots from one random point to random points"},
    {7, "depth.rain-slow", "5 straight shots at random points"},
    {8, "depth.rain-mid", "5 straight shots at random points"},
    {9, "depth.rain-fast", "5 straight shots at random points"},
    {10, "depth.stray-slow", "1 shot from the centre to a random point"},
    {11, "depth.stray-mid", "1 shot from the centre to a random point"},
    {12, "depth.stray-fast", "1 shot from the centre to a random point"},
    {13, "depth.cross-slow", "5 shots at the player and 40 px around"},
    {14, "depth.cross-mid", "5 shots at the player and 40 px around"},
    {15, "depth.cross-fast", "5 shots at the player and 40 px around"},
    {16, "depth.column-slow", "a column of 12 drifting sideways"},
    {17, "depth.column-mid", "a column of 12 drifting sideways"},
    {18, "depth.column-fast", "a column of 12 drifting sideways"},
    {19, "depth.row-slow", "a row of 12 drifting up or down"},
    {20, "depth.row-mid", "a row of 12 drifting up or down"},
    {21, "depth.row-fast", "a row of 12 drifting up or down"},
    {22, "depth.spin-slow", "1 shot from the centre, turning with the clock"},
    {23, "depth.spin-mid", "1 shot from the centre, turning with the clock"},
    {24, "depth.spin-fast", "1 shot from the centre, turning with the clock"},
    {25, "depth.spin2-slow", "as depth.spin, turning twice as quickly"},
    {26, "depth.spin2-mid", "as depth.spin, turning twice as quickly"},
    {27, "depth.spin2-fast", "as depth.spin, turning twice as quickly"},
    {28, "depth.spin-back-slow", "as depth.spin, turning the other way"},
    {29, "depth.spin-back-mid", "as depth.spin, turning the other way"},
    {30, "depth.spin-back-fast", "as depth.spin, turning the other way"},
    {31, "depth.fan4-slow", "4 shots from the centre in a turning fan"},
    {32, "depth.fan4-mid", "4 shots from the centre in a turning fan"},
    {33, "depth.fan4-fast", "4 shots from the centre in a turning fan"},
    {34, "depth.grid9-slow", "3 x 3 grid, 30 px apart, from the centre"},
    {35, "depth.grid9-mid", "3 x 3 grid, 30 px apart, from the centre"},
    {36, "depth.grid9-fast", "3 x 3 grid, 30 px apart, from the centre"},
    {37, "depth.near-slow", "3 shots within 50 px of the player"},
    {38, "depth.near-mid", "3 shots within 50 px of the player"},
    {39, "depth.near-fast", "3 shots within 50 px of the player"},
    {40, "depth.lurk-slow", "1 shot that starts close and creeps at the player"},
    {41, "depth.lurk-mid", "1 shot that starts close and creeps at the player"},
    {42, "depth.lurk-fast", "1 shot that starts close and creeps at the player"},
    {43, "depth.grid16-slow", "4 x 4 grid, 30 px apart, from the centre"},
    {44, "depth.grid16-mid", "4 x 4 grid, 30 px apart, from the centre"},
    {45, "depth.grid16-fast", "4 x 4 grid, 30 px apart, from the centre"},
    {46, "depth.orbit-slow", "5 shots on a turning circle 40 px around the player"},
    {47, "depth.orbit-mid", "5 shots on a turning circle 40 px around the player"},
    {48, "depth.orbit-fast", "5 shots on a turning circle 40 px around the player"},
    {49, "depth.clear", "removes every depth shot"},
};

// Flat shots: the boss sprays them across the player's plane.
constexpr CodeEntry FlatCodes[] = {
    {50, "flat.aim-slow", "1 shot at the player, 60 px/s"},
    {51, "flat.aim-mid", "1 shot at the player, 120 px/s"},
    {52, "flat.aim-fast", "1 shot at the player, 180 px/s"},
    {53, "flat.fan3-slow", "3-shot fan at the player, 60 px/s"},
    {54, "flat.fan3-mid", "3-shot fan at the player, 120 px/s"},
    {55, "flat.fan3-fast", "3-shot fan at the player, 180 px/s"},
    {56, "flat.fan5-slow", "5-shot fan at the player, 60 px/s"},
    {57, "flat.fan5-mid", "5-shot fan at the player, 120 px/s"},
    {58, "flat.fan5-fast", "5-shot fan at the player, 180 px/s"},
    {59, "flat.scatter-slow", "5 shots at random points, 60 px/s"},
    {60, "flat.scatter-mid", "5 shots at random points, 120 px/s"},
    {61, "flat.scatter-fast", "5 shots at random points, 180 px/s"},
    {62, "flat.line-slow", "7 shots in a line at the player, 15..105 px/s"},
    {63, "flat.line-mid", "7 shots in a line at the player, 23..161 px/s"},
    {64, "flat.line-fast", "7 shots in a line at the player, 30..210 px/s"},
    {65, "flat.pair-spin-slow", "2 opposite shots, turning with the clock, 60 px/s"},
    {66, "flat.pair-spin-mid", "2 opposite shots, turning with the clock, 120 px/s"},
    {67, "flat.pair-spin-fast", "2 opposite shots, turning with the clock, 180 px/s"},
    {68, "flat.pair-spin-back-slow", "as flat.pair-spin, turning the other way"},
    {69, "flat.pair-spin-back-mid", "as flat.pair-spin, turning the other way"},
    {70, "flat.pair-spin-back-fast", "as flat.pair-spin, turning the other way"},
    {71, "flat.cross-spin-slow", "4 shots in a turning cross, 60 px/s"},
    {72, "flat.cross-spin-mid", "4 shots in a turning cross, 120 px/s"},
    {73, "flat.cross-spin-fast", "4 shots in a turning cross, 180 px/s"},
    {74, "flat.cross-spin2-slow", "as flat.cross-spin, turning twice as quickly"},
    {75, "flat.cross-spin2-mid", "as flat.cross-spin, turning twice as quickly"},
    {76, "flat.cross-spin2-fast", "as flat.cross-spin, turning twice as quickly"},
    {77, "flat.fan7-slow", "7-shot fan at the player, 50 px/s"},
    {78, "flat.fan7-mid", "7-shot fan at the player, 100 px/s"},
    {79, "flat.fan7-fast", "7-shot fan at the player, 150 px/s"},
    {80, "flat.spray-slow", "10 shots around the player, 50..99 px/s"},
    {81, "flat.spray-mid", "10 shots around the player, 50..149 px/s"},
    {82, "flat.spray-fast", "10 shots around the player, 50..199 px/s"},
    {83, "flat.arc-spin-slow", "5 shots in a narrow turning arc, 60 px/s"},
    {84, "flat.arc-spin-mid", "5 shots in a narrow turning arc, 120 px/s"},
    {85, "flat.arc-spin-fast", "5 shots in a narrow turning arc, 180 px/s"},
    {86, "flat.arc-spin2-slow", "as flat.arc-spin, turning twice as quickly"},
    {87, "flat.arc-spin2-mid", "as flat.arc-spin, turning twice as quickly"},
    {88, "flat.arc-spin2-fast", "as flat.arc-spin, turning twice as quickly"},
    {89, "flat.column-slow", "10 shots falling straight down, 60..114 px/s"},
    {90, "flat.column-mid", "10 shots falling straight down, 80..152 px/s"},
    {91, "flat.column-fast", "10 shots falling straight down, 100..190 px/s"},
    {92, "flat.ring8-slow", "ring of 8, 90 px/s"},
    {93, "flat.ring8-fast", "ring of 8, 180 px/s"},
    {94, "flat.ring16-slow", "ring of 16, 90 px/s"},
    {95, "flat.ring16-fast", "ring of 16, 180 px/s"},
    {96, "flat.halve-speed", "every flat shot in flight at half speed"},
    {97, "flat.boost-speed", "every flat shot in flight at 1.5 times its speed"},
    {98, "flat.crawl-speed", "every flat shot in flight at a tenth of its speed"},
    {99, "flat.clear", "removes every flat shot"},
    {100, "flat.reverse", "turns every flat shot in flight back along its path"},
};

// Boss moves: a velocity that lasts until the next move, bouncing off the
// walls at 30 and 210; or a jump along one axis.
constexpr CodeEntry BossCodes[] = {
    {0, "boss.stop", "stand still"},
    {1, "boss.up-100", "up at 100 px/s"},
    {2, "boss.up-200", "up at 200 px/s"},
    {3, "boss.up-300", "up at 300 px/s"},
    {4, "boss.up-400", "up at 400 px/s"},
    {5, "boss.down-100", "down at 100 px/s"},
    {6, "boss.down-200", "down at 200 px/s"},
    {7, "boss.down-300", "down at 300 px/s"},
    {8, "boss.down-400", "down at 400 px/s"},
    {9, "boss.left-100", "left at 100 px/s"},
    {10, "boss.left-200", "left at 200 px/s"},
    {11, "boss.left-300", "left at 300 px/s"},
    {12, "boss.left-400", "left at 400 px/s"},
    {13, "boss.right-100", "right at 100 px/s"},
    {14, "boss.right-200", "right at 200 px/s"},
    {15, "boss.right-300", "right at 300 px/s"},
    {16, "boss.right-400", "right at 400 px/s"},
    {17, "boss.up-right-100", "up and right at 100 px/s on each axis"},
    {18, "boss.up-right-200", "up and right at 200 px/s on each axis"},
    {19, "boss.up-right-300", "up and right at 300 px/s on each axis"},
    {20, "boss.up-right-400", "up and right at 400 px/s on each axis"},
    {21, "boss.down-right-100", "down and right at 100 px/s on each axis"},
    {22, "boss.down-right-200", "down and right at 200 px/s on each axis"},
    {23, "boss.down-right-300", "down and right at 300 px/s on each axis"},
    {24, "boss.down-right-400", "down and right at 400 px/s on each axis"},
    {25, "boss.up-left-100", "up and left at 100 px/s on each axis"},
    {26, "boss.up-left-200", "up and left at 200 px/s on each axis"},
    {27, "boss.up-left-300", "up and left at 300 px/s on each axis"},
    {28, "boss.up-left-400", "up and left at 400 px/s on each axis"},
    {29, "boss.down-left-100", "down and left at 100 px/s on each axis"},
    {30, "boss.down-left-200", "down and left at 200 px/s on each axis"},
    {31, "boss.down-left-300", "down and left at 300 px/s on each axis"},
    {32, "boss.down-left-400", "down and left at 400 px/s on each axis"},
    {33, "boss.home-top-1s", "head for (120, 30), arriving in 1 s"},
    {34, "boss.home-top-2s", "head for (120, 30), arriving in 2 s"},
    {35, "boss.home-bottom-1s", "head for (120, 210), arriving in 1 s"},
    {36, "boss.home-bottom-2s", "head for (120, 210), arriving in 2 s"},
    {37, "boss.home-left-1s", "head for (30, 120), arriving in 1 s"},
    {38, "boss.home-left-2s", "head for (30, 120), arriving in 2 s"},
    {39, "boss.home-right-1s", "head for (210, 120), arriving in 1 s"},
    {40, "boss.home-right-2s", "head for (210, 120), arriving in 2 s"},
    {41, "boss.home-centre-1s", "head for (120, 120), arriving in 1 s"},
    {42, "boss.home-centre-2s", "head for (120, 120), arriving in 2 s"},
    {43, "boss.home-random-1s", "head for a random point, arriving in 1 s"},
    {44, "boss.home-random-2s", "head for a random point, arriving in 2 s"},
    {45, "boss.home-random-3s", "head for a random point, arriving in 3 s"},
    {46, "boss.jump-x", "jump to a random x, keeping the velocity"},
    {47, "boss.jump-y", "jump to a random y, keeping the velocity"},
    {48, "boss.home-player-1s", "head for the player, arriving in 1 s"},
    {49, "boss.home-player-2s", "head for the player, arriving in 2 s"},
};

struct FamilyTable {
    const CodeEntry* entries;
    int count;
};

constexpr FamilyTable Families[] = {
    {DepthCodes, static_cast<int>(std::size(DepthCodes))},
    {FlatCodes, static_cast<int>(std::size(FlatCodes))},
    {BossCodes, static_cast<int>(std::size(BossCodes))},
};

static std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

const char* CodeName(CodeFamily family, int code) {
    const FamilyTable& t = Families[family];
    for (int i = 0; i < t.count; i++) {
        if (t.entries[i].code == code) return t.entries[i].name;
    }
    return nullptr;
}

const char* CodeDescription(CodeFamily family, int code) {
    const FamilyTable& t = Families[family];
    for (int i = 0; i < t.count; i++) {
        if (t.entries[i].code == code) return t.entries[i].what;
    }
    return nullptr;
}

int FindCodeName(const std::string& name, CodeFamily* family, int* code) {
    const std::string wanted = Lower(name);
    for (int f = 0; f < 3; f++) {
        const FamilyTable& t = Families[f];
        for (int i = 0; i < t.count; i++) {
            if (wanted == t.entries[i].name) {
                *family = static_cast<CodeFamily>(f);
                *code = t.entries[i].code;
                return 1;
            }
        }
    }
    return 0;
}

// Edit distance (insertions, deletions, substitutions) of two short names.
static int EditDistance(const std::string& a, const std::string& b) {
    std::vector<int> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++) row[j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); i++) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (size_t j = 1; j <= b.size(); j++) {
            const int above = row[j];
            const int change = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, change});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string ClosestCodeName(const std::string& name) {
    const std::string wanted = Lower(name);
    std::string best;
    int bestDistance = 4;  // further than 3 edits is no longer a typo
    for (int f = 0; f < 3; f++) {
        const FamilyTable& t = Families[f];
        for (int i = 0; i < t.count; i++) {
            const int d = EditDistance(wanted, t.entries[i].name);
            if (d < bestDistance) {
                bestDistance = d;
                best = t.entries[i].name;
            }
        }
    }
    return best;
}

}  // namespace stagec
