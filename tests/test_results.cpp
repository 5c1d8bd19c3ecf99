// The results scene: the digit wall of the final score, the score log line
// for each difficulty and character, the log kept across games, a log that
// cannot be written, and the way back to the title.
#include <filesystem>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "game_fixture.h"

namespace {

using testutil::Raw;
using testutil::Rgb;

// Digit d's cell has its own colour; the label another.
Rgb DigitColour(int d) { return {uint8_t(30 + 20 * d), 100, 50}; }
constexpr Rgb LabelColour{250, 250, 250};
constexpr Rgb TitleColour{200, 0, 0};

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

class ResultsTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        testutil::WriteBmp(folder + "/data/chips.bmp", 40, 200,
                           [](int, int y) { return DigitColour(y / 20); });
        testutil::WriteBmp(folder + "/data/chips2.bmp", 80, 140, [](int, int y) {
            return y >= 120 ? LabelColour : Rgb{0, 0, 0};
        });
        testutil::WriteBmp(folder + "/data/start.bmp", 240, 240, [](int, int) { return TitleColour; });
        testutil::WriteBmp(folder + "/data/opening.bmp", 320, 240, [](int, int) { return Rgb{1, 200, 1}; });
        WriteFile("data/loop.wav", SilentWave());
        MenuBackImage = ktDraw::LoadObject("./data/opening.bmp");
        DigitsImage = ktDraw::LoadObject("./data/chips.bmp");
        ChipsImage2 = ktDraw::LoadObject("./data/chips2.bmp");
        MenuLoopSound = ktSound::LoadObject("./data/loop.wav", 1);
        ASSERT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes[0];
        ktSystem::SceneId = 4;
    }

    // Checks every cell of the wall in the presented frame against the rows
    // given from the top (the label's cells are covered and skipped).
    void ExpectWall(const std::vector<int>& rows) {
        ASSERT_EQ(rows.size(), 12u);
        for (int r = 0; r < 12; r++)
            for (int c = 0; c < 8; c++) {
                const int x = 40 * c + 3, y = 20 * r + 3;
                if (x >= 120 && x < 200 && y >= 110 && y < 130) continue;
                ASSERT_EQ(ShownPixel(x, y), Raw(DigitColour(rows[size_t(r)])))
                    << "row " << r << " column " << c;
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
    // Every cell is whole: the bottom-right pixel of the screen too.
    EXPECT_EQ(ShownPixel(319, 239), Raw(DigitColour(3)));

    Score = 0;
    ResultsFrame();
    ExpectWall({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});

    Score = 4200000000u;
    ResultsFrame();
    ExpectWall({0, 0, 4, 2, 0, 0, 0, 0, 0, 0, 0, 0});

    Score = 4294967295u;
    ResultsFrame();
    ExpectWall({0, 0, 4, 2, 9, 4, 9, 6, 7, 2, 9, 5});
    EXPECT_EQ(ktSystem::SceneId, 4);  // nothing confirmed
}

TEST_F(ResultsTest, ConfirmWritesTheLineAndReturnsToTheTitle) {
    StageNo = 3;
    MaxCombo = 1234;
    Score = 4200000000u;
    GameMode = 2;
    Character = 0;
    Confirm();

    EXPECT_EQ(ReadFile("point.txt"), "STAGE 3 MAXCOMBO 1234 POINT 4200000000 N:ASTER M:KIDS\n");
    EXPECT_EQ(ktSystem::SceneId, 2);
    EXPECT_STREQ(ktDraw::ImageObjects[MenuBackImage].name, "./data/start.bmp");
    EXPECT_EQ(ktDraw::ImageObjects[MenuBackImage].surface != nullptr, true);
    EXPECT_EQ(ktScript::State.sounds, std::vector<std::string>{"stop ./data/loop.wav"});
    EXPECT_STREQ(PathBuffer, "N:ASTER");
}

TEST_F(ResultsTest, EachModeAndCharacterHasItsLineAndEarlierLinesStay) {
    WriteFile("point.txt", std::string("an earlier game\n"));
    struct Game {
        int32_t mode, character, stage, combo;
        uint32_t score;
    };
    const Game games[] = {
        {2, 0, 0, 5, 100}, {1, 1, 2, 0, 0}, {0, 2, 4, 99999, 4294967295u}, {7, 1, 1, -1, 9},
    };
    for (const Game& g : games) {
        GameMode = g.mode;
        Character = g.character;
        StageNo = g.stage;
        MaxCombo = g.combo;
        Score = g.score;
        ktSystem::SceneId = 4;
        Confirm();
        EXPECT_EQ(ktSystem::SceneId, 2);
    }
    EXPECT_EQ(ReadFile("point.txt"),
              "an earlier game\n"
              "STAGE 0 MAXCOMBO 5 POINT 100 N:ASTER M:KIDS\n"
              "STAGE 2 MAXCOMBO 0 POINT 0 N:BRIONY M:STANDARD\n"
              "STAGE 4 MAXCOMBO 99999 POINT 4294967295 N:CALLA M:MASTER\n"
              "STAGE 1 MAXCOMBO -1 POINT 9 N:BRIONY M:MASTER\n");
}

TEST_F(ResultsTest, PadButtonFourConfirmsAndNothingElseDoes) {
    ktScript::State.pads[0] = {1, {32767, 32767, 1u << 0}};
    ktScript::State.keys[ktPlatform::VK_Z] = 1;
    ResultsFrame();
    EXPECT_EQ(ktSystem::SceneId, 4);
    EXPECT_FALSE(std::filesystem::exists(folder + "/point.txt"));

    ktScript::State.pads[0].reading.buttons = 1u << 3;
    ResultsFrame();
    EXPECT_EQ(ktSystem::SceneId, 2);
    EXPECT_EQ(ReadFile("point.txt"), "STAGE 0 MAXCOMBO 0 POINT 0 N:ASTER M:MASTER\n");
}

TEST_F(ResultsTest, UnwritableLogGivesAMessageAndStillReturnsToTheTitle) {
    std::filesystem::create_directory(folder + "/point.txt");
    Score = 77;
    ::testing::internal::CaptureStderr();
    Confirm();
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("point.txt"), std::string::npos) << message;
    EXPECT_EQ(ktSystem::SceneId, 2);
    EXPECT_STREQ(ktDraw::ImageObjects[MenuBackImage].name, "./data/start.bmp");
    EXPECT_EQ(ktScript::State.sounds, std::vector<std::string>{"stop ./data/loop.wav"});
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/point.txt"));
}

TEST_F(ResultsTest, EnterHeldIntoTheTitleProceedsThereAtOnce) {
    testutil::WriteBmp(folder + "/data/selemode.bmp", 320, 240, [](int, int) { return Rgb{0, 0, 200}; });
    ktScript::State.keys[ktPlatform::VK_RETURN] = 1;
    ResultsFrame();
    ASSERT_EQ(ktSystem::SceneId, 2);
    TitleFrame();
    EXPECT_EQ(ShownPixel(100, 100), Raw(TitleColour));  // the title was shown once
    EXPECT_EQ(ktSystem::SceneId, 5);
    // One game, one line.
    EXPECT_EQ(ReadFile("point.txt"), "STAGE 0 MAXCOMBO 0 POINT 0 N:ASTER M:MASTER\n");
}

}  // namespace
