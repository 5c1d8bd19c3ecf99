// grazerunner-sim random: games played with random inputs one after another
// in this process, through the game's own loop and menus, each recorded as
// any game is and moved into the folder given.
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>

#include "game.h"
#include "headless.h"
#include "replay.h"
#include "sim.h"
#include "sys_script.h"

namespace sim {

namespace {

using ktScript::State;
namespace fs = std::filesystem;

// The dice: xorshift32, the same numbers on every platform.
struct Dice {
    uint32_t state;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
    bool OneIn(uint32_t n) { return Below(n) == 0; }
};

constexpr int PlayKeys[] = {ktPlatform::VK_LEFT, ktPlatform::VK_UP, ktPlatform::VK_RIGHT, ktPlatform::VK_DOWN,
                            ktPlatform::VK_Z,    ktPlatform::VK_X,  ktPlatform::VK_C};
// After this many frames a game's player lets go of everything and waits
// for the last life to be lost.
constexpr int PlayFramesBeforeWaiting = 12000;
constexpr int MostFramesOfAGame = 400000;
// The recorded dates: one game an hour from this calendar time on.
constexpr int64_t FirstGameTime = 1700000000;

class RandomPlayer {
public:
    explicit RandomPlayer(uint32_t seed) : dice_{seed ? seed : 1} {}

    // One turn of the loop after `ms` of time. False once the loop has quit.
    bool Turn(uint32_t ms) {
        int code = 0;
        if (!ktSystem::DispatchMessages(&code)) return false;
        State.tick += ms;
        if (ktSystem::AppActive) {
            ktSystem::RunFrame();
            frames_++;
        }
        return true;
    }

    void Hold(int vk, bool down) {
        if (down && !State.keys[vk]) ktScript::PressKey(vk);
        if (!down && State.keys[vk]) ktScript::ReleaseKey(vk);
    }

    // One frame with `vk` held, then one with it let go.
    bool Tap(int vk) {
        Hold(vk, true);
        const bool ran = Turn(16);
        Hold(vk, false);
        return ran && Turn(16);
    }

    // From the title to the first frame of play: a random difficulty and
    // ship, chosen by key as a player does.
    bool IntoPlay() {
        for (int vk : PlayKeys) Hold(vk, false);
        Hold(ktPlatform::VK_NUMPAD5, false);
        State.pads[0].reading = {32767, 32767, 0};  // nothing held from the last game
        for (uint32_t i = dice_.Below(4); i > 0; i--)
            if (!Turn(16)) return false;
        if (!Tap(ktPlatform::VK_RETURN)) return false;
        for (int scene : {5, 3}) {
            if (ktSystem::SceneId != scene) return false;
            const uint32_t row = dice_.Below(3);  // the menu starts on the middle row
            if (row != 1 && !Tap(row == 0 ? ktPlatform::VK_UP : ktPlatform::VK_DOWN)) return false;
            if (!Tap(ktPlatform::VK_Z)) return false;
        }
        return ktSystem::SceneId == 1;
    }

    // Random holds of every play key, random frame times with now and then
    // a long one, the stage-skip key, a spell in the background, the pad
    // pushed about; until the game ends. False when it does not.
    bool Play(bool withPad) {
        State.pads[0] = {withPad ? 1 : 0, {32767, 32767, 0}};
        int inactiveTurns = 0;
        for (int frame = 0; frame < MostFramesOfAGame; frame++) {
            if (ktSystem::SceneId != 1) return true;
            const bool waiting = frame >= PlayFramesBeforeWaiting;
            for (int vk : PlayKeys) Hold(vk, waiting ? false : dice_.OneIn(12) != bool(State.keys[vk]));
            Hold(ktPlatform::VK_NUMPAD5, !waiting && dice_.OneIn(3000));
            if (withPad) {
                ktPlatform::PadReading& pad = State.pads[0].reading;
                if (waiting) pad = {32767, 32767, 0};
                if (!waiting && dice_.OneIn(20)) pad.x = 32767 + 32000 * (int(dice_.Below(3)) - 1);
                if (!waiting && dice_.OneIn(20)) pad.y = 32767 + 32000 * (int(dice_.Below(3)) - 1);
                if (!waiting && dice_.OneIn(15)) pad.buttons ^= 1u << dice_.Below(4);
            }
            if (inactiveTurns == 0 && dice_.OneIn(2500)) {
                State.events.push_back({ktPlatform::WM_ACTIVATEAPP, 0, 0});
                inactiveTurns = 1 + int(dice_.Below(60));
            } else if (inactiveTurns > 0 && --inactiveTurns == 0) {
                State.events.push_back({ktPlatform::WM_ACTIVATEAPP, 1, 0});
            }
            const uint32_t ms = dice_.OneIn(150) ? 100 + dice_.Below(400) : 10 + dice_.Below(31);
            if (!Turn(ms)) return false;
        }
        return false;
    }

    long frames() const { return frames_; }

private:
    Dice dice_;
    long frames_ = 0;
};

}  // namespace

int PlayRandomGames(int count, uint32_t seed, const std::string& folder, const std::string& root,
                    std::ostream& out, std::ostream& err) {
    std::error_code error;
    fs::create_directories(folder, error);
    const fs::path where = fs::absolute(folder, error);
    const fs::path data = fs::absolute(root, error);
    if (error || !fs::is_directory(where) || !fs::is_directory(data / "data")) {
        err << "grazerunner-sim: random needs a folder to write into and " << root << "/data\n";
        return ScriptWrong;
    }
    Headless game(data.string(), where.string());
    State.calendarTime = seed;  // start-up seeds GameRandom with it
    if (!game.ok() || !ktSystem::StartUp(GameEntryPoints)) {
        err << "grazerunner-sim: the game could not start\n";
        return ScriptWrong;
    }
    RandomPlayer player(seed);
    Dice dice{seed ^ 0x9E3779B9u};
    uint64_t bytes = 0, milliseconds = 0, frames = 0;
    for (int g = 1; g <= count; g++) {
        State.calendarTime = FirstGameTime + int64_t(g) * 3600;
        char name[32];
        std::snprintf(name, sizeof name, "game-%05d.grr", g);
        if (!player.IntoPlay() || !player.Play(dice.OneIn(3)) || ktSystem::SceneId != 4 || !LastReplayPath()[0]) {
            err << "grazerunner-sim: game " << g << " did not reach its results (scene " << ktSystem::SceneId << ", frame " << player.frames() << ")\n";
            return ExpectFailed;
        }
        fs::rename(LastReplayPath(), where / name, error);
        Replay replay;
        std::string why;
        if (error || !ReadReplayFile((where / name).string().c_str(), &replay, &why)) {
            err << "grazerunner-sim: game " << g << "'s replay cannot be kept as " << (where / name).string() << "\n";
            return ExpectFailed;
        }
        bytes += fs::file_size(where / name, error);
        milliseconds += replay.milliseconds;
        frames += replay.frames;
        if (!player.Tap(ktPlatform::VK_RETURN)) return ExpectFailed;  // the results, then the title
    }
    fs::remove_all(where / "replays", error);
    fs::remove(where / "point.txt", error);
    char summary[200];
    std::snprintf(summary, sizeof summary, "%d games recorded into %s: %llu frames, %.1f minutes of play, %llu bytes\n",
                  count, folder.c_str(), static_cast<unsigned long long>(frames), double(milliseconds) / 60000.0,
                  static_cast<unsigned long long>(bytes));
    out << summary;
    return AllRan;
}

}  // namespace sim
