// The program's icon "MAIN": a 32 × 32 picture written as text, one letter
// per pixel, turned into ARGB pixels when the program is compiled.
#include <array>
#include <cstddef>
#include <cstdint>

#include "ktSystem.h"

namespace {

constexpr const char* IconArt[32] = {
    "................................",
    "...........kkkkkkkkkk...........",
    "........kkkbbbbbbbbbbkkk........",
    "......kkbbbbbbbbbbbbbbbbkk......",
    ".....kbbbbbbbbbbbbbbbbbbbbk.....",
    "....kbbbbbbbbbbwwbbbbbbbbbbk....",
    "...kbbbbbbbbbbwccwbbbbbbbbbbk...",
    "...kbbbbbbbbbbwccwbbbbbbbbbbk...",
    "..kbbbbbbbbbbwcyycwbbbbbbbbbbk..",
    "..kbbbbbbbbbbwcyycwbbbbbbbbbbk..",
    ".kbbbbbbbbbbwccyyccwbbbbbbbbbbk.",
    ".kbbbbbbbbbbwccyyccwbbbbbbbbbbk.",
    ".kbbbbbbbbbwcccccccwbbbbbbbbbbk.",
    ".kbbbbbbbbwccccccccccwbbbbbbbbk.",
    ".kbbbbbbbwcccccccccccwbbbbbbbbk.",
    ".kbbbbbbwcccwccccccwcccwbbbbbbk.",
    ".kbbbbbwcccw.wccccw.wcccwbbbbbk.",
    ".kbbbbwcccw..wccccw..wcccwbbbbk.",
    ".kbbbwmmmw...wccccw...wmmmwbbbk.",
    ".kbbbbwww....wmmmmw....wwwbbbbk.",
    "..kbbbbbbbbbbbwrrwbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbwyywbbbbbbbbbbbk..",
    "...kbbbbbbbbbbbwwbbbbbbbbbbbk...",
    "...kbbbbbbbbbbbbbbbbbbbbbbbbk...",
    "....kbbbbbbbbbbbbbbbbbbbbbbk....",
    ".....kbbbbbbbbbbbbbbbbbbbbk.....",
    "......kkbbbbbbbbbbbbbbbbkk......",
    "........kkkbbbbbbbbbbkkk........",
    "...........kkkkkkkkkk...........",
    "................................",
    "................................",
    "................................",
};

constexpr uint32_t Colour(char c) {
    switch (c) {
    case 'k': return 0xFF101830;  // rim
    case 'b': return 0xFF1C2C6C;  // deep space
    case 'w': return 0xFFF0F8FF;  // hull outline
    case 'c': return 0xFF40D0F0;  // hull
    case 'y': return 0xFFFFE040;  // cockpit
    case 'm': return 0xFFE040C0;  // wing tips
    case 'r': return 0xFFFF6020;  // engine flame
    case ' ': return 0xFF1C2C6C;
    default: return 0x00000000;   // see-through
    }
}

constexpr std::array<uint32_t, 32 * 32> MakePixels() {
    std::array<uint32_t, 32 * 32> pixels{};
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) pixels[std::size_t(y * 32 + x)] = Colour(IconArt[y][x]);
    return pixels;
}

constexpr std::array<uint32_t, 32 * 32> IconPixels = MakePixels();

}  // namespace

extern const ktSystem::IconResource ProgramIcons[] = {
    {"MAIN", IconPixels.data(), 32, 32},
};
extern const int ProgramIconCount = 1;
