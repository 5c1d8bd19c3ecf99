// The title, mode select and character select scenes, driven with keys and
// the pad: confirms, the row moves with their latch, the highlight strip and
// the hand-over from one scene to the next.
#include <algorithm>
#include <string>
#include <vector>

#include "engine_fixture.h"
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
constexpr Rgb StripColour0{200, 200, 0};
constexpr Rgb StripColour1{0, 200, 200};

// A short, silent wave file: 16-bit mono PCM.
std::vector<uint8_t> SilentWave() {
    const uint32_t dataBytes = 200;
    std::vector<uint8_t> out(44 + dataBytes, 0);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; i++) out[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    auto text = [&](size_t at, const char* s) {
        for (size_t i = 0; i < 4; i++) out[at + i] = uint8_t(s[i]);
    };
    text(0, "RIFF");
    put(4, 36 + dataBytes, 4);
    text(8, "WAVE");
    text(12, "fmt ");
    put(16, 16, 4);     // format record size
    put(20, 1, 2);      // PCM
    put(22, 1, 2);      // mono
    put(24, 22050, 4);  // samples per second
    put(28, 44100, 4);  // bytes per second
    put(32, 2, 2);      // block
    put(34, 16, 2);     // bits
    text(36, "data");
    put(40, dataBytes, 4);
    return out;
}

class MenuTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        ktScript::State.pads[0] = {1, {32767, 32767, 0}};  // a pad at rest
        OpenDisplay();
        auto plain = [](Rgb c) { return [c](int, int) { return c; }; };
        testutil::WriteBmp(folder + "/data/start.bmp", 240, 240, plain(TitleColour));
        testutil::WriteBmp(folder + "/data/selemode.bmp", 320, 240, plain(ModeColour));
        testutil::WriteBmp(folder + "/data/opening.bmp", 320, 240, plain(CharacterColour));
        testutil::WriteBmp(folder + "/data/tlop.bmp", 320, 160,
                           [](int, int y) { return y < 80 ? StripColour0 : StripColour1; });
        testutil::WriteBmp(folder + "/data/stage0.bmp", 240, 240, plain({10, 20, 30}));
        WriteFile("data/loop.wav", SilentWave());
        WriteFile("data/music.wav", SilentWave());
        WriteFile("data/bshp.dat", std::vector<uint8_t>{4});
        WriteFile("data/stage0.da1", std::vector<uint8_t>{0, 0, 20});
        WriteFile("data/stage0.da2", std::vector<uint8_t>{0, 20});

        MenuBackImage = ktDraw::LoadObject("./data/start.bmp");
        MenuBarImage = ktDraw::LoadObject("./data/tlop.bmp");
        StageImage = ktDraw::LoadObject("./data/stage0.bmp");
        MenuLoopSound = ktSound::LoadObject("./data/loop.wav", 1);
        StageMusic = ktSound::LoadObject("./data/music.wav", 1);
        ASSERT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes[0];
        ASSERT_NE(MenuLoopSound, StageMusic);
        ktSystem::SceneId = 2;
    }

    static void Hold(int vk) { ktScript::State.keys[vk] = 1; }
    static void Release(int vk) { ktScript::State.keys[vk] = 0; }
    static void PadY(uint32_t y) { ktScript::State.pads[0].reading.y = y; }
    static void PadButtons(uint32_t buttons) { ktScript::State.pads[0].reading.buttons = buttons; }

    static bool SoundCalled(const std::string& call) {
        const auto& sounds = ktScript::State.sounds;
        return std::find(sounds.begin(), sounds.end(), call) != sounds.end();
    }
    static std::string MenuPicture() { return ktDraw::ImageObjects[MenuBackImage].name; }

    // Brings the game into the mode select as the title's confirm does.
    void EnterModeSelect() {
        Hold(VK_RETURN);
        TitleFrame();
        Release(VK_RETURN);
        ASSERT_EQ(ktSystem::SceneId, 5);
    }
    // Runs one frame of the mode select with `vk` held (0: nothing held).
    void ModeFrameHolding(int vk) {
        if (vk) Hold(vk);
        ModeSelectFrame();
        if (vk) Release(vk);
    }
};

TEST_F(MenuTest, TitleShowsItsPictureCentredAndWaitsForEnter) {
    for (int i = 0; i < 3; i++) TitleFrame();
    EXPECT_EQ(ktSystem::SceneId, 2);
    EXPECT_EQ(ktScript::State.presents, 3);
    EXPECT_EQ(ShownPixel(39, 100), 0);
    EXPECT_EQ(ShownPixel(40, 100), Raw(TitleColour));
    EXPECT_EQ(ShownPixel(279, 239), Raw(TitleColour));
    EXPECT_EQ(ShownPixel(280, 100), 0);
    EXPECT_TRUE(ktScript::State.sounds.empty());
}

TEST_F(MenuTest, TitleConfirmStartsANewGameInTheModeSelect) {
    Lives = 0;
    Score = 55;
    MenuRow = 0;
    MenuKeyLatch = 1;
    Hold(VK_RETURN);  // held from before, as from the results scene
    TitleFrame();

    EXPECT_EQ(ktSystem::SceneId, 5);
    EXPECT_EQ(MenuRow, 1);
    EXPECT_EQ(MenuKeyLatch, 0);
    EXPECT_EQ(Lives, 3);  // ResetGame ran
    EXPECT_EQ(Score, 0u);
    EXPECT_EQ(MenuPicture(), "./data/selemode.bmp");
    EXPECT_TRUE(SoundCalled("loop ./data/loop.wav"));
    // The frame itself still showed the title.
    EXPECT_EQ(ShownPixel(100, 100), Raw(TitleColour));
}

TEST_F(MenuTest, TitleConfirmsWithPadButtonFourOnly) {
    PadButtons(1u << 0);  // button 1 does not confirm the title
    TitleFrame();
    EXPECT_EQ(ktSystem::SceneId, 2);
    PadButtons(1u << 3);
    TitleFrame();
    EXPECT_EQ(ktSystem::SceneId, 5);
}

TEST_F(MenuTest, ModeSelectMovesOneRowPerPressAndClamps) {
    EnterModeSelect();
    ASSERT_EQ(MenuRow, 1);

    // Holding up moves one row, however long it is held.
    Hold(VK_UP);
    for (int i = 0; i < 4; i++) ModeSelectFrame();
    EXPECT_EQ(MenuRow, 0);
    EXPECT_EQ(MenuKeyLatch, 1);
    Release(VK_UP);
    ModeSelectFrame();
    EXPECT_EQ(MenuKeyLatch, 0);

    // Up on the top row stays there.
    ModeFrameHolding(VK_UP);
    EXPECT_EQ(MenuRow, 0);
    ModeSelectFrame();

    // Down twice, released in between, reaches the bottom row, and no further.
    ModeFrameHolding(VK_DOWN);
    ModeSelectFrame();
    ModeFrameHolding(VK_DOWN);
    ModeSelectFrame();
    EXPECT_EQ(MenuRow, 2);
    ModeFrameHolding(VK_DOWN);
    EXPECT_EQ(MenuRow, 2);
    EXPECT_EQ(ktSystem::SceneId, 5);
}

TEST_F(MenuTest, UpAndDownOnTheSameFrameCancelAndLatch) {
    EnterModeSelect();
    Hold(VK_UP);
    Hold(VK_DOWN);
    ModeSelectFrame();
    EXPECT_EQ(MenuRow, 1);
    EXPECT_EQ(MenuKeyLatch, 1);
    // With one of them still held the latch stays.
    Release(VK_UP);
    ModeSelectFrame();
    EXPECT_EQ(MenuKeyLatch, 1);
    EXPECT_EQ(MenuRow, 1);
    Release(VK_DOWN);
    ModeSelectFrame();
    EXPECT_EQ(MenuKeyLatch, 0);
}

TEST_F(MenuTest, BothKeysOnAnEdgeRowKeepThatRow) {
    EnterModeSelect();
    MenuRow = 0;
    Hold(VK_UP);
    Hold(VK_DOWN);
    ModeSelectFrame();  // up to -1, down to 0, then the clamp: 0
    EXPECT_EQ(MenuRow, 0);
    Release(VK_UP);
    Release(VK_DOWN);
    ModeSelectFrame();
    ASSERT_EQ(MenuKeyLatch, 0);

    MenuRow = 2;
    Hold(VK_UP);
    Hold(VK_DOWN);
    ModeSelectFrame();  // up to 1, down to 2
    EXPECT_EQ(MenuRow, 2);
}

TEST_F(MenuTest, PadStickMovesTheRowWithTheSameLatch) {
    EnterModeSelect();
    PadY(0);  // pushed up
    ModeSelectFrame();
    ModeSelectFrame();
    EXPECT_EQ(StickY, -1);
    EXPECT_EQ(MenuRow, 0);
    PadY(32767);
    ModeSelectFrame();
    EXPECT_EQ(MenuKeyLatch, 0);
    PadY(65535);  // pushed down
    ModeSelectFrame();
    EXPECT_EQ(MenuRow, 1);
    // A pad that cannot be read keeps its last direction: the latch holds.
    ktScript::State.pads[0].present = 0;
    ModeSelectFrame();
    EXPECT_EQ(StickY, 1);
    EXPECT_EQ(MenuRow, 1);
    EXPECT_EQ(MenuKeyLatch, 1);
}

TEST_F(MenuTest, HighlightStripAlternatesAndShowsARowChangeOnTheNextFrame) {
    EnterModeSelect();
    const int y0 = 80 * 0 + 40, y1 = 80 * 1 + 40, y2 = 80 * 2 + 40;

    ModeSelectFrame();
    EXPECT_EQ(MenuStripPhase, 1);
    EXPECT_EQ(ShownPixel(160, y1), Raw(StripColour1));
    EXPECT_EQ(ShownPixel(160, y0), Raw(ModeColour));
    EXPECT_EQ(ShownPixel(160, y2), Raw(ModeColour));

    ModeFrameHolding(VK_DOWN);  // the row changes, the strip is already drawn
    EXPECT_EQ(MenuStripPhase, 0);
    EXPECT_EQ(MenuRow, 2);
    EXPECT_EQ(ShownPixel(160, y1), Raw(StripColour0));
    EXPECT_EQ(ShownPixel(160, y2), Raw(ModeColour));

    ModeSelectFrame();
    EXPECT_EQ(MenuStripPhase, 1);
    EXPECT_EQ(ShownPixel(160, y2), Raw(StripColour1));
    EXPECT_EQ(ShownPixel(160, y1), Raw(ModeColour));
    EXPECT_EQ(ShownPixel(0, y2 - 40), Raw(StripColour1));
    EXPECT_EQ(ShownPixel(319, y2 + 39), Raw(StripColour1));
    EXPECT_EQ(ShownPixel(319, y2 - 41), Raw(ModeColour));
}

TEST_F(MenuTest, ModeSelectRowsGiveKidsStandardMaster) {
    const int32_t expected[3] = {2, 1, 0};
    for (int32_t row = 0; row < 3; row++) {
        ktSystem::SceneId = 2;
        EnterModeSelect();
        MenuRow = row;
        ModeFrameHolding(VK_Z);
        EXPECT_EQ(GameMode, expected[row]) << "row " << row;
        EXPECT_EQ(ktSystem::SceneId, 3);
        EXPECT_EQ(MenuRow, 1);
        EXPECT_EQ(ConfirmLatch, 1);
        EXPECT_EQ(MenuPicture(), "./data/opening.bmp");
    }
}

TEST_F(MenuTest, ModeSelectConfirmsWithPadButtonOne) {
    EnterModeSelect();
    MenuRow = 0;
    PadButtons(1u << 0);
    ModeSelectFrame();
    EXPECT_EQ(GameMode, 2);
    EXPECT_EQ(ktSystem::SceneId, 3);
}

TEST_F(MenuTest, ZHeldFromTheModeSelectDoesNotChooseACharacter) {
    EnterModeSelect();
    Hold(VK_Z);
    ModeSelectFrame();
    ASSERT_EQ(ktSystem::SceneId, 3);

    for (int i = 0; i < 3; i++) CharacterSelectFrame();
    EXPECT_EQ(ktSystem::SceneId, 3);
    EXPECT_EQ(ConfirmLatch, 1);
    EXPECT_EQ(ShownPixel(160, 10), Raw(CharacterColour));

    // Z up but pad button 1 down still keeps the latch.
    Release(VK_Z);
    PadButtons(1u << 0);
    CharacterSelectFrame();
    EXPECT_EQ(ConfirmLatch, 1);
    EXPECT_EQ(ktSystem::SceneId, 3);

    PadButtons(0);
    CharacterSelectFrame();
    EXPECT_EQ(ConfirmLatch, 0);
    EXPECT_EQ(ktSystem::SceneId, 3);
}

TEST_F(MenuTest, CharacterSelectStartsTheFirstStage) {
    EnterModeSelect();
    ModeFrameHolding(VK_Z);
    CharacterSelectFrame();  // Z released: the latch lets go
    ASSERT_EQ(ConfirmLatch, 0);
    ktScript::State.sounds.clear();

    Hold(VK_DOWN);
    CharacterSelectFrame();
    Release(VK_DOWN);
    CharacterSelectFrame();
    ASSERT_EQ(MenuRow, 2);
    const int32_t livesBefore = Lives;
    Hold(VK_Z);
    CharacterSelectFrame();

    EXPECT_EQ(Character, 2);
    EXPECT_EQ(ktSystem::SceneId, 1);
    EXPECT_EQ(Lives, livesBefore + 2);  // the stage started
    EXPECT_EQ(BossHp, 4 * 500);
    EXPECT_NE(Script1File, nullptr);
    EXPECT_STREQ(ktDraw::ImageObjects[StageImage].name, "./data/stage0.bmp");
    EXPECT_TRUE(SoundCalled("loop ./data/music.wav"));
    EXPECT_TRUE(SoundCalled("stop ./data/loop.wav"));
}

}  // namespace
