// What the engine's entry point needs of the game: the resource loader, the
// random seed, the scene table and the program's icon.
#include <iterator>

#include "game.h"
#include "replay.h"

extern const ktSystem::IconResource ProgramIcons[];
extern const int ProgramIconCount;

namespace {

// `SceneId` → the scene's per-frame handler; any other value runs nothing.
constexpr ktSystem::SceneHandler SceneTable[] = {
    nullptr,               // 0: no scene
    PlayFrame,             // 1: play
    TitleFrame,            // 2: title
    CharacterSelectFrame,  // 3: character select
    ResultsFrame,          // 4: results
    ModeSelectFrame,       // 5: mode select
};

// Every key the scenes read: a frame reads each once, and a replay holds
// them in this order (a new key goes at the end).
constexpr int GameKeys[] = {
    ktPlatform::VK_RETURN, ktPlatform::VK_LEFT, ktPlatform::VK_UP, ktPlatform::VK_RIGHT, ktPlatform::VK_DOWN,
    ktPlatform::VK_Z,      ktPlatform::VK_X,    ktPlatform::VK_C,  ktPlatform::VK_NUMPAD5,
};

// The resource set, then the replay the program was given, if any.
void LoadGame() {
    LoadResourceSet();
    WatchReplay();
}

// A game ended with Escape (or closed by the system) in play keeps its replay.
void BeforeShutdown() { FinishRecording(0); }

// Keys pressed: the replay being watched, the pause.
void KeyPressed(int vk) {
    ReplayKeyPressed(vk);
    PauseKeyPressed(vk);
}

}  // namespace

const ktSystem::GameEntry GameEntryPoints = {
    LoadGame, SeedRandom, SceneTable, int(std::size(SceneTable)), ProgramIcons, ProgramIconCount,
    GameKeys, int(std::size(GameKeys)), BeforeShutdown, KeyPressed, PauseBetweenFrames,
};
