// grazerunner: the game.
#include "game.h"

int main(int, char**) { return ktSystem::WinMain(GameEntryPoints); }
