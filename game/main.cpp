// grazerunner: the game.
#include <cstdio>

#include "game.h"

int main(int, char**) {
    const int status = ktSystem::WinMain(GameEntryPoints);
    if (!ktSystem::AppInstance) std::fprintf(stderr, "grazerunner: the game's window cannot be made\n");
    return status;
}
