// grazerunner [FILE.grr]: the game, or the replay it is given, watched.
#include <cstdio>

#include "game.h"
#include "replay.h"

int main(int argc, char** argv) {
    if (const char* replay = ktSystem::ProgramArgument(1, argc, argv)) SetReplayToWatch(replay);
    const int status = ktSystem::WinMain(GameEntryPoints);
    if (!ktSystem::AppInstance) std::fprintf(stderr, "grazerunner: the game's window cannot be made\n");
    return status != 0 ? status : ReplayExitStatus();
}
