// Game state: the resource set and the number of the last stage, the reset
// for a new game, the decimal helpers, the random generator and the score's
// saturation.
#include <cstring>
#include <string>

#include "game_fixture.h"

namespace {

using GameStateTest = GameTest;

TEST_F(GameStateTest, ParseDecimalReadsSignsAndCountsEveryByteAsADigit) {
    EXPECT_EQ(ParseDecimal("-7"), -7);
    EXPECT_EQ(ParseDecimal("+7"), 7);
    EXPECT_EQ(ParseDecimal("07"), 7);
    EXPECT_EQ(ParseDecimal("12"), 12);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("-"), 0);
    // A line end is a digit worth 10 - 48 = -38: "4\n" is 40 - 38.
    EXPECT_EQ(ParseDecimal("4\n"), 2);
    EXPECT_EQ(ParseDecimal("1\n"), -28);
    // Sums wrap around in 32 bits: 10 nines are 9999999999 - 2^32 * 2.
    EXPECT_EQ(ParseDecimal("9999999999"), 1410065407);
}

TEST_F(GameStateTest, FormatDecimalWritesWithoutLeadingZeros) {
    EXPECT_STREQ(FormatDecimal(0), "0");
    EXPECT_STREQ(FormatDecimal(7), "7");
    EXPECT_STREQ(FormatDecimal(10), "10");
    EXPECT_STREQ(FormatDecimal(100), "100");
    EXPECT_STREQ(FormatDecimal(12345678), "12345678");
    EXPECT_STREQ(FormatDecimal(99999999), "99999999");
    // One shared buffer: the next call overwrites it.
    const char* first = FormatDecimal(5);
    FormatDecimal(40);
    EXPECT_STREQ(first, "40");
}

TEST_F(GameStateTest, FormatDecimalOutsideItsRangeStaysInsideItsBuffer) {
    // Not meant for these, but they end and never run past the 9 bytes.
    EXPECT_LE(std::strlen(FormatDecimal(-5)), 8u);
    EXPECT_LE(std::strlen(FormatDecimal(2147483647)), 8u);
    EXPECT_LE(std::strlen(FormatDecimal(100000000)), 8u);
}

TEST_F(GameStateTest, PowersOfTenAndIntegerPowers) {
    EXPECT_EQ(PowerOfTen(0), 1);
    EXPECT_EQ(PowerOfTen(-1), 1);
    EXPECT_EQ(PowerOfTen(-100), 1);
    EXPECT_EQ(PowerOfTen(1), 10);
    EXPECT_EQ(PowerOfTen(9), 1000000000);
    EXPECT_EQ(PowerOfTen(10), 1410065408);  // 10^10 mod 2^32
    EXPECT_EQ(IntPower(2, 17), 131072);
    EXPECT_EQ(IntPower(2, 0), 1);
    EXPECT_EQ(IntPower(7, -3), 1);
    EXPECT_EQ(IntPower(-3, 3), -27);
}

TEST_F(GameStateTest, RandomIsTheGamesLinearCongruentialSequence) {
    SeedRandom(1);
    EXPECT_EQ(Random(), 41);
    EXPECT_EQ(Random(), 18467);
    EXPECT_EQ(Random(), 6334);

    // R(n) is one draw reduced modulo n.
    SeedRandom(1);
    EXPECT_EQ(Random(5), 41 % 5);
    EXPECT_EQ(Random(220), 18467 % 220);
    SeedRandom(12345);
    uint32_t state = 12345;
    for (int i = 0; i < 1000; i++) {
        state = state * 214013u + 2531011u;
        ASSERT_EQ(Random(), int32_t((state >> 16) & 0x7FFF));
    }
}

TEST_F(GameStateTest, RandomOfZeroStillDrawsAndDoesNotDivide) {
    SeedRandom(1);
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(), 18467);  // the first draw was taken
}

TEST_F(GameStateTest, AddScoreSaturatesInsteadOfWrapping) {
    Score = 100;
    AddScore(23);
    EXPECT_EQ(Score, 123u);
    Score = 4294967290u;
    AddScore(5);
    EXPECT_EQ(Score, 4294967295u);
    Score = 4294967290u;
    AddScore(6);
    EXPECT_EQ(Score, 4294967295u);
    Score = 4200000000u;
    AddScore(12000000000ull);
    EXPECT_EQ(Score, 4294967295u);
    AddScore(0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(Score, 4294967295u);
}

TEST_F(GameStateTest, ResetGamePreparesANewGameAndKeepsTheRest) {
    StageNo = 4;
    ComboRunning = 1;
    GameMode = 2;
    ComboTimer = 100.0f;
    Score = 999;
    Lives = 0;
    Bombs = 9;
    Combo = 77;
    MaxCombo = 1234;
    Character = 2;
    LastStage = 4;
    for (auto& shot : PlayerShot) shot.active = 1;
    for (auto& burst : Burst) burst.active = 1;
    DepthShot[3].active = 1;
    FlatShot[7].active = 1;

    ResetGame();

    EXPECT_EQ(StageNo, 0);
    EXPECT_EQ(ComboRunning, 0);
    EXPECT_EQ(GameMode, 0);
    EXPECT_EQ(ComboTimer, 0.0f);
    EXPECT_EQ(Score, 0u);
    EXPECT_EQ(Lives, 3);
    EXPECT_EQ(Bombs, 1);
    EXPECT_EQ(Combo, 0);
    EXPECT_EQ(MaxCombo, 0);
    for (const auto& shot : PlayerShot) ASSERT_EQ(shot.active, 0);
    for (const auto& burst : Burst) ASSERT_EQ(burst.active, 0);
    // Not part of a new game: the character, the last stage, enemy shots.
    EXPECT_EQ(Character, 2);
    EXPECT_EQ(LastStage, 4);
    EXPECT_EQ(DepthShot[3].active, 1);
    EXPECT_EQ(FlatShot[7].active, 1);
}

// ---- The resource set and stageno.txt ----------------------------------------

class LastStageTest : public GameTest {
protected:
    // Loads the resource set with stageno.txt holding `text` (none when null);
    // returns what was written to standard error.
    std::string LoadWith(const char* text) {
        if (text) WriteFile("data/stageno.txt", std::string(text));
        LastStage = 99;
        ::testing::internal::CaptureStderr();
        LoadResourceSet();
        return ::testing::internal::GetCapturedStderr();
    }
};

TEST_F(LastStageTest, TwoDigitsAndSingleDigitsKeepTheirValues) {
    EXPECT_EQ(LoadWith("04"), "");
    EXPECT_EQ(LastStage, 4);
    EXPECT_EQ(LoadWith("12"), "");
    EXPECT_EQ(LastStage, 12);
    EXPECT_EQ(LoadWith("7"), "");
    EXPECT_EQ(LastStage, 7);
    // Only the first two bytes of the first line count.
    EXPECT_EQ(LoadWith("123\n"), "");
    EXPECT_EQ(LastStage, 12);
    EXPECT_EQ(LoadWith("-3"), "");
    EXPECT_EQ(LastStage, -3);
}

TEST_F(LastStageTest, ADigitFollowedByALineEndIsThatDigit) {
    EXPECT_EQ(LoadWith("4\n"), "");
    EXPECT_EQ(LastStage, 4);
    EXPECT_EQ(LoadWith("1\n"), "");
    EXPECT_EQ(LastStage, 1);
    EXPECT_EQ(LoadWith("3\r\n"), "");
    EXPECT_EQ(LastStage, 3);
}

TEST_F(LastStageTest, MissingEmptyOrNumberlessFileGivesStageZeroAndAMessage) {
    std::string message = LoadWith(nullptr);
    EXPECT_EQ(LastStage, 0);
    EXPECT_NE(message.find("stageno.txt"), std::string::npos) << message;

    message = LoadWith("");
    EXPECT_EQ(LastStage, 0);
    EXPECT_NE(message.find("stageno.txt"), std::string::npos) << message;

    message = LoadWith("\n5");
    EXPECT_EQ(LastStage, 0);
    EXPECT_NE(message.find("stageno.txt"), std::string::npos) << message;

    message = LoadWith("x4");
    EXPECT_EQ(LastStage, 0);
    EXPECT_NE(message.find("stageno.txt"), std::string::npos) << message;
}

TEST_F(GameStateTest, ResourceSetLoadsInOrderAndStartsInTheTitle) {
    MenuRow = 2;
    MenuStripPhase = 1;
    LoadRealResources();

    EXPECT_EQ(ktSystem::SceneId, 2);
    EXPECT_EQ(MenuRow, 0);
    EXPECT_EQ(MenuStripPhase, 0);
    EXPECT_TRUE(ktDraw::DisplayOpen);

    // Images take slots 2 upward in load order; sounds slots 0 upward.
    struct Loaded {
        int32_t handle;
        int32_t slot;
        const char* name;
    };
    const Loaded images[] = {
        {MenuBackImage, 2, "./data/start.bmp"}, {StageImage, 3, "./data/stage1.bmp"},
        {ChipsImage2, 4, "./data/chips2.bmp"},  {DigitsImage, 5, "./data/chips.bmp"},
        {MenuBarImage, 6, "./data/tlop.bmp"},
    };
    for (const Loaded& image : images) {
        EXPECT_EQ(image.handle, image.slot) << image.name;
        EXPECT_STREQ(ktDraw::ImageObjects[image.handle].name, image.name);
        EXPECT_NE(ktDraw::ImageObjects[image.handle].surface, nullptr) << image.name;
    }
    const Loaded sounds[] = {
        {ShotSound, 0, "./data/shot.wav"},    {HitSound, 1, "./data/hit.wav"},
        {BombSound, 2, "./data/bomb.wav"},    {FlatShotSound, 3, "./data/h2d.wav"},
        {MenuLoopSound, 4, "./data/loop.wav"}, {DepthShotSound, 5, "./data/h3d.wav"},
        {ComboEndSound, 6, "./data/x.wav"},   {StageMusic, 7, "./data/music.wav"},
        {LaserSound, 8, "./data/lazer.wav"},
    };
    for (const Loaded& sound : sounds) {
        EXPECT_EQ(sound.handle, sound.slot) << sound.name;
        EXPECT_STREQ(ktSound::SoundObjects[sound.handle].name, sound.name);
        EXPECT_EQ(ktSound::SoundObjects[sound.handle].copies, 1) << sound.name;
    }
    // The generated data names a last stage.
    EXPECT_GT(LastStage, 0);
}

}  // namespace
