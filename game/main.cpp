// grazerunner: the game.
#include <SDL.h>

#include "game.h"

int main(int, char**) {
    int code = ktSystem::WinMain(GameEntryPoints);
    SDL_Quit();
    return code;
}
