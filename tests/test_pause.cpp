// The player's comforts: the pause (P or pad button 4 during play) and the
// switch between the whole screen and a window (F11, Alt+Enter).
#include <tuple>

#include "game_fixture.h"
#include "replay.h"

namespace {

using namespace ktPlatform;
using ktScript::State;

using PauseTest = GameTest;

// Paused, the game's state does not move however long the pause lasts, in
// the background or not; the field is dimmed under a sign and the sound is
// held. Going on, it goes on from the same moment: the first frame measures
// from then, and a key held through the pause counts as let go until it is.
// The same game paused and not paused leaves the same replay.
TEST_F(PauseTest, APausedGameStandsStillAndGoesOnFromTheSameMoment) {
    std::vector<uint32_t> checkpoints[2];
    std::string results[2];
    for (const bool pausing : {false, true}) {
        StartAfresh();
        ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
        ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
        ktScript::PressKey(VK_LEFT);
        for (int i = 0; i < 100; i++) Step();
        if (pausing) {
            const std::vector<uint16_t> before = State.presented;
            ktScript::PressKey(VK_P);
            ktScript::ReleaseKey(VK_P);
            Step();
            const uint32_t hash = PlayStateHash();
            for (const auto& [x, y] : {std::pair{60, 20}, {250, 200}, {45, 230}})
                EXPECT_EQ(ShownPixel(x, y), (before[size_t(y) * 320 + size_t(x)] >> 1) & 0x7BEF) << x << "," << y;
            EXPECT_EQ(std::tuple(ktSystem::Paused, ktSound::SoundHeld & ktSound::HeldPaused), std::tuple(1, ktSound::HeldPaused));
            // The field dimmed, the panels not: the sign in the middle.
            const uint16_t panel = ShownPixel(10, 100);
            State.events.push_back({WM_ACTIVATEAPP, 0, 0});
            for (int i = 0; i < 300; i++) Step(50);
            State.events.push_back({WM_ACTIVATEAPP, 1, 0});
            for (int i = 0; i < 300; i++) Step(50);
            EXPECT_EQ(std::tuple(PlayStateHash(), ktSystem::Paused, ShownPixel(10, 100)), std::tuple(hash, 1, panel));
            ktScript::PressKey(VK_P);  // Left still held
            ktScript::ReleaseKey(VK_P);
            const float x = PlayerX;
            Step();
            EXPECT_EQ(std::tuple(ktSystem::Paused, ktSystem::FrameSeconds, PlayerX), std::tuple(0, 0.016f, x));
            ktScript::ReleaseKey(VK_LEFT);
        } else {
            // The same input, without the pause.
            ktScript::ReleaseKey(VK_LEFT);
            Step();
        }
        Step();
        ktScript::PressKey(VK_LEFT);
        for (int i = 0; i < 200; i++) Step();
        ktScript::PressKey(VK_ESCAPE);
        Step();
        Replay replay;
        std::string why;
        ASSERT_EQ(ReadReplayFile(LastReplayPath(), &replay, &why), 1) << why;
        checkpoints[pausing] = replay.checkpoints;
        results[pausing] = replay.result;
    }
    EXPECT_EQ(checkpoints[0], checkpoints[1]);
    EXPECT_EQ(results[0], results[1]);
}

// Pad button 4 pauses and goes on, a fresh press each time.
TEST_F(PauseTest, PadButtonFourPausesAndGoesOnAtFreshPresses) {
    LinkRealData();
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
    State.pads[0] = {1, {32767, 32767, 8}};
    Step();
    Step();
    EXPECT_EQ(ktSystem::Paused, 1);
    State.pads[0].reading.buttons = 0;
    Step();
    State.pads[0].reading.buttons = 8;
    Step();
    EXPECT_EQ(ktSystem::Paused, 0);
}

// F11 and Alt+Enter switch between the whole screen and a window, once a
// press; a system that keeps that choice (the browser's) keeps it.
TEST(WindowSwitch, F11AndAltEnterSwitchOncePerPress) {
    ktScript::UseScriptedPlatform();
    ktSystem::ResetForTests();
    auto press = [](int vk, bool alt = false, bool repeated = false) {
        ktSystem::WindowProc(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, uintptr_t(vk), repeated ? intptr_t(1) << 30 : 0);
        return std::tuple(ktSystem::Windowed, State.windowed);
    };
    EXPECT_EQ(press(VK_F11), std::tuple(1, 1));
    EXPECT_EQ(press(VK_F11, false, true), std::tuple(1, 1));
    EXPECT_EQ(press(VK_RETURN, true), std::tuple(0, 0));
    EXPECT_EQ(press(VK_RETURN), std::tuple(0, 0));  // Enter alone is the game's
    State.windowFixed = 1;
    EXPECT_EQ(press(VK_F11), std::tuple(0, 0));
    // The window's factor: four fifths of the free area at the most.
    const std::tuple<int, int, int> factors[] = {{1920, 1040, 3}, {1280, 720, 2}, {2560, 1400, 4}, {320, 240, 1}};
    for (const auto& [w, h, k] : factors) EXPECT_EQ(ktDraw::WindowFactor(w, h, 320, 240), k) << w << "x" << h;
}

}  // namespace
