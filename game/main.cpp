// grazerunner: the game.
#include <SDL.h>

#include "ktDraw.h"
#include "ktSystem.h"

extern const ktSystem::IconResource ProgramIcons[];
extern const int ProgramIconCount;

namespace {

// Until the game's scenes land: the display opens and shows a black screen;
// Escape quits.
void LoadResourceSet() {
    ktDraw::Screen(320, 240);
    ktSystem::SceneId = 2;
}
void SeedRandom(uint32_t) {}
void BlackFrame() {
    ktDraw::ClearScreen();
    ktDraw::Flip();
}
constexpr ktSystem::SceneHandler Scenes[] = {nullptr, nullptr, BlackFrame};

}  // namespace

int main(int, char**) {
    const ktSystem::GameEntry entry = {LoadResourceSet, SeedRandom, Scenes, 3, ProgramIcons,
                                       ProgramIconCount};
    int code = ktSystem::WinMain(entry);
    SDL_Quit();
    return code;
}
