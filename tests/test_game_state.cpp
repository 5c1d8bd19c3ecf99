// Game state: the resource set and the number of the last stage, the reset
// for a new game, the decimal helpers, the random generator and the score's
// saturation.
#include <cstring>
#include <string>

#include "game_fixture.h"

namespace {

using GameStateTest = GameTest;

TEST_F(GameStateTest, DecimalHelpers) {
    const struct {
        const char* text;
        int32_t value;
    } parsed[] = {{"-7", -7}, {"+7", 7}, {"07", 7}, {"", 0},
                  // Every byte is a digit worth (byte - 48): a line end is worth -38.
                  {"4\n", 2}, {"1\n", -28}, {"9999999999", 1410065407}};  // the last wraps in 32 bits
    for (const auto& p : parsed) EXPECT_EQ(ParseDecimal(p.text), p.value) << p.text;

    EXPECT_STREQ(FormatDecimal(0), "0");
    EXPECT_STREQ(FormatDecimal(10), "10");
    EXPECT_STREQ(FormatDecimal(99999999), "99999999");
    // Outside its range it still ends inside its 9 bytes.
    EXPECT_LE(std::strlen(FormatDecimal(-5)), 8u);
    EXPECT_LE(std::strlen(FormatDecimal(2147483647)), 8u);

    EXPECT_EQ(PowerOfTen(-4), 1);
    EXPECT_EQ(PowerOfTen(9), 1000000000);
    EXPECT_EQ(PowerOfTen(10), 1410065408);  // 10^10 mod 2^32
    EXPECT_EQ(IntPower(-3, 3), -27);
}

TEST_F(GameStateTest, RandomDrawsAndScoreSaturation) {
    SeedRandom(1);
    EXPECT_EQ(Random(), 41);
    EXPECT_EQ(Random(220), 18467 % 220);  // R(n): one draw modulo n
    EXPECT_EQ(Random(0), 0);              // draws, but never divides by 0
    EXPECT_EQ(Random(), 26500);

    Score = 4294967290u;
    AddScore(5);
    EXPECT_EQ(Score, 4294967295u);
    AddScore(1);
    EXPECT_EQ(Score, 4294967295u);
    Score = 4200000000u;
    AddScore(12000000000ull);
    EXPECT_EQ(Score, 4294967295u);
}

TEST_F(GameStateTest, ResetGamePreparesANewGameAndKeepsTheRest) {
    StageNo = 4, ComboRunning = 1, GameMode = 2, ComboTimer = 100.0f, Score = 999;
    Lives = 0, Bombs = 9, Combo = 77, MaxCombo = 1234, Character = 2, LastStage = 4;
    for (auto& shot : PlayerShot) shot.active = 1;
    for (auto& burst : Burst) burst.active = 1;
    DepthShot[3].active = 1;
    FlatShot[7].active = 1;

    ResetGame();

    EXPECT_EQ(StageNo + ComboRunning + GameMode + Combo + MaxCombo, 0);
    EXPECT_EQ(ComboTimer, 0.0f);
    EXPECT_EQ(Score, 0u);
    EXPECT_EQ(Lives, 3);
    EXPECT_EQ(Bombs, 1);
    for (const auto& shot : PlayerShot) ASSERT_EQ(shot.active, 0);
    for (const auto& burst : Burst) ASSERT_EQ(burst.active, 0);
    // Not part of a new game: the character, the last stage, enemy shots.
    EXPECT_EQ(Character, 2);
    EXPECT_EQ(LastStage, 4);
    EXPECT_EQ(DepthShot[3].active + FlatShot[7].active, 2);
}

TEST_F(GameStateTest, ResourceSetLoadsInOrderAndStartsInTheTitle) {
    MenuRow = 2, MenuStripPhase = 1;
    UseRealData();
    LoadResourceSet();
    EXPECT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes.front();
    EXPECT_EQ(ktSystem::SceneId, 2);
    EXPECT_EQ(MenuRow + MenuStripPhase, 0);
    // Images take slots 2 upward in load order, sounds slots 0 upward.
    const int32_t images[] = {MenuBackImage, StageImage, ChipsImage2, DigitsImage, MenuBarImage};
    const char* imageNames[] = {"start", "stage1", "chips2", "chips", "tlop"};
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(images[i], 2 + i);
        EXPECT_EQ(ktDraw::ImageObjects[images[i]].name, "./data/" + std::string(imageNames[i]) + ".bmp");
    }
    const int32_t sounds[] = {ShotSound,      HitSound,      BombSound,  FlatShotSound, MenuLoopSound,
                              DepthShotSound, ComboEndSound, StageMusic, LaserSound};
    const char* soundNames[] = {"shot", "hit", "bomb", "h2d", "loop", "h3d", "x", "music", "lazer"};
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ(sounds[i], i);
        EXPECT_EQ(ktSound::SoundObjects[sounds[i]].name, "./data/" + std::string(soundNames[i]) + ".wav");
        EXPECT_EQ(ktSound::SoundObjects[sounds[i]].copies, 1);
    }
}

class LastStageTest : public GameTest {
protected:
    // LastStage after loading with stageno.txt holding `text` (no file when
    // null); `message` gets what went to standard error.
    int32_t LoadWith(const char* text) {
        if (text) WriteFile("data/stageno.txt", std::string(text));
        LastStage = 99;
        ::testing::internal::CaptureStderr();
        LoadResourceSet();
        message = ::testing::internal::GetCapturedStderr();
        return LastStage;
    }
    std::string message;
};

TEST_F(LastStageTest, NumberIsReadFromTheDigitsOfTheFirstTwoBytes) {
    const struct {
        const char* text;
        int32_t stage;
    } cases[] = {{"04", 4}, {"12", 12}, {"7", 7}, {"4\n", 4}, {"3\r\n", 3}, {"123\n", 12}, {"-3", -3}};
    for (const auto& c : cases) {
        EXPECT_EQ(LoadWith(c.text), c.stage) << c.text;
        EXPECT_EQ(message, "") << c.text;
    }
}

TEST_F(LastStageTest, MissingEmptyOrNumberlessFileGivesStageZeroAndAMessage) {
    for (const char* text : {(const char*)nullptr, "", "\n5", "x4"}) {
        EXPECT_EQ(LoadWith(text), 0) << (text ? text : "missing");
        EXPECT_NE(message.find("stageno.txt"), std::string::npos) << message;
    }
}

}  // namespace
