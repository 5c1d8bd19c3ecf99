// The title, mode select and character select scenes, driven with keys and
// the pad: confirms, the row moves with their latch, the highlight strip and
// the hand-over from one scene to the next.
#include <string>

#include "game_fixture.h"

namespace {

using ktPlatform::VK_DOWN;
using ktPlatform::VK_RETURN;
using ktPlatform::VK_UP;
using ktPlatform::VK_Z;
using testutil::Raw;
using testutil::Rgb;

// One plain colour per picture, none of them black.
constexpr Rgb TitleColour{200, 0, 0};
constexpr Rgb ModeColour{0, 0, 200};
constexpr Rgb CharacterColour{0, 200, 0};
constexpr Rgb Strip0{200, 200, 0};
constexpr Rgb Strip1{0, 200, 200};

class MenuTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        ktScript::State.pads[0] = {1, {32767, 32767, 0}};  // a pad at rest
        OpenDisplay();
        testutil::WritePlainBmp(folder + "/data/selemode.bmp", 320, 240, ModeColour);
        testutil::WritePlainBmp(folder + "/data/opening.bmp", 320, 240, CharacterColour);
        testutil::WriteBmp(folder + "/data/tlop.bmp", 320, 160, [](int, int y) { return y < 80 ? Strip0 : Strip1; });
        WriteFile("data/bshp.dat", std::vector<uint8_t>{4});
        WriteFile("data/stage0.da1", std::vector<uint8_t>{0, 0, 20});
        WriteFile("data/stage0.da2", std::vector<uint8_t>{0, 20});
        MenuBackImage = LoadPlainPicture("start.bmp", 240, 240, TitleColour);
        MenuBarImage = ktDraw::LoadObject("./data/tlop.bmp");
        StageImage = LoadPlainPicture("stage0.bmp", 240, 240, {10, 20, 30});
        MenuLoopSound = LoadTinySound("loop.wav");
        StageMusic = LoadTinySound("music.wav");
        ExpectLoadsWorked();
        ktSystem::SceneId = 2;
    }
    static void Hold(int vk, int held = 1) { ktScript::State.keys[vk] = held; }
    static void PadButtons(uint32_t buttons) { ktScript::State.pads[0].reading.buttons = buttons; }
    static std::string MenuPicture() { return ktDraw::ImageObjects[MenuBackImage].name; }
    // Runs one frame of `scene` with `vk` held for it.
    static void FrameHolding(void (*scene)(), int vk) {
        Hold(vk);
        scene();
        Hold(vk, 0);
    }
    static void EnterModeSelect() {
        FrameHolding(TitleFrame, VK_RETURN);
        ASSERT_EQ(ktSystem::SceneId, 5);
    }
};

TEST_F(MenuTest, TitleShowsItsPictureCentredUntilEnterOrPadButtonFour) {
    Lives = 0, MenuKeyLatch = 1;
    PadButtons(1u << 0);  // button 1 is not a confirm here
    TitleFrame();
    EXPECT_EQ(ktSystem::SceneId, 2);
    EXPECT_EQ(ShownPixel(39, 100), 0);
    EXPECT_EQ(ShownPixel(40, 100), Raw(TitleColour));
    EXPECT_EQ(ShownPixel(279, 239), Raw(TitleColour));
    EXPECT_EQ(ShownPixel(280, 100), 0);
    EXPECT_TRUE(ktScript::State.sounds.empty());

    PadButtons(1u << 3);
    TitleFrame();
    EXPECT_EQ(ktSystem::SceneId, 5);
    EXPECT_EQ(MenuRow, 1);
    EXPECT_EQ(MenuKeyLatch, 0);
    EXPECT_EQ(Lives, 3);  // a new game
    EXPECT_EQ(MenuPicture(), "./data/selemode.bmp");
    EXPECT_EQ(SoundCalls("loop ./data/loop.wav"), 1);
}

TEST_F(MenuTest, RowsMoveOnePerPressClampAndCancel) {
    EnterModeSelect();
    Hold(VK_UP);  // held: one row only
    for (int i = 0; i < 4; i++) ModeSelectFrame();
    EXPECT_EQ(MenuRow, 0);
    EXPECT_EQ(MenuKeyLatch, 1);
    Hold(VK_UP, 0);
    ModeSelectFrame();
    EXPECT_EQ(MenuKeyLatch, 0);
    FrameHolding(ModeSelectFrame, VK_UP);  // the top row stays
    EXPECT_EQ(MenuRow, 0);
    ModeSelectFrame();
    for (int i = 0; i < 3; i++) {
        FrameHolding(ModeSelectFrame, VK_DOWN);
        ModeSelectFrame();
    }
    EXPECT_EQ(MenuRow, 2);  // the bottom row stays
    // Up and down together: one step each way, and the latch.
    Hold(VK_UP);
    Hold(VK_DOWN);
    ModeSelectFrame();
    EXPECT_EQ(MenuRow, 2);
    EXPECT_EQ(MenuKeyLatch, 1);
    Hold(VK_UP, 0);  // one still held keeps the latch
    ModeSelectFrame();
    EXPECT_EQ(MenuKeyLatch, 1);
    EXPECT_EQ(MenuRow, 2);
}

TEST_F(MenuTest, PadStickMovesTheRowWithTheSameLatch) {
    EnterModeSelect();
    auto& reading = ktScript::State.pads[0].reading;
    reading.y = 0;  // up
    ModeSelectFrame();
    ModeSelectFrame();
    EXPECT_EQ(MenuRow, 0);
    reading.y = 32767;
    ModeSelectFrame();
    EXPECT_EQ(MenuKeyLatch, 0);
    reading.y = 65535;  // down
    ModeSelectFrame();
    EXPECT_EQ(MenuRow, 1);
    EXPECT_EQ(MenuKeyLatch, 1);
}

TEST_F(MenuTest, HighlightStripAlternatesAndShowsARowChangeOnTheNextFrame) {
    EnterModeSelect();
    ModeSelectFrame();
    EXPECT_EQ(ShownPixel(160, 120), Raw(Strip1));
    EXPECT_EQ(ShownPixel(160, 79), Raw(ModeColour));
    EXPECT_EQ(ShownPixel(160, 160), Raw(ModeColour));
    FrameHolding(ModeSelectFrame, VK_DOWN);  // drawn before the row moves
    EXPECT_EQ(MenuRow, 2);
    EXPECT_EQ(ShownPixel(160, 120), Raw(Strip0));
    ModeSelectFrame();
    EXPECT_EQ(ShownPixel(0, 160), Raw(Strip1));
    EXPECT_EQ(ShownPixel(319, 239), Raw(Strip1));
    EXPECT_EQ(ShownPixel(160, 159), Raw(ModeColour));
}

TEST_F(MenuTest, ModeSelectRowsGiveKidsStandardMaster) {
    const int32_t modes[3] = {2, 1, 0};
    for (int32_t row = 0; row < 3; row++) {
        ktSystem::SceneId = 2;
        EnterModeSelect();
        MenuRow = row;
        if (row == 0)
            PadButtons(1);  // pad button 1 confirms too
        else
            Hold(VK_Z);
        ModeSelectFrame();
        PadButtons(0);
        Hold(VK_Z, 0);
        EXPECT_EQ(GameMode, modes[row]) << "row " << row;
        EXPECT_EQ(ktSystem::SceneId, 3);
        EXPECT_EQ(MenuRow, 1);
        EXPECT_EQ(MenuPicture(), "./data/opening.bmp");
    }
}

TEST_F(MenuTest, ZHeldFromTheModeSelectDoesNotChooseACharacter) {
    EnterModeSelect();
    Hold(VK_Z);
    ModeSelectFrame();
    for (int i = 0; i < 3; i++) CharacterSelectFrame();
    EXPECT_EQ(ktSystem::SceneId, 3);
    EXPECT_EQ(ShownPixel(160, 10), Raw(CharacterColour));
    Hold(VK_Z, 0);
    PadButtons(1);  // button 1 still down: latched
    CharacterSelectFrame();
    EXPECT_EQ(ConfirmLatch, 1);
    PadButtons(0);
    CharacterSelectFrame();
    EXPECT_EQ(ConfirmLatch, 0);
    EXPECT_EQ(ktSystem::SceneId, 3);
}

TEST_F(MenuTest, CharacterSelectStartsTheFirstStage) {
    EnterModeSelect();
    FrameHolding(ModeSelectFrame, VK_Z);
    CharacterSelectFrame();  // Z is up: the latch lets go
    FrameHolding(CharacterSelectFrame, VK_DOWN);
    ktScript::State.sounds.clear();
    const int32_t lives = Lives;
    FrameHolding(CharacterSelectFrame, VK_Z);
    EXPECT_EQ(Character, 2);
    EXPECT_EQ(ktSystem::SceneId, 1);
    EXPECT_EQ(Lives, lives + 2);
    EXPECT_EQ(BossHp, 4 * 500);
    EXPECT_NE(Script1File, nullptr);
    EXPECT_EQ(SoundCalls("loop ./data/music.wav"), 1);
    EXPECT_EQ(SoundCalls("stop ./data/loop.wav"), 1);
}

}  // namespace
