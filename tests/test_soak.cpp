// The soak: the whole game played in this process on the scripted platform
// with the real data, for GRAZE_SOAK_SECONDS of game time (300 unless set).
// Game after game, every difficulty with every character: random held keys,
// bomb and reverse spam, stage skips, frames of uneven length, the game
// losing and regaining activation, and the sound device pulling samples.
// Every frame is checked: the scene, the ring cursors and menu rows in
// range, every position finite and inside its bounds, the stocks in range,
// and the score no higher than 4200000000 when a play frame starts drawing.
// Everything is seeded: a failure names its frame and replays exactly.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "game_fixture.h"

namespace {

using namespace ktPlatform;

constexpr uint32_t ScoreCap = 4200000000u;
constexpr double DefaultSoakSeconds = 300.0;

// Game time of the soak in seconds: GRAZE_SOAK_SECONDS, or 300 when it is
// unset or not a positive number.
double SoakSeconds() {
    const char* text = std::getenv("GRAZE_SOAK_SECONDS");
    if (!text || !*text) return DefaultSoakSeconds;
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (*end || !(seconds > 0.0)) return DefaultSoakSeconds;
    return seconds;
}

// ---- The score check, right after step 2 of the play frame ---------------
// The play frame's first key-state query is the stage-skip key (step 3),
// right after the score cap (step 2): a wrapper around the scripted key state
// looks at the score there.
int16_t (*ScriptedKeyState)(int) = nullptr;
int64_t ScoreChecks = 0;
int64_t ScoresOverCap = 0;
uint32_t FirstScoreOverCap = 0;

int16_t KeyStateCheckingScore(int vk) {
    if (vk == VK_NUMPAD5 && ktSystem::SceneId == 1) {
        ScoreChecks++;
        if (Score > ScoreCap && ScoresOverCap++ == 0) FirstScoreOverCap = Score;
    }
    return ScriptedKeyState(vk);
}

// ---- Invariants after every turn ------------------------------------------

bool Finite(float v) { return std::isfinite(v); }

// What is wrong with the state, or an empty text. `played` is true when the
// turn ran a play frame.
std::string Broken(bool played) {
    std::ostringstream out;
    auto check = [&](bool ok, const char* what, double value) {
        if (!ok) out << what << " = " << value << "; ";
    };
    check(ktSystem::SceneId >= 1 && ktSystem::SceneId <= 5, "SceneId", ktSystem::SceneId);
    check(DepthShotCursor >= 0 && DepthShotCursor <= DepthShotCount - 2, "DepthShotCursor", DepthShotCursor);
    check(FlatShotCursor >= 0 && FlatShotCursor <= FlatShotCount - 2, "FlatShotCursor", FlatShotCursor);
    check(PlayerShotCursor >= 0 && PlayerShotCursor <= PlayerShotCount - 2, "PlayerShotCursor",
          PlayerShotCursor);
    check(BurstCursor >= 0 && BurstCursor <= BurstCount - 2, "BurstCursor", BurstCursor);
    check(MenuRow >= 0 && MenuRow <= 2, "MenuRow", MenuRow);
    check(MenuStripPhase >= 0 && MenuStripPhase <= 1, "MenuStripPhase", MenuStripPhase);
    check(StageNo >= 0 && StageNo <= LastStage, "StageNo", StageNo);
    check(Lives >= 0, "Lives", Lives);
    check(Bombs >= 0 && Bombs <= 15, "Bombs", Bombs);
    check(ReverseStock >= 0 && ReverseStock <= 2, "ReverseStock", ReverseStock);

    for (float v : {PlayerX, PlayerY, BossX, BossY, GameDelta, StageTime, SideScroll, CenterScroll,
                    ComboTimer, HitTimer, BombTimer, ShotTimer, ReverseCooldown, Script1Delay,
                    Script2Delay})
        check(Finite(v), "a game-wide float", v);
    for (int i = 0; i < DepthShotCount; i++) {
        const DepthShotEntry& s = DepthShot[i];
        if (s.active == 1) check(Finite(s.x) && Finite(s.y) && Finite(s.z), "DepthShot slot", i);
    }
    for (int i = 0; i < FlatShotCount; i++) {
        const FlatShotEntry& s = FlatShot[i];
        if (s.active == 1) check(Finite(s.x) && Finite(s.y), "FlatShot slot", i);
    }
    for (int i = 0; i < PlayerShotCount; i++) {
        const PlayerShotEntry& s = PlayerShot[i];
        if (s.active == 1) check(Finite(s.x) && Finite(s.y), "PlayerShot slot", i);
    }
    for (int i = 0; i < BurstCount; i++)
        if (Burst[i].active == 1) check(Burst[i].frame >= 0 && Burst[i].frame <= 3, "Burst frame", Burst[i].frame);

    if (played) {
        // A play frame keeps the player and the boss inside their squares.
        check(PlayerX >= 10.0f && PlayerX <= 230.0f, "PlayerX", PlayerX);
        check(PlayerY >= 10.0f && PlayerY <= 230.0f, "PlayerY", PlayerY);
        check(BossX >= 30.0f && BossX <= 210.0f, "BossX", BossX);
        check(BossY >= 30.0f && BossY <= 210.0f, "BossY", BossY);
    }
    return out.str();
}

// ---- The player ------------------------------------------------------------

// Keys that play holds and lets go at random.
constexpr int PlayKeys[] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_Z, VK_X, VK_C};
// Every key the soak ever holds.
constexpr int AllKeys[] = {VK_RETURN, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_Z, VK_X, VK_C, VK_NUMPAD5};

// Frame lengths in milliseconds, mostly a steady 16: 0 (two frames in one
// tick), short ones, long ones and one past the step's clamp.
constexpr uint32_t FrameLengths[] = {16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 0, 1, 5, 33, 50, 120};

class SoakTest : public GameTest {
protected:
    std::mt19937 random{20240607};

    struct TurnResult {
        bool running;    // the game's loop goes on (it has not quit)
        bool frame;      // a frame ran
        bool playFrame;  // that frame was a play frame
    };

    // One turn of the game's loop, as the game's own loop runs it.
    TurnResult Turn(uint32_t ms) {
        int code = 0;
        TurnResult result{};
        result.running = ktSystem::DispatchMessages(&code) == 1;
        ktScript::State.tick += ms;
        result.frame = result.running && ktSystem::AppActive;
        result.playFrame = result.frame && ktSystem::SceneId == 1;
        if (result.frame) ktSystem::RunFrame();
        return result;
    }

    bool Chance(uint32_t n) { return random() % n == 0; }

    void Hold(int vk, bool down) {
        if (down && !ktScript::State.keys[vk]) ktScript::PressKey(vk);
        if (!down && ktScript::State.keys[vk]) ktScript::ReleaseKey(vk);
    }
    bool AnyHeld() {
        for (int vk : AllKeys)
            if (ktScript::State.keys[vk]) return true;
        return false;
    }
    void ReleaseAll() {
        for (int vk : AllKeys) Hold(vk, false);
    }

    // A menu step toward `row`: keys go up between presses, as a player's
    // would; then one key is pressed: up, down, or `confirm` on the row.
    void MenuToward(int32_t row, int confirm) {
        if (AnyHeld()) {
            ReleaseAll();
            return;
        }
        if (MenuRow > row)
            Hold(VK_UP, true);
        else if (MenuRow < row)
            Hold(VK_DOWN, true);
        else
            Hold(confirm, true);
    }
};

TEST_F(SoakTest, EveryModeAndCharacterPlayWithoutBreakingAnInvariant) {
    const double soakSeconds = SoakSeconds();
    UseRealData();
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    ASSERT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes.front();
    ScriptedKeyState = ktPlatform::Sys.KeyState;
    ktPlatform::Sys.KeyState = KeyStateCheckingScore;
    ScoreChecks = 0;
    ScoresOverCap = 0;

    // The game being steered to: difficulty by GameMode, character; the
    // game number picks them so that nine games cover every pair.
    int games = 0, wins = 0, losses = 0, skips = 0, deactivations = 0, scorePokes = 0;
    int played[3][3] = {};
    auto targetMode = [&] { return games % 3; };
    auto targetCharacter = [&] { return (games / 3) % 3; };
    double gameStart = 0.0;    // game time at which the current game's play began
    double gameLength = 0.0;   // game time that it plays before it is brought to an end
    bool ending = false;       // its end has been set in motion
    int inactiveTurns = 0;     // turns left before activation comes back
    int lastScene = ktSystem::SceneId;

    std::vector<int16_t> mixBuffer(2 * 44100 / 4);
    double gameSeconds = 0.0;
    int64_t frame = 0;
    while (gameSeconds < soakSeconds) {
        const uint32_t ms = FrameLengths[random() % std::size(FrameLengths)];
        const int32_t scene = ktSystem::SceneId;

        // Activation comes and goes now and then; keys may change meanwhile.
        if (inactiveTurns > 0 && --inactiveTurns == 0)
            ktScript::State.events.push_back({WM_ACTIVATEAPP, 1, 0});
        else if (inactiveTurns == 0 && Chance(1500)) {
            ktScript::State.events.push_back({WM_ACTIVATEAPP, 0, 0});
            inactiveTurns = 1 + int(random() % 40);
            deactivations++;
        }

        if (scene == 2 || scene == 4) {
            // Title and results: Enter, pressed anew.
            if (AnyHeld())
                ReleaseAll();
            else
                Hold(VK_RETURN, true);
        } else if (scene == 5) {
            MenuToward(2 - targetMode(), VK_Z);
        } else if (scene == 3) {
            MenuToward(targetCharacter(), VK_Z);
        } else if (scene == 1) {
            if (lastScene != 1) {
                if (GameMode >= 0 && GameMode < 3 && Character >= 0 && Character < 3)
                    played[GameMode][Character]++;
                gameStart = gameSeconds;
                gameLength = 8.0 + double(random() % 13);
                ending = false;
                ReleaseAll();
            }
            for (int vk : PlayKeys)
                if (Chance(6)) Hold(vk, !ktScript::State.keys[vk]);
            // The skip key, now and then, for a frame or a few.
            if (!ending && !ktScript::State.keys[VK_NUMPAD5] && Chance(900)) {
                Hold(VK_NUMPAD5, true);
                skips++;
            } else if (ktScript::State.keys[VK_NUMPAD5] && Chance(2)) {
                Hold(VK_NUMPAD5, false);
            }
            // A score near the top, for the cap to have something to cut.
            if (Chance(1200)) {
                Score = ScoreCap - 100000u + uint32_t(random() % 200000u);
                scorePokes++;
            }
            // Its time is up: the even games are won (on to the last stage,
            // whose boss falls), the odd ones lost (no life left; the next
            // hit ends it). A loss that takes too long is won instead.
            const double elapsed = gameSeconds - gameStart;
            if (!ending && elapsed > gameLength) ending = true;
            const bool winning = games % 2 == 0 || elapsed > gameLength + 60.0;
            if (ending && !winning && HitTimer <= 0.0f) Lives = 0;
            if (ending && winning) {
                if (StageNo != LastStage) {
                    Hold(VK_NUMPAD5, true);
                } else {
                    Hold(VK_NUMPAD5, false);
                    if (!ktScript::State.keys[VK_NUMPAD5] && HitTimer <= 0.0f) BossHp = -1;
                }
            }
        }
        lastScene = scene;

        const TurnResult turn = Turn(ms);
        ASSERT_TRUE(turn.running) << "the game quit at frame " << frame;
        if (turn.frame) {
            gameSeconds += ms / 1000.0;
            frame++;
        }
        if (scene == 4 && ktSystem::SceneId == 2) {
            games++;
            if (BossHp < 0) wins++;
            else losses++;
        }
        const std::string broken = Broken(turn.playFrame);
        ASSERT_TRUE(broken.empty()) << "frame " << frame << " (scene " << scene << ", game " << games
                                    << ", stage " << StageNo << "): " << broken;
        ASSERT_EQ(ScoresOverCap, 0) << "a play frame began drawing with Score " << FirstScoreOverCap
                                    << " (frame " << frame << ")";

        // The sound device takes the samples of the turn.
        if (ktScript::State.mix && turn.frame) {
            const int frames = int(ms * 44100 / 1000);
            std::fill(mixBuffer.begin(), mixBuffer.end(), int16_t(0));
            ktScript::State.mix(mixBuffer.data(), frames);
        }
        ktScript::State.sounds.clear();
    }

    EXPECT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes.front();
    EXPECT_GT(ScoreChecks, 0);
    std::printf("soak: %.0f s of game time, %lld frames, %lld play frames checked, %d games "
                "(%d won, %d lost), %d skips, %d activation losses, %d scores near the cap\n",
                gameSeconds, static_cast<long long>(frame), static_cast<long long>(ScoreChecks), games,
                wins, losses, skips, deactivations, scorePokes);
    // A soak of the default length or longer plays every difficulty with
    // every character, and ends games both ways.
    if (soakSeconds >= DefaultSoakSeconds) {
        for (int mode = 0; mode < 3; mode++)
            for (int character = 0; character < 3; character++)
                EXPECT_GT(played[mode][character], 0) << "mode " << mode << ", character " << character;
        EXPECT_GT(wins, 0);
        EXPECT_GT(losses, 0);
        EXPECT_GT(skips, 0);
        EXPECT_GT(deactivations, 0);
    }
}

}  // namespace
