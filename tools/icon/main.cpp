// grazerunner-icon NAME OUT.png [SCALE]: writes one of the game's built-in
// icons ("MAIN", the window's) as a PNG for the desktop's menus, so that the
// installed game shows the very picture its window does. SCALE (1 to 8)
// repeats every pixel SCALE times each way: the larger sizes that software
// centres ask for, as sharp as the window's.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game.h"
#include "picture_file.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: grazerunner-icon NAME OUT.png [SCALE]\n");
        return 2;
    }
    int scale = 1;
    if (argc == 4) {
        char* end = nullptr;
        const long value = std::strtol(argv[3], &end, 10);
        if (*argv[3] == '\0' || *end != '\0' || value < 1 || value > 8) {
            std::fprintf(stderr, "grazerunner-icon: SCALE must be a whole number from 1 to 8, not %s\n", argv[3]);
            return 2;
        }
        scale = static_cast<int>(value);
    }
    for (int i = 0; i < GameEntryPoints.IconCount; i++) {
        const ktSystem::IconResource& icon = GameEntryPoints.Icons[i];
        if (std::strcmp(icon.name, argv[1]) != 0) continue;
        const int width = icon.width * scale, height = icon.height * scale;
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                pixels[static_cast<size_t>(y) * width + x] = icon.pixels[(y / scale) * icon.width + x / scale];
        if (sim::WriteArgbPng(argv[2], pixels.data(), width, height)) return 0;
        std::fprintf(stderr, "grazerunner-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    std::fprintf(stderr, "grazerunner-icon: the game has no icon named %s\n", argv[1]);
    return 1;
}
