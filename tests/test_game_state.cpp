// Game state: the resource set and the number of the last stage, and the
// reset for a new game. (The decimal helpers and the random draws: the
// stage-number file, the panel, the score log and the stage estimate.)
#include <filesystem>
#include <string>
#include <tuple>

#include "game_fixture.h"

namespace {

using GameStateTest = GameTest;

TEST_F(GameStateTest, ResetGamePreparesANewGameAndKeepsTheRest) {
    StageNo = 4, ComboRunning = 1, GameMode = 2, ComboTimer = 100.0f, Score = 999;
    Lives = 0, Bombs = 9, Combo = 77, MaxCombo = 1234, Character = 2, LastStage = 4;
    for (auto& shot : PlayerShot) shot.active = 1;
    for (auto& burst : Burst) burst.active = 1;
    DepthShot[3].active = 1;
    FlatShot[7].active = 1;
    ResetGame();
    EXPECT_EQ(std::tuple(StageNo, ComboRunning, GameMode, Combo, MaxCombo, ComboTimer, Score, Lives, Bombs),
              std::tuple(0, 0, 0, 0, 0, 0.0f, 0u, 3, 1));
    EXPECT_EQ(std::tuple(ActiveIn(PlayerShot), ActiveIn(Burst)), std::tuple(0, 0));
    // Not part of a new game: the character, the last stage, enemy shots.
    EXPECT_EQ(std::tuple(Character, LastStage, DepthShot[3].active + FlatShot[7].active), std::tuple(2, 4, 2));
}

// A replay's stage folder goes with the rest of the game's state (a watched
// replay ends the program without letting go of it; a test program that runs
// every test in one process went on reading its stages from there).
TEST_F(GameStateTest, ZeroingTheStateLetsGoOfAReplaysStageFolder) {
    SetStageFolder("/replay/data/");
    ZeroGameState();
    EXPECT_EQ(std::string(StageDataPath("bshp.dat")).find("/replay/"), std::string::npos);
}

TEST_F(GameStateTest, ResourceSetLoadsInOrderAndStartsInTheTitle) {
    MenuRow = 2, MenuStripPhase = 1;
    LinkRealData();
    LoadResourceSet();
    EXPECT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes.front();
    EXPECT_EQ(std::tuple(ktSystem::SceneId, MenuRow, MenuStripPhase, LastStage), std::tuple(2, 0, 0, 4));
    // Images take slots 2 upward in load order, sounds slots 0 upward.
    std::string loaded;
    for (int32_t image : {MenuBackImage, StageImage, ChipsImage2, DigitsImage, MenuBarImage})
        loaded += std::to_string(image) + ktDraw::ImageObjects[image].name + " ";
    for (int32_t sound :
         {ShotSound, HitSound, BombSound, FlatShotSound, MenuLoopSound, DepthShotSound, ComboEndSound, StageMusic, LaserSound})
        loaded += std::to_string(sound) + ktSound::SoundObjects[sound].name + " ";
    EXPECT_EQ(loaded, "2./data/start.bmp 3./data/stage1.bmp 4./data/chips2.bmp 5./data/chips.bmp 6./data/tlop.bmp "
                      "0./data/shot.wav 1./data/hit.wav 2./data/bomb.wav 3./data/h2d.wav 4./data/loop.wav "
                      "5./data/h3d.wav 6./data/x.wav 7./data/music.wav 8./data/lazer.wav ");
}

// The last stage's number is read from the digits of the first two bytes of
// stageno.txt; a missing, empty or numberless file gives stage 0 and a
// message.
TEST_F(GameStateTest, LastStageIsReadFromTheDigitsOfTheFirstTwoBytes) {
    const struct {
        const char* text;  // null: no file
        int32_t stage;
    } cases[] = {{"04", 4}, {"12", 12}, {"7", 7}, {"4\n", 4}, {"3\r\n", 3}, {"123\n", 12}, {"-3", -3},
                 {nullptr, 0}, {"", 0}, {"\n5", 0}, {"x4", 0}};
    for (const auto& c : cases) {
        if (c.text)
            WriteFile("data/stageno.txt", std::string(c.text));
        else
            std::filesystem::remove(folder + "/data/stageno.txt");
        LastStage = 99;
        testutil::CapturedStderr captured;
        LoadResourceSet();
        const std::string message = captured.Take();
        EXPECT_EQ(LastStage, c.stage) << (c.text ? c.text : "missing");
        EXPECT_EQ(message.find("stageno.txt") != std::string::npos, c.stage == 0) << message;
    }
}

}  // namespace
