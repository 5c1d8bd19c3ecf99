// What the engine's entry point needs of the game: the resource loader, the
// random seed, the scene table and the program's icon.
#include <iterator>

#include "game.h"

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

}  // namespace

const ktSystem::GameEntry GameEntryPoints = {
    LoadResourceSet, SeedRandom, SceneTable, int(std::size(SceneTable)), ProgramIcons,
    ProgramIconCount,
};
