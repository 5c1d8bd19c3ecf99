// The scenes around play, driven with keys and the pad: the title, the mode
// and character selects with their row moves, latches and highlight strip,
// and the results with the digit wall of the score, the score log line and
// the way back to the title. (tests/scenarios/win.sim walks the menus with
// the keyboard.)
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "game_fixture.h"

namespace {

using ktPlatform::VK_DOWN;
using ktPlatform::VK_RETURN;
using ktPlatform::VK_UP;
using ktPlatform::VK_Z;
using testutil::Raw;
using testutil::Rgb;

// One plain colour per picture, none of them black; digit d's cell has its own.
constexpr Rgb TitleColour{200, 0, 0}, ModeColour{0, 0, 200}, CharacterColour{0, 200, 0};
constexpr Rgb Strip0{200, 200, 0}, Strip1{0, 200, 200}, LabelColour{250, 250, 250};
Rgb DigitColour(int d) { return {uint8_t(30 + 20 * d), 100, 50}; }

class MenuTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        ktScript::State.pads[0] = {1, {32767, 32767, 0}};  // a pad at rest
        OpenDisplay();
        testutil::WritePlainBmp(folder + "/data/selemode.bmp", 320, 240, ModeColour);
        testutil::WritePlainBmp(folder + "/data/opening.bmp", 320, 240, CharacterColour);
        testutil::WriteBmp(folder + "/data/tlop.bmp", 320, 160, [](int, int y) { return y < 80 ? Strip0 : Strip1; });
        testutil::WriteBmp(folder + "/data/chips.bmp", 40, 200, [](int, int y) { return DigitColour(y / 20); });
        testutil::WriteBmp(folder + "/data/chips2.bmp", 80, 140, [](int, int y) { return y >= 120 ? LabelColour : Rgb{0, 0, 0}; });
        WriteFile("data/bshp.dat", std::vector<uint8_t>{4});
        WriteFile("data/stage0.da1", std::vector<uint8_t>{0, 0, 20});
        WriteFile("data/stage0.da2", std::vector<uint8_t>{0, 20});
        MenuBackImage = LoadPlainPicture("start.bmp", 240, 240, TitleColour);
        MenuBarImage = ktDraw::LoadObject("./data/tlop.bmp");
        StageImage = LoadPlainPicture("stage0.bmp", 240, 240, {10, 20, 30});
        DigitsImage = ktDraw::LoadObject("./data/chips.bmp");
        ChipsImage2 = ktDraw::LoadObject("./data/chips2.bmp");
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
    EXPECT_EQ(std::tuple(ktSystem::SceneId, ShownPixel(39, 100), ShownPixel(40, 100), ShownPixel(279, 239), ShownPixel(280, 100)),
              std::tuple(2, uint16_t(0), Raw(TitleColour), Raw(TitleColour), uint16_t(0)));
    EXPECT_TRUE(ktScript::State.sounds.empty());
    PadButtons(1u << 3);
    TitleFrame();
    EXPECT_EQ(std::tuple(ktSystem::SceneId, MenuRow, MenuKeyLatch, Lives, MenuPicture()),
              std::tuple(5, 1, 0, 3, "./data/selemode.bmp"));  // a new game
    EXPECT_EQ(SoundCalls("loop ./data/loop.wav"), 1);
}

TEST_F(MenuTest, RowsMoveOnePerPressByKeysOrStickClampAndCancelUnderAnAlternatingStrip) {
    EnterModeSelect();
    ModeSelectFrame();
    EXPECT_EQ(std::tuple(ShownPixel(160, 120), ShownPixel(160, 79), ShownPixel(160, 160)),
              std::tuple(Raw(Strip1), Raw(ModeColour), Raw(ModeColour)));
    FrameHolding(ModeSelectFrame, VK_DOWN);  // drawn before the row moves
    EXPECT_EQ(std::tuple(MenuRow, ShownPixel(160, 120)), std::tuple(2, Raw(Strip0)));
    ModeSelectFrame();
    EXPECT_EQ(std::tuple(ShownPixel(0, 160), ShownPixel(319, 239), ShownPixel(160, 159)),
              std::tuple(Raw(Strip1), Raw(Strip1), Raw(ModeColour)));
    FrameHolding(ModeSelectFrame, VK_DOWN);
    ModeSelectFrame();
    EXPECT_EQ(MenuRow, 2);  // the bottom row stays
    // Up and down together: one step each way, and the latch, which one key
    // still held keeps.
    Hold(VK_UP), Hold(VK_DOWN);
    ModeSelectFrame();
    EXPECT_EQ(std::tuple(MenuRow, MenuKeyLatch), std::tuple(2, 1));
    Hold(VK_UP, 0);
    ModeSelectFrame();
    EXPECT_EQ(std::tuple(MenuRow, MenuKeyLatch), std::tuple(2, 1));
    Hold(VK_DOWN, 0);
    ModeSelectFrame();
    // The stick moves the row with the same latch.
    auto& reading = ktScript::State.pads[0].reading;
    reading.y = 0;  // up, held three frames: one row
    for (int frame = 0; frame < 3; frame++) ModeSelectFrame();
    EXPECT_EQ(MenuRow, 1);
    reading.y = 32767;
    ModeSelectFrame();
    EXPECT_EQ(MenuKeyLatch, 0);
    reading.y = 65535;  // down
    ModeSelectFrame();
    EXPECT_EQ(std::tuple(MenuRow, MenuKeyLatch), std::tuple(2, 1));
}

TEST_F(MenuTest, ModeAndCharacterAreChosenByZOrPadButtonOneButNotByTheSamePress) {
    for (int32_t row = 1; row < 3; row++) {
        ktSystem::SceneId = 2;
        EnterModeSelect();
        MenuRow = row;
        PadButtons(1);  // pad button 1 confirms too
        ModeSelectFrame();
        EXPECT_EQ(std::tuple(GameMode, ktSystem::SceneId, MenuRow, MenuPicture(), ConfirmLatch),
                  std::tuple(2 - row, 3, 1, "./data/opening.bmp", 1)) << "row " << row;
        // Button 1 still down: latched, no character is chosen.
        for (int i = 0; i < 3; i++) CharacterSelectFrame();
        EXPECT_EQ(std::tuple(ktSystem::SceneId, ShownPixel(160, 10)), std::tuple(3, Raw(CharacterColour)));
        PadButtons(0);
        CharacterSelectFrame();
        EXPECT_EQ(ConfirmLatch, 0);
    }
    FrameHolding(CharacterSelectFrame, VK_DOWN);
    ktScript::State.sounds.clear();
    FrameHolding(CharacterSelectFrame, VK_Z);
    EXPECT_EQ(std::tuple(Character, ktSystem::SceneId, BossHp, Script1File != nullptr), std::tuple(2, 1, 4 * 500, true));
    EXPECT_EQ(ktScript::State.sounds, (std::vector<std::string>{"stop ./data/music.wav", "loop ./data/music.wav",
                                                                 "stop ./data/loop.wav"}));
}

// ---- The results -------------------------------------------------------------------

TEST_F(MenuTest, ResultsWallSpellsTheScoreFromTheTopUnderTheLabel) {
    ktSystem::SceneId = 4;
    for (const auto& [score, rows] : {std::pair{123u, std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3}},
                                      {4294967295u, {0, 0, 4, 2, 9, 4, 9, 6, 7, 2, 9, 5}}}) {
        Score = score;
        ResultsFrame();
        for (int r = 0; r < 12; r++)
            for (int c = 0; c < 8; c++) {
                const int x = 40 * c + 3, y = 20 * r + 3;
                if (x >= 120 && x < 200 && y >= 110 && y < 130) continue;  // the label's cells are covered
                ASSERT_EQ(ShownPixel(x, y), Raw(DigitColour(rows[size_t(r)]))) << score << " row " << r << " column " << c;
            }
    }
    // The label sits in the middle, over the wall.
    EXPECT_EQ(std::tuple(ShownPixel(120, 110), ShownPixel(199, 129), ShownPixel(119, 110), ShownPixel(200, 129)),
              std::tuple(Raw(LabelColour), Raw(LabelColour), Raw(DigitColour(4)), Raw(DigitColour(9))));
    EXPECT_EQ(ktSystem::SceneId, 4);  // nothing confirmed
}

TEST_F(MenuTest, EachGameAppendsItsLineToTheLogAndReturnsToTheTitle) {
    WriteFile("point.txt", std::string("an earlier game\n"));
    const struct {
        int32_t mode, character, stage, combo;
        uint32_t score;
    } games[] = {{2, 0, 3, 1234, 4200000000u}, {1, 1, 2, 0, 0}, {0, 2, 4, -1, 4294967295u}, {7, 1, 1, 5, 9}};
    ktScript::State.keys[ktPlatform::VK_Z] = 1;  // Z is not a confirm here
    for (const auto& g : games) {
        GameMode = g.mode, Character = g.character, StageNo = g.stage, MaxCombo = g.combo, Score = g.score;
        ktSystem::SceneId = 4;
        ktScript::State.sounds.clear();
        Hold(VK_RETURN, 0);
        PadButtons(1u << 0);
        ResultsFrame();
        EXPECT_EQ(ktSystem::SceneId, 4);
        if (g.mode == 7) PadButtons(1u << 3);  // pad button 4 confirms too
        Hold(VK_RETURN, g.mode != 7);
        ResultsFrame();
        EXPECT_EQ(std::tuple(ktSystem::SceneId, MenuPicture()), std::tuple(2, "./data/start.bmp"));
        EXPECT_EQ(ktScript::State.sounds, std::vector<std::string>{"stop ./data/loop.wav"});
    }
    EXPECT_EQ(ReadFile("point.txt"),
              "an earlier game\n"
              "STAGE 3 MAXCOMBO 1234 POINT 4200000000 N:ASTER M:KIDS\n"
              "STAGE 2 MAXCOMBO 0 POINT 0 N:BRIONY M:STANDARD\n"
              "STAGE 4 MAXCOMBO -1 POINT 4294967295 N:CALLA M:MASTER\n"
              "STAGE 1 MAXCOMBO 5 POINT 9 N:BRIONY M:MASTER\n");
    // Enter held from the results: the title shows once and goes on.
    Hold(VK_RETURN);
    TitleFrame();
    EXPECT_EQ(std::tuple(ShownPixel(100, 100), ktSystem::SceneId), std::tuple(Raw(TitleColour), 5));
}

}  // namespace
