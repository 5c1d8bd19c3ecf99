// The soak: the whole game played in this process on the scripted platform
// with the real data, for GRAZE_SOAK_SECONDS of game time (300 unless set).
// Game after game, every difficulty with every character: random held keys,
// bomb and reverse spam, stage skips, frames of uneven length, the game
// losing and regaining activation, and the sound device pulling samples.
// Every frame is checked: the scene, the ring cursors in range, every
// position finite and inside its bounds, the stocks in range, and the score
// no higher than 4200000000 when a play frame starts drawing. Even games are
// won, odd ones lost. Everything is seeded: a failure names its frame and
// replays exactly.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "game_fixture.h"

namespace {

using namespace ktPlatform;

constexpr uint32_t ScoreCap = 4200000000u;

// The play frame's first key-state query is the stage-skip key, right after
// the score cap: a wrapper around the scripted key state looks there.
int16_t (*ScriptedKeyState)(int) = nullptr;
uint32_t ScoreOverCap = 0;
int16_t KeyStateCheckingScore(int vk) {
    if (vk == VK_NUMPAD5 && ktSystem::SceneId == 1 && Score > ScoreCap && !ScoreOverCap) ScoreOverCap = Score;
    return ScriptedKeyState(vk);
}

// What is wrong with the state after a play frame, or an empty text.
std::string Broken() {
    std::ostringstream out;
    auto check = [&](bool ok, const char* what, double value) {
        if (!ok) out << what << " = " << value << "; ";
    };
    for (const auto& [cursor, count] : {std::pair{DepthShotCursor, DepthShotCount}, {FlatShotCursor, FlatShotCount},
                                        {PlayerShotCursor, PlayerShotCount}, {BurstCursor, BurstCount}})
        check(cursor >= 0 && cursor <= count - 2, "a ring cursor", cursor);
    check(StageNo >= 0 && StageNo <= LastStage, "StageNo", StageNo);
    check(Lives >= 0 && Bombs >= 0 && Bombs <= 15 && ReverseStock >= 0 && ReverseStock <= 2, "a stock", Bombs);
    for (float v : {GameDelta, StageTime, SideScroll, CenterScroll, ComboTimer, HitTimer, BombTimer, ShotTimer,
                    ReverseCooldown, Script1Delay, Script2Delay})
        check(std::isfinite(v), "a game-wide float", v);
    for (const DepthShotEntry& s : DepthShot) check(!s.active || std::isfinite(s.x + s.y + s.z), "a depth shot", s.x);
    for (const FlatShotEntry& s : FlatShot) check(!s.active || std::isfinite(s.x + s.y), "a flat shot", s.x);
    for (const PlayerShotEntry& s : PlayerShot) check(!s.active || std::isfinite(s.x + s.y), "a player shot", s.x);
    for (const BurstEntry& b : Burst) check(!b.active || (b.frame >= 0 && b.frame <= 3), "a burst frame", b.frame);
    check(PlayerX >= 10.0f && PlayerX <= 230.0f && PlayerY >= 10.0f && PlayerY <= 230.0f, "PlayerX", PlayerX);
    check(BossX >= 30.0f && BossX <= 210.0f && BossY >= 30.0f && BossY <= 210.0f, "BossX", BossX);
    return out.str();
}

constexpr int PlayKeys[] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_Z, VK_X, VK_C, VK_NUMPAD5};
// Frame lengths in milliseconds, mostly a steady 16: 0 (two frames in one
// tick), short ones, long ones and one past the step's clamp.
constexpr uint32_t FrameLengths[] = {16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 0, 1, 5, 33, 50, 120};

using SoakTest = GameTest;

TEST_F(SoakTest, EveryModeAndCharacterPlayWithoutBreakingAnInvariant) {
    const char* setting = std::getenv("GRAZE_SOAK_SECONDS");
    const double soakSeconds = setting && std::atof(setting) > 0 ? std::atof(setting) : 300.0;
    LinkRealData();
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    ScriptedKeyState = ktPlatform::Sys.KeyState;
    ktPlatform::Sys.KeyState = KeyStateCheckingScore;
    ScoreOverCap = 0;
    std::mt19937 random{20240607};
    int games = 0, frames = 0, skips = 0, deactivations = 0;
    std::vector<int16_t> mixBuffer(2 * 44100 / 4);
    for (double seconds = 0.0; seconds < soakSeconds; games++) {
        // Nine games choose every difficulty with every character.
        ASSERT_NO_FATAL_FAILURE(MenusIntoPlay(games % 3, games / 3 % 3));
        const double length = seconds + 8.0 + double(random() % 13);
        // A loss that takes a minute too long is won instead.
        for (int inactive = 0; ktSystem::SceneId == 1 && seconds < length + (games % 2 ? 60.0 : 0.0);) {
            for (int vk : PlayKeys)  // the skip key now and then, for a frame or a few
                if (random() % (vk != VK_NUMPAD5 ? 6 : ktScript::State.keys[vk] ? 2 : 900) == 0) {
                    ktScript::State.keys[vk] ? ktScript::ReleaseKey(vk) : ktScript::PressKey(vk);
                    skips += vk == VK_NUMPAD5 && ktScript::State.keys[vk];
                }
            if (random() % 1200 == 0) Score = ScoreCap - 100000u + uint32_t(random() % 200000u);  // for the cap to cut
            if (seconds > length && HitTimer <= 0.0f) Lives = 0;  // an odd game is lost: the next hit ends it
            // Activation comes and goes now and then; keys may change meanwhile.
            if (inactive > 0 && --inactive == 0) ktScript::State.events.push_back({WM_ACTIVATEAPP, 1, 0});
            if (inactive == 0 && random() % 1500 == 0)
                ktScript::State.events.push_back({WM_ACTIVATEAPP, 0, 0}), inactive = 1 + int(random() % 40), deactivations++;
            const uint32_t ms = FrameLengths[random() % std::size(FrameLengths)];
            const bool active = ktSystem::AppActive;
            ASSERT_EQ(Step(ms), 1) << "the game quit at frame " << frames;
            if (!active || ktSystem::SceneId != 1) continue;
            seconds += ms / 1000.0, frames++;
            const std::string broken = Broken();
            ASSERT_TRUE(broken.empty()) << "frame " << frames << " (game " << games << "): " << broken;
            ASSERT_EQ(ScoreOverCap, 0u) << "a play frame began drawing with that score (frame " << frames << ")";
            if (ktScript::State.mix) {  // the sound device takes the samples of the turn
                std::fill(mixBuffer.begin(), mixBuffer.end(), int16_t(0));
                ktScript::State.mix(mixBuffer.data(), int(ms * 44100 / 1000));
            }
            ktScript::State.sounds.clear();
        }
        for (int vk : PlayKeys)
            if (ktScript::State.keys[vk]) ktScript::ReleaseKey(vk);
        ktScript::State.events.push_back({WM_ACTIVATEAPP, 1, 0});
        if (ktSystem::SceneId == 1) {
            FinishGame();  // an even game is won
        } else {
            ASSERT_EQ(ktSystem::SceneId, 4);
            ASSERT_NO_FATAL_FAILURE(Tap(VK_RETURN));
            ASSERT_EQ(Step(), 1);
        }
    }
    EXPECT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes.front();
    std::printf("soak: %d play frames, %d games, %d skips, %d activation losses\n", frames, games, skips, deactivations);
    if (soakSeconds >= 300.0) {
        EXPECT_EQ(std::tuple(games >= 9, skips > 0, deactivations > 0), std::tuple(true, true, true));
    }
}

}  // namespace
