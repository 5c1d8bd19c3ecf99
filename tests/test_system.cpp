// The frame loop, the window procedure and shutdown, pads and the error box.
#include "engine_fixture.h"

using namespace ktPlatform;
using ktScript::State;

namespace {

int FramesRun[8];
void CountScene1() { FramesRun[1]++; }
void CountScene2() { FramesRun[2]++; }
// Scene 3 hands over to scene 1 in its frame.
void SwitchScene3() {
    FramesRun[3]++;
    ktSystem::SceneId = 1;
}
// Scene 4 presses Escape on its third frame.
void EscapeScene4() {
    if (++FramesRun[4] == 3) ktScript::PressKey(VK_ESCAPE);
    State.tick += 10;
}
uint32_t Seed;
void SeedRandom(uint32_t seed) { Seed = seed; }
void LoadResources() {
    ktDraw::Screen(320, 240);
    ktSystem::SceneId = 2;
}
constexpr ktSystem::SceneHandler Scenes[] = {nullptr, CountScene1, CountScene2, SwitchScene3, EscapeScene4};
const ktSystem::GameEntry Entry = {LoadResources, SeedRandom, Scenes, 5, nullptr, 0};

class SystemTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        for (int& n : FramesRun) n = 0;
    }
    // The queued messages handled: -1 while the loop goes on, else its exit code.
    int Dispatch() {
        int code = -1;
        return ktSystem::DispatchMessages(&code) ? -1 : code;
    }
    // The display was released once and the window is gone.
    static void ExpectClosedOnce() {
        EXPECT_EQ(State.minimises, 1);
        EXPECT_EQ(State.windowOpen, 0);
        EXPECT_EQ(ktSystem::ShutdownState, 2);
    }
    // Starts the game and queues `messages` for the window.
    void StartWith(std::initializer_list<Message> messages) {
        ASSERT_EQ(ktSystem::StartUp(Entry), 1);
        State.events.insert(State.events.end(), messages);
    }
};

TEST_F(SystemTest, StartUpSeedsOpensAndMeasuresFromTheTimerReset) {
    State.tick = 5000;
    State.calendarTime = 1234567;
    ASSERT_EQ(ktSystem::StartUp(Entry), 1);
    EXPECT_EQ(Seed, 1234567u);
    EXPECT_EQ(State.imeEnabled, 0);
    EXPECT_EQ(ktSystem::SceneId, 2);
    // The shown window was activated during start-up: the loop's first pass
    // finds no message left that would reset the timer again.
    EXPECT_EQ(ktSystem::AppActive, 1);
    State.tick = 5016;
    EXPECT_EQ(Dispatch(), -1);
    ktSystem::RunFrame();
    EXPECT_FLOAT_EQ(ktSystem::FrameSeconds, 0.016f);
    EXPECT_EQ(FramesRun[2], 1);
    // Two frames within one tick measure nothing; the tick's wrap is a short step.
    ktSystem::RunFrame();
    EXPECT_EQ(ktSystem::FrameSeconds, 0.0f);
    ktSystem::LastFrameTick = 0xFFFFFFF0u;
    State.tick = 0x10;
    ktSystem::RunFrame();
    EXPECT_FLOAT_EQ(ktSystem::FrameSeconds, 0.032f);
}

// Each step of opening the display that fails has its own box; nothing of
// the display is then kept open.
TEST_F(SystemTest, EachFailingDisplayStepShowsItsOwnBox) {
    const std::pair<DisplayResult, std::string> Steps[] = {
        {NoDisplayDevice, "DirectDrawが使用できません"},
        {NoFullScreen, "フルスクリーン化できません"},
        {NoDisplayMode, "解像度が変更できません"},
    };
    for (const auto& [step, text] : Steps) {
        State.boxes.clear();
        State.displayFails = step;
        EXPECT_EQ(ktDraw::Screen(320, 240), 0);
        EXPECT_EQ(State.boxes, std::vector<std::string>{"ktDraw::Screen : " + text});
        EXPECT_EQ(ktDraw::DisplayOpen, 0);
    }
}

TEST_F(SystemTest, SceneTableRunsOnlyKnownScenesAndSwitchesOnTheNextFrame) {
    ASSERT_EQ(ktSystem::StartUp(Entry), 1);
    for (int id : {0, 5, -3, 1000}) {
        ktSystem::SceneId = id;
        State.tick += 5;
        ktSystem::RunFrame();
        EXPECT_FLOAT_EQ(ktSystem::FrameSeconds, 0.005f);  // time is still measured
    }
    EXPECT_EQ(FramesRun[1] + FramesRun[2] + FramesRun[3] + FramesRun[4], 0);
    ktSystem::SceneId = 3;
    ktSystem::RunFrame();
    EXPECT_EQ(FramesRun[3], 1);
    EXPECT_EQ(FramesRun[1], 0);  // the new scene waits for the next frame
    ktSystem::RunFrame();
    EXPECT_EQ(FramesRun[1], 1);
}

TEST_F(SystemTest, EscapeShutsDownOnceAndTheLoopEndsWithoutAnotherFrame) {
    StartWith({});
    ktSystem::SceneId = 4;
    EXPECT_EQ(ktSystem::MessageLoop(), 0);
    EXPECT_EQ(FramesRun[4], 3);  // no frame after the Escape press
    EXPECT_EQ(ktSystem::ShutdownState, 2);
    EXPECT_EQ(State.minimises, 1);  // the display was released once
    EXPECT_EQ(State.displayOpen + State.windowOpen + ktSystem::MainWindow, 0);
}

TEST_F(SystemTest, SecondEscapeAndLaterCloseRequestReleaseNothingAgain) {
    StartWith({});
    ktScript::PressKey(VK_ESCAPE);
    ktScript::PressKey(VK_ESCAPE);  // an auto-repeat before the window is gone
    State.events.push_back({WM_CLOSE, 0, 0});
    EXPECT_EQ(Dispatch(), 0);
    ExpectClosedOnce();
}

TEST_F(SystemTest, CloseRequestFromTheSystemShutsDownOnce) {
    StartWith({{WM_CLOSE, 0, 0}});
    EXPECT_EQ(Dispatch(), 0);
    ExpectClosedOnce();
}

TEST_F(SystemTest, AltCombinationsAndOtherMessagesNeverCloseTheGame) {
    StartWith({});
    ktScript::PressKey(0x12);  // Alt
    ktScript::PressKey(VK_F4);
    ktScript::PressKey(VK_ESCAPE);
    ktScript::ReleaseKey(0x12);
    ktScript::PressKey(VK_F10);
    for (const Message m : {Message{WM_SYSCOMMAND, SC_SCREENSAVE, 0}, {WM_RBUTTONDBLCLK, 0, 0}, {WM_SETCURSOR, 0, 0}})
        State.events.push_back(m);
    EXPECT_EQ(Dispatch(), -1);
    EXPECT_EQ(ktSystem::ShutdownState, 0);
    EXPECT_EQ(ktSystem::MainWindow, 1);
    EXPECT_EQ(ktSystem::WindowProc(WM_SYSCOMMAND, SC_SCREENSAVE, 0), 1);
    EXPECT_EQ(ktSystem::WindowProc(WM_SETCURSOR, 0, 0), 1);
    ktSystem::WindowProc(WM_MOVE, 0, intptr_t(0x00200010));
    EXPECT_EQ(ktSystem::ClientLeft, 0x10);
    EXPECT_EQ(ktSystem::ClientTop, 0x20);
}

TEST_F(SystemTest, PadHalfWayRuleAroundAMiddleCentre) {
    State.pads[0] = {1, {32767, 32767, 0}};
    ktSystem::OpenPads();
    EXPECT_EQ(ktSystem::PadCentreX[1], 0);  // pad 1 gave no reading
    const struct {
        uint32_t position;
        int32_t direction;
    } cases[] = {{0, -1}, {16383, -1}, {16384, 0}, {49149, 0}, {49150, 1}, {65535, 1}};
    for (const auto& c : cases) {
        State.pads[0].reading = {c.position, 32767, 0};
        int32_t x = 9, y = 9;
        ktSystem::PadStick(0, &x, &y);
        EXPECT_EQ(std::make_pair(x, y), std::make_pair(c.direction, 0)) << c.position;
    }
    State.pads[0].reading.buttons = 8;
    EXPECT_EQ(ktSystem::PadButton(0, 4), 1);
    EXPECT_EQ(ktSystem::PadButton(0, 1), 0);
}

TEST_F(SystemTest, PadWithoutStartReadingAndMissingPad) {
    ktSystem::OpenPads();  // no pad yet: centres 0
    int32_t x = 0, y = 0;
    ktSystem::PadStick(0, &x, &y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(0, 0));
    EXPECT_EQ(ktSystem::PadButton(0, 1), 0);
    // Plugged in later: centre 0, so 0 is −1 and anything above is +1.
    State.pads[0] = {1, {0, 1, 1}};
    ktSystem::PadStick(0, &x, &y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(-1, 1));
    EXPECT_EQ(ktSystem::PadButton(0, 1), 1);
    // Unplugged again: the last direction stays.
    State.pads[0].present = 0;
    ktSystem::PadStick(0, &x, &y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(-1, 1));
    EXPECT_EQ(ktSystem::PadButton(0, 1), 0);
}

TEST_F(SystemTest, ErrorBoxJoinsCaptionAndTextAndBeeps) {
    EXPECT_EQ(ktSystem::ShowError("ktDraw::LoadObject", "BMPファイルを読み込めません"), 0);
    EXPECT_EQ(State.boxes, std::vector<std::string>{"ktDraw::LoadObject : BMPファイルを読み込めません"});
    EXPECT_EQ(State.beeps, 1);
    // No fixed buffer cuts a long message.
    const std::string longText(600, 'x');
    ktSystem::ShowError("caption", longText.c_str());
    EXPECT_EQ(State.boxes[1], "caption : " + longText);
}

}  // namespace
