// The results scene: the digit wall of the final score, the score log line
// for each difficulty and character, the log kept across games, a log that
// cannot be written, and the way back to the title.
#include <filesystem>
#include <string>
#include <vector>

#include "game_fixture.h"

namespace {

using testutil::Raw;
using testutil::Rgb;

// Digit d's cell has its own colour; the label another.
Rgb DigitColour(int d) { return {uint8_t(30 + 20 * d), 100, 50}; }
constexpr Rgb LabelColour{250, 250, 250};
constexpr Rgb TitleColour{200, 0, 0};
const std::vector<std::string> LoopStops = {"stop ./data/loop.wav"};

class ResultsTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        testutil::WriteBmp(folder + "/data/chips.bmp", 40, 200, [](int, int y) { return DigitColour(y / 20); });
        testutil::WriteBmp(folder + "/data/chips2.bmp", 80, 140,
                           [](int, int y) { return y >= 120 ? LabelColour : Rgb{0, 0, 0}; });
        testutil::WritePlainBmp(folder + "/data/start.bmp", 240, 240, TitleColour);
        MenuBackImage = LoadPlainPicture("opening.bmp", 320, 240, {1, 200, 1});
        DigitsImage = ktDraw::LoadObject("./data/chips.bmp");
        ChipsImage2 = ktDraw::LoadObject("./data/chips2.bmp");
        MenuLoopSound = LoadTinySound("loop.wav");
        ExpectLoadsWorked();
        ktSystem::SceneId = 4;
    }
    // Checks every cell of the wall in the presented frame against the rows
    // given from the top (the label's cells are covered and skipped).
    void ExpectWall(const std::vector<int>& rows) {
        for (int r = 0; r < 12; r++)
            for (int c = 0; c < 8; c++) {
                const int x = 40 * c + 3, y = 20 * r + 3;
                if (x >= 120 && x < 200 && y >= 110 && y < 130) continue;
                ASSERT_EQ(ShownPixel(x, y), Raw(DigitColour(rows[size_t(r)]))) << "row " << r << " column " << c;
            }
    }
    void Confirm() {
        ktScript::State.keys[ktPlatform::VK_RETURN] = 1;
        ResultsFrame();
        ktScript::State.keys[ktPlatform::VK_RETURN] = 0;
    }
};

TEST_F(ResultsTest, DigitWallSpellsTheScoreFromTheTop) {
    Score = 123;
    ResultsFrame();
    ExpectWall({0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3});
    // The label sits in the middle, over the wall.
    EXPECT_EQ(ShownPixel(120, 110), Raw(LabelColour));
    EXPECT_EQ(ShownPixel(199, 129), Raw(LabelColour));
    EXPECT_EQ(ShownPixel(119, 110), Raw(DigitColour(0)));
    EXPECT_EQ(ShownPixel(200, 129), Raw(DigitColour(0)));
    Score = 4294967295u;
    ResultsFrame();
    ExpectWall({0, 0, 4, 2, 9, 4, 9, 6, 7, 2, 9, 5});
    EXPECT_EQ(ktSystem::SceneId, 4);  // nothing confirmed
}

TEST_F(ResultsTest, EachGameAppendsItsLineAndReturnsToTheTitle) {
    WriteFile("point.txt", std::string("an earlier game\n"));
    const struct {
        int32_t mode, character, stage, combo;
        uint32_t score;
    } games[] = {{2, 0, 3, 1234, 4200000000u}, {1, 1, 2, 0, 0}, {0, 2, 4, -1, 4294967295u}, {7, 1, 1, 5, 9}};
    for (const auto& g : games) {
        GameMode = g.mode, Character = g.character, StageNo = g.stage;
        MaxCombo = g.combo, Score = g.score;
        ktSystem::SceneId = 4;
        ktScript::State.sounds.clear();
        Confirm();
        EXPECT_EQ(ktSystem::SceneId, 2);
        EXPECT_STREQ(ktDraw::ImageObjects[MenuBackImage].name, "./data/start.bmp");
        EXPECT_EQ(ktScript::State.sounds, LoopStops);
    }
    EXPECT_EQ(ReadFile("point.txt"),
              "an earlier game\n"
              "STAGE 3 MAXCOMBO 1234 POINT 4200000000 N:ASTER M:KIDS\n"
              "STAGE 2 MAXCOMBO 0 POINT 0 N:BRIONY M:STANDARD\n"
              "STAGE 4 MAXCOMBO -1 POINT 4294967295 N:CALLA M:MASTER\n"
              "STAGE 1 MAXCOMBO 5 POINT 9 N:BRIONY M:MASTER\n");
}

TEST_F(ResultsTest, PadButtonFourConfirmsAndEnterHeldGoesOnThroughTheTitle) {
    ktScript::State.pads[0] = {1, {32767, 32767, 1u << 0}};
    ktScript::State.keys[ktPlatform::VK_Z] = 1;
    ResultsFrame();
    EXPECT_EQ(ktSystem::SceneId, 4);
    EXPECT_FALSE(std::filesystem::exists(folder + "/point.txt"));
    ktScript::State.pads[0].reading.buttons = 1u << 3;
    ResultsFrame();
    EXPECT_EQ(ktSystem::SceneId, 2);
    // Enter held from the results: the title shows once and goes on.
    ktScript::State.keys[ktPlatform::VK_RETURN] = 1;
    TitleFrame();
    EXPECT_EQ(ShownPixel(100, 100), Raw(TitleColour));
    EXPECT_EQ(ktSystem::SceneId, 5);
    EXPECT_EQ(ReadFile("point.txt"), "STAGE 0 MAXCOMBO 0 POINT 0 N:ASTER M:MASTER\n");
}

}  // namespace
