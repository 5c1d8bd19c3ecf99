// The readable names of the script codes. Each table lists every code that
// does something in its family, in code order; a code missing from a table
// does nothing there and is written as a plain number.
//
// Speed suffixes: -slow, -mid and -fast are the three speeds of one pattern;
// the boss's straight moves carry their speed in pixels per second, its
// homing moves the seconds they take to reach their point.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "pattern_tables.h"
#include "stagec.h"

namespace stagec {

struct CodeEntry {
    int code;
    const char* name;
};

// Depth shots: they fly out of the distance and can hit when they arrive.
constexpr CodeEntry DepthCodes[] = {
    {1, "depth.aim-slow"},
    {2, "depth.aim-mid"},
    {3, "depth.aim-fast"},
    {4, "depth.scatter-slow"},
    {5, "depth.scatter-mid"},
    {6, "depth.scatter-fast"},
    {7, "depth.rain-slow"},
    {8, "depth.rain-mid"},
    {9, "depth.rain-fast"},
    {10, "depth.stray-slow"},
    {11, "depth.stray-mid"},
    {12, "depth.stray-fast"},
    {13, "depth.cross-slow"},
    {14, "depth.cross-mid"},
    {15, "depth.cross-fast"},
    {16, "depth.column-slow"},
    {17, "depth.column-mid"},
    {18, "depth.column-fast"},
    {19, "depth.row-slow"},
    {20, "depth.row-mid"},
    {21, "depth.row-fast"},
    {22, "depth.spin-slow"},
    {23, "depth.spin-mid"},
    {24, "depth.spin-fast"},
    {25, "depth.spin2-slow"},
    {26, "depth.spin2-mid"},
    {27, "depth.spin2-fast"},
    {28, "depth.spin-back-slow"},
    {29, "depth.spin-back-mid"},
    {30, "depth.spin-back-fast"},
    {31, "depth.fan4-slow"},
    {32, "depth.fan4-mid"},
    {33, "depth.fan4-fast"},
    {34, "depth.grid9-slow"},
    {35, "depth.grid9-mid"},
    {36, "depth.grid9-fast"},
    {37, "depth.near-slow"},
    {38, "depth.near-mid"},
    {39, "depth.near-fast"},
    {40, "depth.lurk-slow"},
    {41, "depth.lurk-mid"},
    {42, "depth.lurk-fast"},
    {43, "depth.grid16-slow"},
    {44, "depth.grid16-mid"},
    {45, "depth.grid16-fast"},
    {46, "depth.orbit-slow"},
    {47, "depth.orbit-mid"},
    {48, "depth.orbit-fast"},
    {49, "depth.clear"},
};

// Flat shots: the boss sprays them across the player's plane.
constexpr CodeEntry FlatCodes[] = {
    {50, "flat.aim-slow"},
    {51, "flat.aim-mid"},
    {52, "flat.aim-fast"},
    {53, "flat.fan3-slow"},
    {54, "flat.fan3-mid"},
    {55, "flat.fan3-fast"},
    {56, "flat.fan5-slow"},
    {57, "flat.fan5-mid"},
    {58, "flat.fan5-fast"},
    {59, "flat.scatter-slow"},
    {60, "flat.scatter-mid"},
    {61, "flat.scatter-fast"},
    {62, "flat.line-slow"},
    {63, "flat.line-mid"},
    {64, "flat.line-fast"},
    {65, "flat.pair-spin-slow"},
    {66, "flat.pair-spin-mid"},
    {67, "flat.pair-spin-fast"},
    {68, "flat.pair-spin-back-slow"},
    {69, "flat.pair-spin-back-mid"},
    {70, "flat.pair-spin-back-fast"},
    {71, "flat.cross-spin-slow"},
    {72, "flat.cross-spin-mid"},
    {73, "flat.cross-spin-fast"},
    {74, "flat.cross-spin2-slow"},
    {75, "flat.cross-spin2-mid"},
    {76, "flat.cross-spin2-fast"},
    {77, "flat.fan7-slow"},
    {78, "flat.fan7-mid"},
    {79, "flat.fan7-fast"},
    {80, "flat.spray-slow"},
    {81, "flat.spray-mid"},
    {82, "flat.spray-fast"},
    {83, "flat.arc-spin-slow"},
    {84, "flat.arc-spin-mid"},
    {85, "flat.arc-spin-fast"},
    {86, "flat.arc-spin2-slow"},
    {87, "flat.arc-spin2-mid"},
    {88, "flat.arc-spin2-fast"},
    {89, "flat.column-slow"},
    {90, "flat.column-mid"},
    {91, "flat.column-fast"},
    {92, "flat.ring8-slow"},
    {93, "flat.ring8-fast"},
    {94, "flat.ring16-slow"},
    {95, "flat.ring16-fast"},
    {96, "flat.halve-speed"},
    {97, "flat.boost-speed"},
    {98, "flat.crawl-speed"},
    {99, "flat.clear"},
    {100, "flat.reverse"},
};

// Boss moves: a velocity that lasts until the next move, bouncing off the
// walls at 30 and 210; or a jump along one axis.
constexpr CodeEntry BossCodes[] = {
    {0, "boss.stop"},
    {1, "boss.up-100"},
    {2, "boss.up-200"},
    {3, "boss.up-300"},
    {4, "boss.up-400"},
    {5, "boss.down-100"},
    {6, "boss.down-200"},
    {7, "boss.down-300"},
    {8, "boss.down-400"},
    {9, "boss.left-100"},
    {10, "boss.left-200"},
    {11, "boss.left-300"},
    {12, "boss.left-400"},
    {13, "boss.right-100"},
    {14, "boss.right-200"},
    {15, "boss.right-300"},
    {16, "boss.right-400"},
    {17, "boss.up-right-100"},
    {18, "boss.up-right-200"},
    {19, "boss.up-right-300"},
    {20, "boss.up-right-400"},
    {21, "boss.down-right-100"},
    {22, "boss.down-right-200"},
    {23, "boss.down-right-300"},
    {24, "boss.down-right-400"},
    {25, "boss.up-left-100"},
    {26, "boss.up-left-200"},
    {27, "boss.up-left-300"},
    {28, "boss.up-left-400"},
    {29, "boss.down-left-100"},
    {30, "boss.down-left-200"},
    {31, "boss.down-left-300"},
    {32, "boss.down-left-400"},
    {33, "boss.home-top-1s"},
    {34, "boss.home-top-2s"},
    {35, "boss.home-bottom-1s"},
    {36, "boss.home-bottom-2s"},
    {37, "boss.home-left-1s"},
    {38, "boss.home-left-2s"},
    {39, "boss.home-right-1s"},
    {40, "boss.home-right-2s"},
    {41, "boss.home-centre-1s"},
    {42, "boss.home-centre-2s"},
    {43, "boss.home-random-1s"},
    {44, "boss.home-random-2s"},
    {45, "boss.home-random-3s"},
    {46, "boss.jump-x"},
    {47, "boss.jump-y"},
    {48, "boss.home-player-1s"},
    {49, "boss.home-player-2s"},
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

namespace {

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string Shots(int count) { return count == 1 ? "1 shot" : std::to_string(count) + " shots"; }

std::string Turning(double radiansPerSecond) { return ", turning at " + Number(radiansPerSecond) + " rad/s"; }

std::string DescribeDepth(const DepthPattern& p) {
    if (p.start == DepthStart::ClearTable) return "removes every depth shot";
    std::string from;
    switch (p.start) {
    case DepthStart::RandomEach: from = p.shots == 1 ? " from a random point" : " from random points"; break;
    case DepthStart::RandomShared: from = " from one random point"; break;
    case DepthStart::Centre: from = " from the centre"; break;
    default: break;
    }
    std::string what = Shots(p.shots) + from;
    switch (p.velocity) {
    case DepthVelocity::AimPlayer: what += " at the player"; break;
    case DepthVelocity::AimRandom: what += p.shots == 1 ? " to a random point" : " to random points"; break;
    case DepthVelocity::Straight: what = Shots(p.shots) + " falling straight" + from; break;
    case DepthVelocity::AimPlayerCross:
        what += " at the player and " + std::to_string(DepthCrossOffsets[1].dx < 0 ? -DepthCrossOffsets[1].dx
                                                                                 : DepthCrossOffsets[1].dx) +
                " px around";
        break;
    case DepthVelocity::DriftX: what = "a column of " + std::to_string(p.shots) + " drifting sideways"; break;
    case DepthVelocity::DriftY: what = "a row of " + std::to_string(p.shots) + " drifting up or down"; break;
    case DepthVelocity::Spray: what += (p.angleStep != 0 ? " in a fan" : "") + Turning(p.timeScale); break;
    case DepthVelocity::AimGrid3:
    case DepthVelocity::AimGrid4: {
        const DepthGrid& grid = p.velocity == DepthVelocity::AimGrid3 ? DepthGrid3 : DepthGrid4;
        what = std::to_string(grid.side) + " x " + std::to_string(grid.side) + " grid, " +
               std::to_string(grid.step) + " px apart," + from;
        break;
    }
    case DepthVelocity::AimPlayerJitter: what += " within " + std::to_string(DepthJitterHalf) + " px of the player"; break;
    case DepthVelocity::AimPlayerCircle:
        what += " on a circle " + Number(DepthCircleRadius) + " px around the player" + Turning(p.timeScale);
        break;
    case DepthVelocity::None: break;
    }
    what += ", closing at " + std::to_string(p.vz) + "/s";
    if (p.z != 100.0f) what += " from depth " + Number(p.z);
    return what;
}

std::string DescribeFlat(const FlatPattern& p) {
    const std::string speed = ", " + std::to_string(p.speed) + " px/s";
    switch (p.rule) {
    case FlatRule::AimPlayer: return Shots(p.shots) + " at the player" + speed;
    case FlatRule::Fan: return std::to_string(p.shots) + "-shot fan at the player" + speed;
    case FlatRule::AimRandom: return Shots(p.shots) + " at random points" + speed;
    case FlatRule::Line:
        return Shots(p.shots) + " in a line at the player, " + std::to_string(p.speedStep) + ".." +
               std::to_string(p.speedStep * p.shots) + " px/s";
    case FlatRule::Pair: return "2 opposite shots" + Turning(p.timeScale) + speed;
    case FlatRule::Cross: return "4 shots in a cross" + Turning(p.timeScale) + speed;
    case FlatRule::Scatter:
        return Shots(p.shots) + " around the player, " + std::to_string(p.speed) + ".." +
               std::to_string(p.speed + p.speedRange - 1) + " px/s";
    case FlatRule::Spin: return Shots(p.shots) + " in a narrow arc" + Turning(p.timeScale) + speed;
    case FlatRule::Column:
        return Shots(p.shots) + " falling straight down, " + std::to_string(p.speed) + ".." +
               std::to_string(p.speed + p.speedStep * (p.shots - 1)) + " px/s";
    case FlatRule::Ring: return "ring of " + std::to_string(p.shots) + speed;
    case FlatRule::Scale: return "every flat shot in flight at " + Number(p.factor) + " times its speed";
    case FlatRule::Clear: return "removes every flat shot";
    case FlatRule::Reverse: return "turns every flat shot in flight back along its path";
    }
    return "";
}

std::string DescribeBoss(const BossSteer& b) {
    const std::string arriving = ", arriving in " + std::to_string(b.k) + " s";
    switch (b.rule) {
    case BossRule::Velocity: {
        if (b.vx == 0 && b.vy == 0) return "stand still";
        std::string way = b.vy < 0 ? "up" : b.vy > 0 ? "down" : "";
        if (b.vx != 0) way += std::string(way.empty() ? "" : " and ") + (b.vx < 0 ? "left" : "right");
        const int32_t speed = b.vx != 0 ? (b.vx < 0 ? -b.vx : b.vx) : (b.vy < 0 ? -b.vy : b.vy);
        return way + " at " + std::to_string(speed) + " px/s" + (b.vx != 0 && b.vy != 0 ? " on each axis" : "");
    }
    case BossRule::HomePoint:
        return "head for (" + std::to_string(b.tx) + ", " + std::to_string(b.ty) + ")" + arriving;
    case BossRule::HomeRandom: return "head for a random point" + arriving;
    case BossRule::HomePlayer: return "head for the player" + arriving;
    case BossRule::JumpX: return "jump to a random x, keeping the velocity";
    case BossRule::JumpY: return "jump to a random y, keeping the velocity";
    }
    return "";
}

}  // namespace

// What a code does, told from the game's own tables.
std::string CodeDescription(CodeFamily family, int code) {
    if (!CodeName(family, code)) return "";
    switch (family) {
    case FamilyDepth: return DescribeDepth(DepthPatterns[code]);
    case FamilyFlat: return DescribeFlat(FlatPatterns[code - FlatPatternFirst]);
    case FamilyBoss: return DescribeBoss(BossSteering[code]);
    }
    return "";
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
