// A quick estimate of how long a stage's boss lasts, played by the game
// itself: its own play frame on the scripted platform, with the stage's boss
// stream and hit points and no shot stream. A player who never dodges stays
// at the bottom of the field (y 200), slides under the boss at full speed
// and fires every volley, in STANDARD time (one game second per real second,
// 60 frames a second). Real play, with dodging, takes longer; the estimate
// is there to compare stages and to retune boss-hp, not to replace a play
// test.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "game.h"
#include "global_table.h"
#include "headless.h"
#include "stagec.h"
#include "sys_script.h"

namespace stagec {

namespace {

constexpr float FrameSeconds = 1.0f / 60.0f;
constexpr int SeedCount = 5;
constexpr int32_t Standard = 1;

// One play of stage 0 of the folder's data; the seconds until the boss
// falls, or -1.
double PlayOnce(int character, double limitSeconds, uint32_t seed) {
    ZeroGameState();
    GameMode = Standard;
    Character = character;
    SeedRandom(seed);
    StartStage();
    ktSystem::SceneId = 1;
    ktSystem::FrameSeconds = FrameSeconds;
    int* keys = ktScript::State.keys;
    const int frames = static_cast<int>(limitSeconds / FrameSeconds);
    for (int frame = 1; frame <= frames; frame++) {
        // Under the boss: toward it unless a frame's step would overshoot.
        const float step = static_cast<float>(PlayerSpeed) * FrameSeconds;
        keys[ktPlatform::VK_RIGHT] = BossX > PlayerX + step;
        keys[ktPlatform::VK_LEFT] = BossX < PlayerX - step;
        PlayFrame();
        if (ktSystem::SceneId != 1) return frame * static_cast<double>(FrameSeconds);
    }
    return -1;
}

}  // namespace

double EstimateBossSeconds(const StageData& stage, int character, double limitSeconds) {
    if (character < 0 || character >= CharacterCount) return -1;
    // The stage as the only stage of a data folder of its own: its boss
    // stream, its hit points and an empty shot stream.
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("grz-estimate-" + std::to_string(::getpid()));
    const std::string data = (folder / "data").string();
    std::error_code error;
    std::filesystem::create_directories(data, error);
    std::string message;
    double total = 0;
    int played = 0;
    if (WriteWholeFile(data + "/stageno.txt", "00", &message) && WriteWholeFile(data + "/bshp.dat", std::string(1, char(stage.bossHpByte)), &message) &&
        WriteWholeFile(data + "/stage0.da1", "", &message) &&
        WriteWholeFile(data + "/stage0.da2", std::string(stage.moves.begin(), stage.moves.end()), &message)) {
        sim::Headless game(folder.string());
        for (int seed = 1; game.ok() && played == seed - 1 && seed <= SeedCount; seed++) {
            const double seconds = PlayOnce(character, limitSeconds, static_cast<uint32_t>(seed) * 7919u);
            if (seconds >= 0) total += seconds, played++;
        }
    }
    std::filesystem::remove_all(folder, error);
    return played == SeedCount ? total / SeedCount : -1;
}

}  // namespace stagec
