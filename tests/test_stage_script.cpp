// Stage loading and the two script streams: what StartStage sets, the file
// names, the boss's hit points, the timing of the streams with their
// end-of-file pass and reopen, missing and empty streams, and the end of a
// stage with the next stage or the win bonus.
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "game_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Calls = std::vector<std::string>;

class StageTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        StageImage = LoadPlainPicture("stage1.bmp", 240, 240, {10, 20, 30});
        DepthShotSound = LoadTinySound("h3d.wav");
        FlatShotSound = LoadTinySound("h2d.wav");
        StageMusic = LoadTinySound("music.wav");
        MenuLoopSound = LoadTinySound("loop.wav");
        ExpectLoadsWorked();
        WriteFile("data/stageno.txt", std::string("01"));  // the working folder's own stage set
        WriteFile("data/bshp.dat", Bytes{1, 2});
        GameMode = 1;
    }
    void WriteStage(int stage, const Bytes& da1, const Bytes& da2) {
        WriteFile("data/stage" + std::to_string(stage) + ".da1", da1);
        WriteFile("data/stage" + std::to_string(stage) + ".da2", da2);
    }
    // Starts the stage with both streams due on the next frame of any step.
    void StartAndWait() {
        StartStage();
        Script1Delay = Script2Delay = 0.0f;
        ktScript::State.sounds.clear();
    }
    static int DepthSounds() { return SoundCalls("play ./data/h3d.wav"); }
    static int FlatSounds() { return SoundCalls("play ./data/h2d.wav"); }
    // One first-stream frame of `step` seconds; the count of pattern calls it
    // made (each one turns BossPose, modulo 4).
    static int Script1Frame(float step) {
        const int32_t before = BossPose;
        GameDelta = step;
        StepScript1();
        return (BossPose - before + 4) % 4;
    }
    // The same, with the depth and flat sounds played so far.
    static std::tuple<int, int, int> Script1Calls(float step) {
        const int calls = Script1Frame(step);
        return {calls, DepthSounds(), FlatSounds()};
    }
    // What went to standard error while `run` ran.
    template <typename Run>
    static std::string Messages(Run run) {
        testutil::CapturedStderr captured;
        run();
        return captured.Take();
    }
};

// Stage 10: its files are named without leading zeros.
TEST_F(StageTest, StartStageSetsUpTheStageAndLeavesTheGameAlone) {
    WriteFile("data/bshp.dat", Bytes{1, 9, 9, 9, 9, 9, 9, 9, 9, 9, 2});
    WriteStage(10, Bytes{0, 0, 0}, Bytes{0, 0});
    StageNo = 10, HitTimer = 3.5f, BossX = 10.0f, BossY = 11.0f, BossPose = 3, BossVX = 100, BossVY = -200;
    ReverseCooldown = 2.5f, Lives = 1, PlayerX = 30.0f, PlayerY = 40.0f, ShotTimer = 0.5f, PlayerFrame = 2;
    ReverseStock = 0, StageTime = 12.0f, DepthShotCursor = 9, FlatShotCursor = 8, PlayerShotCursor = 7;
    BurstCursor = 6, SideScroll = 100.0f, CenterScroll = 50.0f, Bombs = 3, BombTimer = 20.0f;
    Score = 1234, Combo = 55, MaxCombo = 66;
    for (auto& shot : DepthShot) shot.active = 1;
    for (auto& shot : FlatShot) shot.active = 1;
    PlayerShot[4].active = 1;
    Burst[6].active = 1;
    StartStage();
    EXPECT_EQ(std::tuple(HitTimer, ReverseCooldown, StageTime, ShotTimer, SideScroll, CenterScroll, BombTimer),
              std::tuple(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(std::tuple(BossX, BossY, BossPose, BossVX, BossVY, BossHp), std::tuple(120.0f, 50.0f, 0, 0, 0, 2 * 500));
    EXPECT_EQ(std::tuple(Lives, PlayerX, PlayerY, PlayerFrame, ReverseStock, Bombs), std::tuple(3, 120.0f, 200.0f, 0, 2, 5));
    EXPECT_EQ(std::tuple(ActiveIn(DepthShot), ActiveIn(FlatShot), Script1Delay, Script2Delay), std::tuple(0, 0, 3.0f, 3.0f));
    EXPECT_EQ(std::tuple(DepthShotCursor, FlatShotCursor, PlayerShotCursor, BurstCursor), std::tuple(0, 0, 0, 0));
    EXPECT_TRUE(Script1File && Script2File);
    EXPECT_STREQ(ktDraw::ImageObjects[StageImage].name, "./data/stage10.bmp");
    EXPECT_EQ(ktScript::State.sounds, (Calls{"stop ./data/music.wav", "loop ./data/music.wav"}));
    // Shots and bursts in flight, points and the combo carry over.
    EXPECT_EQ(std::tuple(PlayerShot[4].active, Burst[6].active, Score, Combo, MaxCombo), std::tuple(1, 1, 1234u, 55, 66));
}

TEST_F(StageTest, BossHpByModeStocksAndMissingBytes) {
    WriteFile("data/bshp.dat", Bytes{3, 1, 255});
    for (int stage = 0; stage < 4; stage++) WriteStage(stage, Bytes{0, 0, 20}, Bytes{0, 20});
    const struct {
        int32_t mode, stage, hp;
    } cases[] = {{2, 0, 750}, {2, 1, 250}, {1, 0, 1500}, {0, 2, 127500}, {1, 3, -500}, {2, 3, -250}};
    for (const auto& c : cases) {
        GameMode = c.mode, StageNo = c.stage;
        StartStage();
        EXPECT_EQ(BossHp, c.hp) << "mode " << c.mode << " stage " << c.stage;
    }
    // Bombs stop at 15; lives have no ceiling.
    for (const int32_t bombs : {13, 14, 15}) {
        Bombs = bombs;
        StartStage();
        EXPECT_EQ(Bombs, 15) << "from " << bombs;
    }
    Lives = 20;
    StartStage();
    EXPECT_EQ(Lives, 22);
    std::filesystem::remove(folder + "/data/bshp.dat");
    const std::string message = Messages([] { StartStage(); });
    EXPECT_EQ(BossHp, -250);
    EXPECT_NE(message.find("bshp.dat"), std::string::npos) << message;
}

TEST_F(StageTest, FirstStreamReadsAnEntryAFrameKeepsTheRemainderAndStartsOverAfterAnEndOfFilePass) {
    WriteStage(0, Bytes{13, 0, 0, 13, 0, 0, 49, 60, 40}, Bytes{});
    StartStage();
    for (int i = 0; i < 3; i++) EXPECT_EQ(Script1Frame(1.0f), 0);  // 3 s in; 0 is not due
    EXPECT_EQ(DepthSounds(), 0);
    // Delays of 0 bring the next entry on the next frame, never two at once;
    // 49 is a depth code (it clears the depth shots, silently), 60 a flat one.
    for (int entry = 1; entry <= 2; entry++) EXPECT_EQ(Script1Calls(0.1f), std::tuple(2, entry, 0));
    EXPECT_EQ(Script1Calls(0.1f), std::tuple(2, 2, 1));
    EXPECT_EQ(ActiveIn(DepthShot), 0);
    // The 2-second delay is added to the -0.3 left over.
    EXPECT_NEAR(Script1Delay, -0.3f + 2.0f, 1e-5);
    EXPECT_EQ(Script1Frame(1.6f), 0);
    EXPECT_EQ(Script1Calls(0.2f), std::tuple(2, 2, 1));  // end of file: two silent -1 codes
    EXPECT_NEAR(Script1Delay, -0.1f - 0.05f, 1e-5);
    EXPECT_EQ(Script1Calls(0.01f), std::tuple(2, 3, 1));  // reopened: the first entry again
}

TEST_F(StageTest, MissingEmptyOrVanishedStreamsReadNothingUntilTheNextStage) {
    const std::string message = Messages([this] { StartAndWait(); });
    EXPECT_NE(message.find("./data/stage0.da1"), std::string::npos) << message;
    EXPECT_NE(message.find("./data/stage0.da2"), std::string::npos) << message;
    BossVX = 77;
    EXPECT_EQ(Script1Frame(0.1f), 0);
    StepScript2();
    EXPECT_EQ(BossVX, 77);
    // Empty files, or a folder in a stream's place, give no byte: closed.
    WriteStage(0, Bytes{}, Bytes{});
    StartAndWait();
    EXPECT_EQ(Script1Frame(0.1f), 0);
    StepScript2();
    EXPECT_EQ(std::tuple(Script1File, Script2File), std::tuple(nullptr, nullptr));
    std::filesystem::remove(folder + "/data/stage0.da1");
    std::filesystem::create_directory(folder + "/data/stage0.da1");
    StartAndWait();
    EXPECT_EQ(Script1Frame(0.1f), 0);
    EXPECT_EQ(Script1File, nullptr);
    // A file that vanishes is read to its end, then the reopen fails.
    std::filesystem::remove(folder + "/data/stage0.da1");
    WriteStage(0, Bytes{13, 0, 0}, Bytes{9, 20});
    StartAndWait();
    EXPECT_EQ(Script1Frame(0.1f), 2);
    std::error_code held;
    std::filesystem::remove(folder + "/data/stage0.da1", held);
    if (held) GTEST_SKIP() << "this system keeps a file that is open from being removed";
    Messages([] { EXPECT_EQ(Script1Frame(0.1f), 2); });
    EXPECT_EQ(Script1File, nullptr);
    EXPECT_EQ(Script1Frame(0.1f), 0);
}

// ---- The end of a stage -------------------------------------------------------

TEST_F(StageTest, BeatenBossStartsTheNextStageAndTheLastPaysTheWinBonus) {
    for (int stage : {0, 1}) WriteStage(stage, Bytes{13, 0, 0}, Bytes{5, 0});
    LastStage = 1, Lives = 3, Bombs = 1, Score = 500;
    ktSystem::SceneId = 1;
    StartStage();
    BossHp = 0;
    CheckStageClear();  // 0 is still standing
    EXPECT_EQ(std::tuple(StageNo, Script1File != nullptr), std::tuple(0, true));
    BossHp = -1, HitTimer = 2.0f;
    CheckStageClear();
    // No bonus between stages.
    EXPECT_EQ(std::tuple(StageNo, BossHp, HitTimer, Lives, Score, ktSystem::SceneId), std::tuple(1, 1000, 0.0f, 7, 500u, 1));
    Lives = 2, Bombs = 1, Score = 100, MaxCombo = 7, BossHp = -3;
    ktScript::State.sounds.clear();
    CheckStageClear();
    EXPECT_EQ(std::tuple(Score, MaxCombo, ktSystem::SceneId, Script1File, Script2File),
              std::tuple(100u + 12000000u, 7 + 1200, 4, nullptr, nullptr));
    EXPECT_EQ(ktScript::State.sounds, (Calls{"stop ./data/music.wav", "loop ./data/loop.wav"}));
    BossVX = 33;
    GameDelta = 0.1f;
    StepScript2();  // the rest of that frame reads no stream
    EXPECT_EQ(BossVX, 33);
    StageNo = LastStage = 3, Lives = 10, Bombs = 15, BossHp = -1, MaxCombo = 0, Score = 4200000000u;
    CheckStageClear();
    EXPECT_EQ(std::tuple(Score, MaxCombo), std::tuple(4294967295u, 10 * 300 + 15 * 600));  // the score saturates
}

}  // namespace
