// Shared set-up of the benchmarks: the game on the scripted platform with the
// built data folder, and the paths of the built programs.
#pragma once

#include <filesystem>
#include <string>

#include "game.h"
#include "global_table.h"
#include "ktDraw.h"
#include "ktSound.h"
#include "ktSystem.h"
#include "sys_script.h"

namespace bench {

// A fresh scratch folder whose data/ links to every file of the built data
// folder: the program folder and the working directory of a benchmarked
// game, so that the score log is never written into the build.
inline std::string ScratchGameFolder(const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("grz-bench-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder / "data");
    for (const auto& entry : fs::directory_iterator(GRAZE_DATA_DIR))
        if (entry.is_regular_file())
            fs::create_symlink(fs::absolute(entry.path()), folder / "data" / entry.path().filename());
    return folder.string();
}

// The game's own start-up on the scripted platform in `folder`: window,
// seed, display, sound, pads and the whole resource set. Returns the number
// of error boxes shown while loading (0 when every resource loaded).
inline size_t StartScriptedGame(const std::string& folder, uint32_t seed) {
    ktScript::UseScriptedPlatform();
    ktSystem::ResetForTests();
    ZeroGameState();
    std::filesystem::current_path(folder);
    ktScript::State.basePath = folder + "/";
    ktScript::State.calendarTime = seed;
    ktSystem::StartUp(GameEntryPoints);
    return ktScript::State.boxes.size();
}

inline void StopScriptedGame() {
    ktDraw::CloseScreen();
    ktSound::Close();
    ZeroGameState();
}

// One turn of the game's loop, as the simulator runs it: queued messages,
// `ms` on the clock, then a frame while the game is active.
inline bool Turn(uint32_t ms) {
    int code = 0;
    if (!ktSystem::DispatchMessages(&code)) return false;
    ktScript::State.tick += ms;
    if (ktSystem::AppActive) ktSystem::RunTurnFrames();
    return true;
}

// Holds a key for one turn and lets it go on the next.
inline void Tap(int vk, uint32_t ms = 16) {
    ktScript::PressKey(vk);
    Turn(ms);
    ktScript::ReleaseKey(vk);
    Turn(ms);
}

// From the title to the first frame of stage 0: STANDARD (the middle row of
// the mode select) and the first character.
inline void StartStandardGame() {
    Tap(ktPlatform::VK_RETURN);  // title -> mode select
    Tap(ktPlatform::VK_Z);       // STANDARD -> character select
    ktScript::PressKey(ktPlatform::VK_UP);
    Turn(16);
    ktScript::ReleaseKey(ktPlatform::VK_UP);
    Tap(ktPlatform::VK_Z);       // the top row -> stage 0
}

inline std::string SimulatorPath() { return std::string(GRAZE_BUILD_DIR) + "/grazerunner-sim"; }

}  // namespace bench
