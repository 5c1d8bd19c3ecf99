// The frame loop, the window procedure and shutdown, pads and the error box.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "engine_fixture.h"

using namespace ktPlatform;
using ktScript::State;

namespace {

int FramesRun[8];
void CountScene2() { FramesRun[2]++; }
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
    State.tick += 500;  // loading takes its time
}
constexpr ktSystem::SceneHandler Scenes[] = {nullptr, nullptr, CountScene2, nullptr, EscapeScene4};
const ktSystem::GameEntry Entry = {LoadResources, SeedRandom, Scenes, 5, nullptr, 0};

// Scene 3 reads Enter on its first frame only; the recorder keeps the keys
// of the frames.
void ReadEnterOnce() {
    if (++FramesRun[3] == 1) ktSystem::GetKeyState(VK_RETURN);
}
uint32_t RecordedKeys[2];
int RecordedFrames;
void RecordKeys(const ktSystem::FrameInput& frame) {
    if (RecordedFrames < 2) RecordedKeys[RecordedFrames++] = frame.keys;
}
constexpr int EnterOnly[] = {VK_RETURN};
constexpr ktSystem::SceneHandler EnterScenes[] = {nullptr, nullptr, CountScene2, ReadEnterOnce};
const ktSystem::GameEntry EnterEntry = {LoadResources, SeedRandom, EnterScenes, 4, nullptr, 0, EnterOnly, 1};
// A scene that steers by pad 1, as the game reads a pad: within a frame.
int32_t FrameStick[2];
void SteerByPadOne() { ktSystem::PadStick(1, &FrameStick[0], &FrameStick[1]); }
constexpr ktSystem::SceneHandler PadScenes[] = {SteerByPadOne};
const ktSystem::GameEntry PadEntry = {LoadResources, SeedRandom, PadScenes, 1, nullptr, 0, EnterOnly, 1};

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
    // The shown window was activated during start-up: the loop's first pass
    // finds no message left that would reset the timer again.
    EXPECT_EQ(std::tuple(Seed, State.imeEnabled, ktSystem::SceneId, ktSystem::AppActive), std::tuple(1234567u, 0, 2, 1));
    State.tick = 5516;  // 16 ms after the loading
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
    // Activation resets the timer: the first frame after it measures 0.
    State.events.push_back({WM_ACTIVATEAPP, 0, 0});
    State.events.push_back({WM_ACTIVATEAPP, 1, 0});
    State.tick = 9000;
    EXPECT_EQ(Dispatch(), -1);
    ktSystem::RunFrame();
    EXPECT_EQ(ktSystem::FrameSeconds, 0.0f);
    // A window that the system did not make the active one starts the game
    // standing still and silent.
    ktScript::UseScriptedPlatform();
    ktSystem::ResetForTests();
    State.windowActive = 0;
    ASSERT_EQ(ktSystem::StartUp(Entry), 1);
    EXPECT_EQ(std::tuple(ktSystem::AppActive, ktSound::SoundHeld), std::tuple(0, ktSound::HeldInactive));
    int exitCode = 0;
    const int frames = FramesRun[2];
    EXPECT_EQ(ktSystem::MessageLoopTurn(&exitCode), 1);
    EXPECT_EQ(FramesRun[2], frames);  // no frame ran
}

// In the background the game is silent and every sound keeps its place;
// back in front the sounds go on from there. The engine's own beep (for a
// system without one) sounds over a silent game too.
TEST_F(SystemTest, AnInactiveGameIsSilentAndItsSoundsGoOnWhereTheyWere) {
    StartWith({});
    testutil::WriteBytes(folder + "/data/tone.wav", testutil::Wave(1, 16, 44100, testutil::Pcm16(std::vector<int16_t>(8000, 1000))));
    const int tone = ktSound::LoadObject("./data/tone.wav", 1);
    ktSound::LoopObject(tone, -1);
    int16_t out[2 * 100];
    auto mix = [&] {
        std::fill(std::begin(out), std::end(out), int16_t(0));
        State.mix(out, 100);
        return std::pair(out[0], ktSound::SoundObjects[tone].buffers[0].position);
    };
    EXPECT_EQ(mix(), std::pair(int16_t(1000), 100u));
    ktSystem::WindowProc(WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(mix(), std::pair(int16_t(0), 100u));
    EXPECT_EQ(mix(), std::pair(int16_t(0), 100u));
    ktSystem::WindowProc(WM_ACTIVATEAPP, 1, 0);
    EXPECT_EQ(mix(), std::pair(int16_t(1000), 200u));
    ktSystem::WindowProc(WM_ACTIVATEAPP, 0, 0);
    ktPlatform::Sys.Beep = nullptr;
    ktSystem::ShowError("caption", "text");
    mix();
    EXPECT_EQ(std::tuple(std::abs(out[0]), std::abs(out[1]), ktSound::SoundObjects[tone].buffers[0].position),
              std::tuple(6000, 6000, 200u));
}

// Each step of opening the display that fails has its own box; nothing of
// the display is then kept open.
TEST_F(SystemTest, EachFailingDisplayStepShowsItsOwnBoxAndNoBoxTextIsCut) {
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
        // What the failed open made is let go: the display opens again.
        EXPECT_EQ(std::tuple(ktDraw::DisplayOpen, State.displayOpen), std::tuple(0, 0));
        State.displayFails = 0;
        EXPECT_EQ(std::tuple(ktDraw::Screen(320, 240), State.displayOpen), std::tuple(1, 1));
        ktDraw::CloseScreen();
    }
    // Every box beeps, and no fixed buffer cuts a long text.
    const std::string longText(600, 'x');
    EXPECT_EQ(ktSystem::ShowError("caption", longText.c_str()), 0);
    EXPECT_EQ(std::tuple(State.boxes.back(), State.beeps), std::tuple("caption : " + longText, 4));
}

// Escape in a frame ends the loop before another frame; a second Escape
// (an auto-repeat before the window is gone) and a later close request, or a
// close request from the system alone, release the display once too.
TEST_F(SystemTest, EscapeOrACloseRequestShutsDownOnce) {
    StartWith({});
    ktSystem::SceneId = 4;
    EXPECT_EQ(ktSystem::MessageLoop(), 0);
    EXPECT_EQ(std::tuple(FramesRun[4], ktSystem::ShutdownState, State.minimises, State.displayOpen + State.windowOpen + ktSystem::MainWindow),
              std::tuple(3, 2, 1, 0));
    for (bool escapes : {true, false}) {
        ktScript::UseScriptedPlatform();
        ktSystem::ResetForTests();
        StartWith({});
        if (escapes) ktScript::PressKey(VK_ESCAPE), ktScript::PressKey(VK_ESCAPE);
        State.events.push_back({WM_CLOSE, 0, 0});
        EXPECT_EQ(Dispatch(), 0) << escapes;
        EXPECT_EQ(std::tuple(State.minimises, State.windowOpen, ktSystem::ShutdownState), std::tuple(1, 0, 2)) << escapes;
    }
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
    EXPECT_EQ(std::tuple(ktSystem::ShutdownState, ktSystem::MainWindow), std::tuple(0, 1));
    EXPECT_EQ(std::tuple(ktSystem::WindowProc(WM_SYSCOMMAND, SC_SCREENSAVE, 0), ktSystem::WindowProc(WM_SETCURSOR, 0, 0)),
              std::tuple(1, 1));
    ktSystem::WindowProc(WM_MOVE, 0, intptr_t(0x00200010));
    EXPECT_EQ(std::tuple(ktSystem::ClientLeft, ktSystem::ClientTop), std::tuple(0x10, 0x20));
}

TEST_F(SystemTest, PadsGoByTheHalfWayRuleAroundTheirFirstReadingAndKeepTheLastDirectionUnplugged) {
    State.pads[0] = {1, {32767, 32767, 0}};
    ktSystem::OpenPads();
    EXPECT_EQ(std::tuple(ktSystem::PadCentreX[0], ktSystem::PadCentreY[0], ktSystem::PadCentred[1]), std::tuple(32767, 32767, 0));
    const struct {
        uint32_t position;
        int32_t direction;
    } cases[] = {{0, -1}, {16383, -1}, {16384, 0}, {49149, 0}, {49150, 1}, {65535, 1}};
    for (const auto& c : cases) {
        State.pads[0].reading = {c.position, 32767, 8};
        int32_t x = 9, y = 9;
        ktSystem::PadStick(0, &x, &y);
        EXPECT_EQ(std::tuple(x, y), std::tuple(c.direction, 0)) << c.position;
    }
    EXPECT_EQ(std::tuple(ktSystem::PadButton(0, 4), ktSystem::PadButton(0, 1)), std::tuple(1, 0));
    // Pad 1 gave no reading at start and is plugged in later: its first
    // reading is its centre, so at rest it steers nowhere; its direction
    // pad pushes the stick to the ends; unplugged again, the last direction
    // stays.
    State.pads[1] = {1, {30000, 34000, 1}};
    int32_t x = 0, y = 0;
    ktSystem::PadStick(1, &x, &y);
    EXPECT_EQ(std::tuple(x, y, ktSystem::PadButton(1, 1), ktSystem::PadCentreX[1]), std::tuple(0, 0, 1, 30000));
    State.pads[1].reading = {30000, 34000, 0, PadHatLeft | PadHatDown};
    ktSystem::PadStick(1, &x, &y);
    EXPECT_EQ(std::tuple(x, y), std::tuple(-1, 1));
    State.pads[1].present = 0;
    ktSystem::PadStick(1, &x, &y);
    EXPECT_EQ(std::tuple(x, y, ktSystem::PadButton(1, 1)), std::tuple(-1, 1, 0));
    // The same within frames, where the game reads its pads.
    State.pads[1] = {1, {30000, 34000, 0, PadHatLeft | PadHatDown}};
    ASSERT_EQ(ktSystem::StartUp(PadEntry), 1);
    ktSystem::SceneId = 0;
    ktSystem::RunFrame();
    State.pads[1].present = 0;
    ktSystem::RunFrame();
    EXPECT_EQ(std::tuple(FrameStick[0], FrameStick[1]), std::tuple(-1, 1));
}

// A program folder too long to hold is no folder: nothing beside the
// program can be read (never the working folder's file in its place).
TEST_F(SystemTest, AProgramFolderTooLongToHoldReadsNothingInItsPlace) {
    StartWith({});
    std::filesystem::create_directories(folder + "/work/data");
    testutil::WritePlainBmp(folder + "/work/data/x.bmp", 2, 2, {9, 9, 9});
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder + "/work");
    State.basePath = "/" + std::string(5000, 'd') + "/";
    State.boxes.clear();
    const int object = ktDraw::LoadObject("./data/x.bmp");
    std::filesystem::current_path(before);
    EXPECT_EQ(std::tuple(object, ktSystem::GetProgramFolder()), std::tuple(0, nullptr));
    EXPECT_EQ(State.boxes, std::vector<std::string>{"ktDraw::LoadObject : BMPファイルを読み込めません"});
}

// A frame's input holds the keys the frame read and no other: a key it did
// not read is not held there, whatever an earlier frame read (played again,
// an old reading would act as a key held where the game never asked).
TEST_F(SystemTest, AFrameRecordsOnlyTheKeysItRead) {
    ASSERT_EQ(ktSystem::StartUp(EnterEntry), 1);
    ktSystem::SceneId = 3;
    RecordedFrames = 0;
    ktSystem::RecordFrames(RecordKeys);
    ktScript::PressKey(VK_RETURN);
    ktSystem::RunFrame();
    ktSystem::RunFrame();
    ktSystem::RecordFrames(nullptr);
    EXPECT_EQ(std::tuple(RecordedFrames, RecordedKeys[0], RecordedKeys[1]), std::tuple(2, 1u, 0u));
}

}  // namespace
