// Faults of the machine rather than of the data: no sound card, no pad, a
// pad pulled out mid-game, the game losing and regaining activation
// mid-stage, the display losing its pictures mid-stage, and a window that
// cannot be created. Each game runs through the real loop with the real data.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "game_fixture.h"

namespace {

using namespace ktPlatform;
using ktScript::State;
namespace fs = std::filesystem;

// A pad at rest: both axes in the middle, no button held.
constexpr PadReading PadAtRest = {32767, 32767, 0};

class PlatformFaultTest : public GameTest {
protected:
    // The real data as links to the generated files (no copying); a file
    // that a test changes is first made a file of its own.
    void LinkRealData() {
        for (const auto& entry : fs::directory_iterator(GRAZE_DATA_DIR))
            if (entry.is_regular_file())
                testutil::LinkFile(entry.path(), folder + "/data/" + entry.path().filename().string());
    }

    void StartGame() {
        LinkRealData();
        ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
        ASSERT_EQ(ktSystem::SceneId, 2);
    }

    // One frame with `vk` held: pressed before it, released after it.
    void Tap(int vk) {
        ktScript::PressKey(vk);
        ASSERT_EQ(Step(), 1);
        ktScript::ReleaseKey(vk);
    }

    // One frame with pad 0's buttons `mask` held.
    void TapPad(uint32_t mask) {
        State.pads[0].reading.buttons = mask;
        ASSERT_EQ(Step(), 1);
        State.pads[0].reading.buttons = 0;
    }

    // From the title into the first stage with the keyboard: Enter, then the
    // rows chosen with the arrow keys and confirmed with Z.
    void MenusIntoPlay(int32_t modeRow, int32_t characterRow) {
        ASSERT_EQ(Steps(2), 1);
        ASSERT_NO_FATAL_FAILURE(Tap(VK_RETURN));
        ASSERT_EQ(ktSystem::SceneId, 5);
        ASSERT_NO_FATAL_FAILURE(ChooseRow(modeRow));
        ASSERT_EQ(ktSystem::SceneId, 3);
        ASSERT_NO_FATAL_FAILURE(ChooseRow(characterRow));
        ASSERT_EQ(ktSystem::SceneId, 1);
        ASSERT_EQ(GameMode, 2 - modeRow);
        ASSERT_EQ(Character, characterRow);
    }

    void ChooseRow(int32_t row) {
        for (int guard = 0; MenuRow != row; guard++) {
            ASSERT_LT(guard, 10);
            ASSERT_EQ(Step(), 1);
            ASSERT_NO_FATAL_FAILURE(Tap(MenuRow > row ? VK_UP : VK_DOWN));
        }
        ASSERT_EQ(Step(), 1);
        ASSERT_NO_FATAL_FAILURE(Tap(VK_Z));
    }

    // The rest of the game: on to the last stage with the skip key, its boss
    // falls (its hit points are put below zero), Enter on the results writes
    // the log line, and the title comes back. Returns the log.
    std::string FinishGame() {
        if (StageNo != LastStage) {
            ktScript::PressKey(VK_NUMPAD5);
            for (int guard = 0; StageNo != LastStage && guard < 100; guard++) Step();
            ktScript::ReleaseKey(VK_NUMPAD5);
        }
        EXPECT_EQ(StageNo, LastStage);
        BossHp = -1;
        Step();
        EXPECT_EQ(ktSystem::SceneId, 4);
        Step();
        Tap(VK_RETURN);
        EXPECT_EQ(ktSystem::SceneId, 2);
        Step();
        EXPECT_EQ(ktSystem::SceneId, 2);
        return ReadFile("point.txt");
    }
};

// ---- No sound card ------------------------------------------------------------

// Without an audio device the game is silent: no box, every sound load gives
// 0, and the whole loop runs from the title through a stage to the results.
TEST_F(PlatformFaultTest, NoAudioDeviceGivesASilentGameWithoutABox) {
    State.audioFails = 1;
    ASSERT_NO_FATAL_FAILURE(StartGame());
    EXPECT_TRUE(State.boxes.empty()) << State.boxes.front();
    EXPECT_EQ(ktSound::SoundAvailable, 0);
    EXPECT_EQ(State.audioOpen, 0);
    for (int32_t sound : {ShotSound, HitSound, BombSound, FlatShotSound, MenuLoopSound, DepthShotSound,
                          ComboEndSound, StageMusic, LaserSound})
        EXPECT_EQ(sound, 0);
    EXPECT_EQ(ktSound::LoadObject("./data/shot.wav", 1), 0);

    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay(1, 0));
    // Volleys, shots, a bomb and the reverse action all ask for sounds.
    ktScript::PressKey(VK_X);
    ktScript::PressKey(VK_C);
    const int shown = State.presents;
    for (int i = 0; i < 300; i++) ASSERT_EQ(Step(25), 1);
    ktScript::ReleaseKey(VK_X);
    ktScript::ReleaseKey(VK_C);
    EXPECT_EQ(State.presents, shown + 300);
    EXPECT_EQ(ktSystem::SceneId, 1);
    EXPECT_GT(StageTime, 7.0f);
    EXPECT_LT(ReverseStock, 2);  // the reverse action ran

    const std::string log = FinishGame();
    EXPECT_TRUE(std::regex_match(log, std::regex("STAGE 4 MAXCOMBO [0-9]+ POINT [0-9]+ N:ASTER M:STANDARD\n")))
        << log;
    EXPECT_TRUE(State.sounds.empty()) << State.sounds.front();
    EXPECT_TRUE(State.boxes.empty()) << State.boxes.front();
    EXPECT_EQ(State.mix, nullptr);
}

// ---- Pads ------------------------------------------------------------------------

// With no pad, buttons read 0 and the stick stays still: the keyboard alone
// chooses in the menus and steers, bombs and reverses in play.
TEST_F(PlatformFaultTest, NoPadLeavesTheKeyboardInCharge) {
    ASSERT_NO_FATAL_FAILURE(StartGame());
    EXPECT_EQ(ktSystem::PadCentreX[0], 0);
    EXPECT_EQ(ktSystem::PadCentreY[0], 0);
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay(0, 2));  // KIDS, CALLA
    for (int button = 1; button <= 4; button++) EXPECT_EQ(ktSystem::PadButton(0, button), 0);
    EXPECT_EQ(StickX, 0);
    EXPECT_EQ(StickY, 0);

    // Steering: left, then up; each frame the stick stays 0.
    const float startX = PlayerX, startY = PlayerY;
    ktScript::PressKey(VK_LEFT);
    for (int i = 0; i < 20; i++) {
        ASSERT_EQ(Step(), 1);
        ASSERT_EQ(StickX, 0);
        ASSERT_EQ(StickY, 0);
    }
    ktScript::ReleaseKey(VK_LEFT);
    EXPECT_LT(PlayerX, startX - 10.0f);
    EXPECT_EQ(PlayerY, startY);
    ktScript::PressKey(VK_UP);
    ASSERT_EQ(Steps(20), 1);
    ktScript::ReleaseKey(VK_UP);
    EXPECT_LT(PlayerY, startY - 10.0f);

    // A bomb (X) and the reverse action (C).
    const int32_t bombs = Bombs;
    ASSERT_NO_FATAL_FAILURE(Tap(VK_X));
    EXPECT_EQ(Bombs, bombs - 1);
    EXPECT_GT(BombTimer, 0.0f);
    ASSERT_NO_FATAL_FAILURE(Tap(VK_C));
    EXPECT_EQ(ReverseStock, 1);
    for (int i = 0; i < 200; i++) {
        ASSERT_EQ(Step(25), 1);
        ASSERT_EQ(StickX, 0);
        ASSERT_EQ(StickY, 0);
    }
    EXPECT_EQ(ktSystem::SceneId, 1);

    const std::string log = FinishGame();
    EXPECT_TRUE(std::regex_match(log, std::regex("STAGE 4 MAXCOMBO [0-9]+ POINT [0-9]+ N:CALLA M:KIDS\n")))
        << log;
    EXPECT_TRUE(State.boxes.empty());
}

// A pad pulled out mid-game answers no reading: its buttons read 0 and the
// stick keeps the last direction it gave, so the player drifts on that way
// (at full speed now that the slow button reads 0) until the pad is back.
TEST_F(PlatformFaultTest, PadUnpluggedMidGameKeepsItsLastDirection) {
    State.pads[0] = {1, PadAtRest};
    ASSERT_NO_FATAL_FAILURE(StartGame());
    EXPECT_EQ(ktSystem::PadCentreX[0], 32767);

    // The pad alone through the menus: button 4 on the title, button 1 on
    // the middle rows (STANDARD, BRIONY).
    ASSERT_EQ(Steps(2), 1);
    ASSERT_NO_FATAL_FAILURE(TapPad(1u << 3));
    ASSERT_EQ(ktSystem::SceneId, 5);
    ASSERT_NO_FATAL_FAILURE(TapPad(1u << 0));
    ASSERT_EQ(ktSystem::SceneId, 3);
    ASSERT_EQ(Step(), 1);
    ASSERT_NO_FATAL_FAILURE(TapPad(1u << 0));
    ASSERT_EQ(ktSystem::SceneId, 1);
    ASSERT_EQ(Character, 1);

    // Stick pushed left and up with the slow button held.
    State.pads[0].reading = {0, 0, 1u << 0};
    ASSERT_EQ(Steps(5), 1);
    EXPECT_EQ(StickX, -1);
    EXPECT_EQ(StickY, -1);
    float x = PlayerX, y = PlayerY;
    ASSERT_EQ(Step(), 1);
    const float slowStep = x - PlayerX;
    EXPECT_GT(slowStep, 0.0f);
    EXPECT_NEAR(y - PlayerY, slowStep, 1e-3);

    // Pulled out: no reading at all.
    State.pads[0].present = 0;
    for (int i = 0; i < 10; i++) {
        x = PlayerX, y = PlayerY;
        ASSERT_EQ(Step(), 1);
        ASSERT_EQ(StickX, -1);
        ASSERT_EQ(StickY, -1);
        EXPECT_NEAR(x - PlayerX, float(PlayerSpeed) * GameDelta, 1e-3) << "frame " << i;
        EXPECT_NEAR(y - PlayerY, float(PlayerSpeed) * GameDelta, 1e-3) << "frame " << i;
    }
    EXPECT_GT(float(PlayerSpeed) * GameDelta, slowStep);
    for (int button = 1; button <= 4; button++) EXPECT_EQ(ktSystem::PadButton(0, button), 0);
    // It drifts on to the corner of the field and stays there.
    ASSERT_EQ(Steps(200), 1);
    EXPECT_EQ(PlayerX, 10.0f);
    EXPECT_EQ(PlayerY, 10.0f);
    EXPECT_EQ(ktSystem::SceneId, 1);

    // Plugged back in at rest: the drift ends.
    State.pads[0] = {1, PadAtRest};
    ASSERT_EQ(Step(), 1);
    EXPECT_EQ(StickX, 0);
    EXPECT_EQ(StickY, 0);
    x = PlayerX, y = PlayerY;
    ASSERT_EQ(Steps(5), 1);
    EXPECT_EQ(PlayerX, x);
    EXPECT_EQ(PlayerY, y);
}

// ---- Activation ---------------------------------------------------------------------

// Losing activation mid-stage stops the frames: however long the game is in
// the background, the stage clock and both script delays stay where they
// were, and the first frame after it comes back measures one step.
TEST_F(PlatformFaultTest, ActivationLostMidStageStopsTheStageClock) {
    ASSERT_NO_FATAL_FAILURE(StartGame());
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay(1, 1));
    // 2.5 s into the stage; both streams are due at 3 s.
    for (int i = 0; i < 100; i++) ASSERT_EQ(Step(25), 1);
    const float stageTime = StageTime, delay1 = Script1Delay, delay2 = Script2Delay;
    ASSERT_GT(delay1, 0.4f);
    ASSERT_GT(delay2, 0.4f);
    const float playerX = PlayerX;
    const int shown = State.presents;
    const std::vector<uint16_t> picture = State.presented;

    State.events.push_back({WM_ACTIVATEAPP, 0, 0});
    ktScript::PressKey(VK_RIGHT);  // keys held meanwhile change nothing
    for (int i = 0; i < 600; i++) ASSERT_EQ(Step(1000), 1);  // ten minutes away
    EXPECT_EQ(ktSystem::AppActive, 0);
    EXPECT_EQ(State.presents, shown);
    EXPECT_EQ(State.presented, picture);
    EXPECT_EQ(StageTime, stageTime);
    EXPECT_EQ(Script1Delay, delay1);
    EXPECT_EQ(Script2Delay, delay2);
    EXPECT_EQ(PlayerX, playerX);
    ktScript::ReleaseKey(VK_RIGHT);

    State.events.push_back({WM_ACTIVATEAPP, 1, 0});
    ASSERT_EQ(Step(16), 1);
    EXPECT_EQ(ktSystem::AppActive, 1);
    EXPECT_FLOAT_EQ(ktSystem::FrameSeconds, 0.016f);
    EXPECT_FLOAT_EQ(GameDelta, 0.016f);
    EXPECT_FLOAT_EQ(StageTime, stageTime + 0.016f);
    EXPECT_FLOAT_EQ(Script1Delay, delay1 - 0.016f);
    EXPECT_FLOAT_EQ(Script2Delay, delay2 - 0.016f);
    EXPECT_EQ(State.presents, shown + 1);

    // The streams still start 3 s into the stage: the first entry comes on
    // the frame that passes 3 s, not before.
    while (StageTime + 0.05f < 3.0f) {
        ASSERT_EQ(Step(25), 1);
        ASSERT_GT(Script1Delay, 0.0f);
    }
    for (int i = 0; i < 3; i++) ASSERT_EQ(Step(25), 1);
    EXPECT_GT(StageTime, 3.0f);
    EXPECT_GT(Script1Delay, 0.5f);  // an entry was read and its delay added
    EXPECT_EQ(ktSystem::SceneId, 1);
}

// ---- The display loses its pictures -----------------------------------------------

// A lost display mid-stage: that frame is not shown, every picture is read
// again from its file (here, files changed on disk meanwhile, so the new
// pixels show), and play goes on.
TEST_F(PlatformFaultTest, LostDisplayMidStageReloadsEveryPicture) {
    ASSERT_NO_FATAL_FAILURE(StartGame());
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay(1, 1));
    ASSERT_EQ(Steps(50), 1);

    // Each picture in use gets a new file of its own size in one plain colour.
    const struct {
        int32_t image;
        testutil::Rgb colour;
    } pictures[] = {{MenuBackImage, {200, 40, 40}}, {StageImage, {8, 248, 8}},
                    {ChipsImage2, {40, 40, 200}}, {DigitsImage, {248, 8, 248}},
                    {MenuBarImage, {200, 200, 40}}};
    for (const auto& p : pictures) {
        const ktDraw::ImageObject& slot = ktDraw::ImageObjects[p.image];
        ASSERT_NE(slot.surface, nullptr);
        const std::string path = folder + "/" + slot.name;
        fs::remove(path);  // the link, never the generated file
        testutil::WritePlainBmp(path, slot.surface->width, slot.surface->height, p.colour);
        EXPECT_NE(ObjectPixel(p.image, slot.surface->width / 2, slot.surface->height / 2), testutil::Raw(p.colour));
    }
    const uint16_t stageColour = testutil::Raw({8, 248, 8});
    const uint16_t digitsColour = testutil::Raw({248, 8, 248});
    auto fieldShare = [&](uint16_t colour) {
        int count = 0;
        for (int y = 0; y < 240; y++)
            for (int x = 40; x < 280; x++) count += ShownPixel(x, y) == colour;
        return count / (240.0 * 240.0);
    };
    EXPECT_LT(fieldShare(stageColour), 0.01);
    EXPECT_NE(ShownPixel(20, 100), digitsColour);

    const int shown = State.presents;
    const std::vector<uint16_t> picture = State.presented;
    const float stageTime = StageTime;
    State.displayLost = 1;
    ASSERT_EQ(Step(), 1);
    EXPECT_EQ(State.presents, shown);  // that frame is not shown
    EXPECT_EQ(State.presented, picture);
    EXPECT_GT(StageTime, stageTime);   // but it was played
    for (const auto& p : pictures) {
        const ktDraw::ImageObject& slot = ktDraw::ImageObjects[p.image];
        ASSERT_NE(slot.surface, nullptr) << slot.name;
        EXPECT_EQ(ObjectPixel(p.image, slot.surface->width / 2, slot.surface->height / 2), testutil::Raw(p.colour))
            << slot.name;
    }

    // The next frame is shown with the pictures as the files now hold them:
    // the stage's background over most of the field, the score panel's digits.
    ASSERT_EQ(Step(), 1);
    EXPECT_EQ(State.presents, shown + 1);
    EXPECT_GT(fieldShare(stageColour), 0.5);
    EXPECT_EQ(ShownPixel(20, 100), digitsColour);

    ASSERT_EQ(Steps(100, 25), 1);
    EXPECT_EQ(ktSystem::SceneId, 1);
    EXPECT_EQ(State.presents, shown + 101);
    EXPECT_TRUE(State.boxes.empty());
}

// A display that cannot be opened: its box, then a box for every picture
// (there is nothing to load them into) and silence (sound opens with the
// display). Nothing is shown, but the loop runs the whole game all the same.
TEST_F(PlatformFaultTest, DisplayThatCannotOpenStillRunsTheGame) {
    State.displayFails = 1;
    ASSERT_NO_FATAL_FAILURE(StartGame());
    const std::string load = "ktDraw::LoadObject : BMPファイルを読み込めません";
    const std::string swap = "ktDraw::SwapObject : BMPファイルを読み込めません";
    std::vector<std::string> boxes = {"ktDraw::Screen : DirectDrawが使用できません"};
    boxes.insert(boxes.end(), 5, load);
    EXPECT_EQ(State.boxes, boxes);
    EXPECT_EQ(ktSound::SoundAvailable, 0);

    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay(1, 1));
    for (int i = 0; i < 300; i++) ASSERT_EQ(Step(25), 1);
    EXPECT_EQ(ktSystem::SceneId, 1);
    EXPECT_GT(StageTime, 7.0f);
    const std::string log = FinishGame();
    EXPECT_TRUE(std::regex_match(log, std::regex("STAGE 4 MAXCOMBO [0-9]+ POINT [0-9]+ N:BRIONY M:STANDARD\n")))
        << log;
    EXPECT_EQ(State.presents, 0);
    // The mode and character pictures, the five stage pictures and the title
    // picture again: each swap has its box.
    boxes.insert(boxes.end(), 8, swap);
    EXPECT_EQ(State.boxes, boxes);
    EXPECT_TRUE(State.sounds.empty());
}

// ---- No window ------------------------------------------------------------------------

// A window that cannot be created ends the program at once with 0: no
// display, no sound, no pictures, no frame, no box.
TEST_F(PlatformFaultTest, WindowThatCannotBeCreatedEndsTheProgramWithZero) {
    LinkRealData();
    State.windowFails = 1;
    ktScript::PressKey(VK_ESCAPE);  // ends a loop that should never have started
    EXPECT_EQ(ktSystem::WinMain(GameEntryPoints), 0);
    EXPECT_EQ(ktSystem::MainWindow, 0);
    EXPECT_EQ(State.displayOpen, 0);
    EXPECT_EQ(State.audioOpen, 0);
    EXPECT_EQ(State.imeEnabled, 1);
    EXPECT_EQ(State.presents, 0);
    EXPECT_TRUE(State.boxes.empty());
    EXPECT_EQ(ktSystem::SceneId, 0);
    EXPECT_EQ(ktDraw::DisplayOpen, 0);
    EXPECT_EQ(ktSound::SoundAvailable, 0);
    EXPECT_FALSE(fs::exists(folder + "/point.txt"));
}

}  // namespace
