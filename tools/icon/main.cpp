// grazerunner-icon NAME OUT.png: writes one of the game's built-in icons
// ("MAIN", the window's) as a PNG for the desktop's menus, so that the
// installed game shows the very picture its window does.
#include <cstdio>
#include <cstring>

#include "game.h"
#include "picture_file.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: grazerunner-icon NAME OUT.png\n");
        return 2;
    }
    for (int i = 0; i < GameEntryPoints.IconCount; i++) {
        const ktSystem::IconResource& icon = GameEntryPoints.Icons[i];
        if (std::strcmp(icon.name, argv[1]) != 0) continue;
        if (sim::WriteArgbPng(argv[2], icon.pixels, icon.width, icon.height)) return 0;
        std::fprintf(stderr, "grazerunner-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    std::fprintf(stderr, "grazerunner-icon: the game has no icon named %s\n", argv[1]);
    return 1;
}
