// Stage loading and the two script streams: what StartStage sets, the file
// names, the boss's hit points, the timing of the streams with their
// end-of-file pass and reopen, missing and empty streams, and the end of a
// stage with the next stage or the win bonus.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "game_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

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

class StageTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        testutil::WriteBmp(folder + "/data/stage1.bmp", 240, 240,
                           [](int, int) { return testutil::Rgb{10, 20, 30}; });
        for (const char* name : {"h3d", "h2d", "music", "loop"})
            WriteFile(std::string("data/") + name + ".wav", SilentWave());
        StageImage = ktDraw::LoadObject("./data/stage1.bmp");
        DepthShotSound = ktSound::LoadObject("./data/h3d.wav", 1);
        FlatShotSound = ktSound::LoadObject("./data/h2d.wav", 1);
        StageMusic = ktSound::LoadObject("./data/music.wav", 1);
        MenuLoopSound = ktSound::LoadObject("./data/loop.wav", 1);
        ASSERT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes[0];
        ASSERT_GE(StageImage, 2);
        GameMode = 1;
    }

    // Writes the stage's two streams and bshp.dat.
    void WriteStage(int stage, const Bytes& da1, const Bytes& da2) {
        WriteFile("data/stage" + std::to_string(stage) + ".da1", da1);
        WriteFile("data/stage" + std::to_string(stage) + ".da2", da2);
    }

    // Starts the stage and lets both streams' first 3 seconds run out to
    // exactly 0, so the next frame with any step reads an entry.
    void StartAndWait() {
        StartStage();
        Script1Delay = 0.0f;
        Script2Delay = 0.0f;
        ktScript::State.sounds.clear();
    }

    static int Count(const std::string& call) {
        const auto& sounds = ktScript::State.sounds;
        return int(std::count(sounds.begin(), sounds.end(), call));
    }
    static int DepthSounds() { return Count("play ./data/h3d.wav"); }
    static int FlatSounds() { return Count("play ./data/h2d.wav"); }

    // One first-stream frame of `step` seconds; returns how many pattern
    // calls it made (BossPose counts every call, modulo 4).
    static int Script1Frame(float step) {
        const int32_t before = BossPose;
        GameDelta = step;
        StepScript1();
        return (BossPose - before + 4) % 4;
    }
};

TEST_F(StageTest, StartStageSetsUpTheStageAndLeavesTheGameAlone) {
    WriteFile("data/bshp.dat", Bytes{7, 3});
    WriteStage(1, Bytes{0, 0, 0}, Bytes{0, 0});
    StageNo = 1;
    HitTimer = 3.5f;
    BossX = 10.0f;
    BossY = 11.0f;
    BossPose = 3;
    BossVX = 100;
    BossVY = -200;
    ReverseCooldown = 2.5f;
    Lives = 1;
    PlayerX = 30.0f;
    PlayerY = 40.0f;
    ShotTimer = 0.5f;
    PlayerFrame = 2;
    ReverseStock = 0;
    for (auto& shot : DepthShot) shot.active = 1;
    for (auto& shot : FlatShot) shot.active = 1;
    PlayerShot[4].active = 1;
    Burst[6].active = 1;
    StageTime = 12.0f;
    DepthShotCursor = 9;
    FlatShotCursor = 8;
    PlayerShotCursor = 7;
    BurstCursor = 6;
    SideScroll = 100.0f;
    CenterScroll = 50.0f;
    Bombs = 3;
    BombTimer = 20.0f;
    Score = 1234;
    Combo = 55;
    ComboTimer = 100.0f;
    MaxCombo = 66;
    Character = 2;
    ktScript::State.sounds.clear();

    StartStage();

    EXPECT_EQ(HitTimer, 0.0f);
    EXPECT_EQ(BossX, 120.0f);
    EXPECT_EQ(BossY, 50.0f);
    EXPECT_EQ(BossPose, 0);
    EXPECT_EQ(BossVX, 0);
    EXPECT_EQ(BossVY, 0);
    EXPECT_EQ(BossHp, 3 * 500);
    EXPECT_EQ(BossHpFile, nullptr);
    EXPECT_EQ(ReverseCooldown, 0.0f);
    EXPECT_EQ(Lives, 3);
    EXPECT_EQ(PlayerX, 120.0f);
    EXPECT_EQ(PlayerY, 200.0f);
    EXPECT_EQ(ShotTimer, 0.0f);
    EXPECT_EQ(PlayerFrame, 0);
    EXPECT_EQ(ReverseStock, 2);
    for (const auto& shot : DepthShot) ASSERT_EQ(shot.active, 0);
    for (const auto& shot : FlatShot) ASSERT_EQ(shot.active, 0);
    EXPECT_EQ(Script1Delay, 3.0f);
    EXPECT_EQ(Script2Delay, 3.0f);
    EXPECT_EQ(StageTime, 0.0f);
    EXPECT_EQ(DepthShotCursor, 0);
    EXPECT_EQ(FlatShotCursor, 0);
    EXPECT_EQ(PlayerShotCursor, 0);
    EXPECT_EQ(BurstCursor, 0);
    EXPECT_EQ(SideScroll, 0.0f);
    EXPECT_EQ(CenterScroll, 0.0f);
    EXPECT_EQ(Bombs, 5);
    EXPECT_EQ(BombTimer, 0.0f);
    EXPECT_NE(Script1File, nullptr);
    EXPECT_NE(Script2File, nullptr);
    EXPECT_STREQ(ktDraw::ImageObjects[StageImage].name, "./data/stage1.bmp");
    EXPECT_EQ(ktScript::State.sounds,
              (std::vector<std::string>{"stop ./data/music.wav", "loop ./data/music.wav"}));
    // Shots and bursts in flight, points and the combo carry over.
    EXPECT_EQ(PlayerShot[4].active, 1);
    EXPECT_EQ(Burst[6].active, 1);
    EXPECT_EQ(Score, 1234u);
    EXPECT_EQ(Combo, 55);
    EXPECT_EQ(ComboTimer, 100.0f);
    EXPECT_EQ(MaxCombo, 66);
    EXPECT_EQ(Character, 2);
    EXPECT_EQ(GameMode, 1);
}

TEST_F(StageTest, BossHpByModeAndStocksAtStageStart) {
    WriteFile("data/bshp.dat", Bytes{3, 1, 255});
    struct Case {
        int32_t mode, stage, hp;
    };
    const Case cases[] = {
        {2, 0, 750}, {2, 1, 250}, {1, 0, 1500}, {0, 1, 500}, {0, 2, 127500}, {2, 2, 63750},
    };
    ::testing::internal::CaptureStderr();  // this stage has no streams
    for (const Case& c : cases) {
        GameMode = c.mode;
        StageNo = c.stage;
        StartStage();
        EXPECT_EQ(BossHp, c.hp) << "mode " << c.mode << " stage " << c.stage;
    }

    // Bombs stop at 15; lives have no ceiling.
    const int32_t bombs[][2] = {{0, 2}, {13, 15}, {14, 15}, {15, 15}};
    for (const auto& b : bombs) {
        Bombs = b[0];
        StartStage();
        EXPECT_EQ(Bombs, b[1]) << "from " << b[0];
    }
    Lives = 20;
    StartStage();
    EXPECT_EQ(Lives, 22);
    ::testing::internal::GetCapturedStderr();
}

TEST_F(StageTest, MissingBossBytesCountAsMinusOne) {
    WriteFile("data/bshp.dat", Bytes{3, 1});
    WriteStage(2, Bytes{0, 0, 20}, Bytes{0, 20});
    StageNo = 2;  // one byte short
    StartStage();
    EXPECT_EQ(BossHp, -500);
    GameMode = 2;
    StartStage();
    EXPECT_EQ(BossHp, -250);

    WriteStage(0, Bytes{0, 0, 20}, Bytes{0, 20});
    std::filesystem::remove(folder + "/data/bshp.dat");
    StageNo = 0;
    GameMode = 1;
    ::testing::internal::CaptureStderr();
    StartStage();
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(BossHp, -500);
    EXPECT_NE(message.find("bshp.dat"), std::string::npos) << message;
    GameMode = 2;
    ::testing::internal::CaptureStderr();
    StartStage();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(BossHp, -250);
}

TEST_F(StageTest, StageFilesAreNamedWithoutLeadingZeros) {
    WriteFile("data/bshp.dat", Bytes(11, 2));
    WriteStage(0, Bytes{13, 0, 20}, Bytes{5, 20});
    StageNo = 0;
    StartStage();
    EXPECT_NE(Script1File, nullptr);
    EXPECT_NE(Script2File, nullptr);
    EXPECT_STREQ(ktDraw::ImageObjects[StageImage].name, "./data/stage0.bmp");

    WriteStage(10, Bytes{13, 0, 20}, Bytes{5, 20});
    StageNo = 10;
    StartStage();
    EXPECT_NE(Script1File, nullptr);
    EXPECT_NE(Script2File, nullptr);
    EXPECT_STREQ(ktDraw::ImageObjects[StageImage].name, "./data/stage10.bmp");
    EXPECT_STREQ(PathBuffer, "./data/stage10.da2");
    // The streams are stage 10's own: its first entries steer and fire.
    Script1Delay = 0.0f;
    Script2Delay = 0.0f;
    GameDelta = 0.01f;
    StepScript1();
    StepScript2();
    EXPECT_EQ(DepthSounds(), 1);
    EXPECT_EQ(BossVY, 100);
}

TEST_F(StageTest, FirstStreamReadsOneEntryPerFrameAndKeepsTheRemainder) {
    WriteFile("data/bshp.dat", Bytes{1});
    WriteStage(0, Bytes{13, 0, 0, 13, 0, 0, 13, 0, 40}, Bytes{});
    StartStage();

    // Both streams start 3 seconds in.
    EXPECT_EQ(Script1Frame(1.0f), 0);
    EXPECT_EQ(Script1Frame(1.0f), 0);
    EXPECT_EQ(Script1Frame(1.0f), 0);  // exactly 0 is not below 0
    EXPECT_EQ(DepthSounds(), 0);

    // A long overdue stream still reads one entry per frame; delays of 0
    // bring the next entry on the very next frame.
    EXPECT_EQ(Script1Frame(0.1f), 2);
    EXPECT_EQ(DepthSounds(), 1);
    EXPECT_NEAR(Script1Delay, -0.1f, 1e-5);
    EXPECT_EQ(Script1Frame(0.1f), 2);
    EXPECT_EQ(DepthSounds(), 2);
    EXPECT_EQ(Script1Frame(0.1f), 2);
    EXPECT_EQ(DepthSounds(), 3);
    // The 2-second delay is added to the -0.3 left over.
    EXPECT_NEAR(Script1Delay, -0.3f + 2.0f, 1e-5);
    EXPECT_EQ(Script1Frame(1.6f), 0);
    EXPECT_EQ(Script1Frame(0.2f), 2);  // the end-of-file pass: two -1 codes
    EXPECT_EQ(DepthSounds(), 3);
    EXPECT_NEAR(Script1Delay, -0.1f - 0.05f, 1e-5);
}

TEST_F(StageTest, OneEntryStreamRepeatsWithItsEndOfFilePass) {
    WriteFile("data/bshp.dat", Bytes{1});
    WriteStage(0, Bytes{13, 60, 20}, Bytes{});
    StartAndWait();

    EXPECT_EQ(Script1Frame(0.5f), 2);  // the entry: a depth and a flat pattern
    EXPECT_EQ(DepthSounds(), 1);
    EXPECT_EQ(FlatSounds(), 1);
    EXPECT_NEAR(Script1Delay, 0.5f, 1e-5);
    EXPECT_EQ(Script1Frame(0.25f), 0);
    EXPECT_EQ(Script1Frame(0.5f), 2);  // end of file: -1 twice, silent
    EXPECT_EQ(DepthSounds(), 1);
    EXPECT_EQ(FlatSounds(), 1);
    EXPECT_NEAR(Script1Delay, -0.25f - 0.05f, 1e-5);
    ASSERT_NE(Script1File, nullptr);  // reopened
    EXPECT_EQ(Script1Frame(0.01f), 2);  // the entry again, on the next frame
    EXPECT_EQ(DepthSounds(), 2);
    EXPECT_EQ(FlatSounds(), 2);
}

TEST_F(StageTest, CodesBelowFiftyAreDepthPatternsTheRestFlat) {
    WriteFile("data/bshp.dat", Bytes{1});
    WriteStage(0, Bytes{49, 50, 20}, Bytes{});
    StartAndWait();
    for (auto& shot : DepthShot) shot.active = 1;
    EXPECT_EQ(Script1Frame(0.1f), 2);
    // 49 clears the depth shots without a sound; 50 is a flat code.
    for (const auto& shot : DepthShot) ASSERT_EQ(shot.active, 0);
    EXPECT_EQ(DepthSounds(), 0);
    EXPECT_EQ(FlatSounds(), 1);
}

TEST_F(StageTest, OddLengthStreamReadsMinusOneForTheMissingBytesThenReopens) {
    WriteFile("data/bshp.dat", Bytes{1});
    WriteStage(0, Bytes{13, 0, 20, 60}, Bytes{});
    StartAndWait();
    EXPECT_EQ(Script1Frame(0.1f), 2);
    EXPECT_EQ(DepthSounds(), 1);
    EXPECT_EQ(Script1Frame(1.0f), 2);  // 60 and a missing code, missing delay
    EXPECT_EQ(FlatSounds(), 1);
    EXPECT_NEAR(Script1Delay, -0.1f - 0.05f, 1e-5);
    ASSERT_NE(Script1File, nullptr);
    EXPECT_EQ(Script1Frame(0.01f), 2);  // from the start again
    EXPECT_EQ(DepthSounds(), 2);
    EXPECT_EQ(FlatSounds(), 1);
}

TEST_F(StageTest, MissingStreamsReadNothingUntilTheNextStage) {
    WriteFile("data/bshp.dat", Bytes{1});
    ::testing::internal::CaptureStderr();
    StartAndWait();
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Script1File, nullptr);
    EXPECT_EQ(Script2File, nullptr);
    EXPECT_NE(message.find("./data/stage0.da1"), std::string::npos) << message;
    EXPECT_NE(message.find("./data/stage0.da2"), std::string::npos) << message;

    BossVX = 77;
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(Script1Frame(0.1f), 0);
        StepScript2();
    }
    EXPECT_EQ(BossVX, 77);
    EXPECT_EQ(Script1File, nullptr);

    // The next stage start tries again.
    WriteStage(0, Bytes{13, 0, 20}, Bytes{9, 20});
    StartAndWait();
    EXPECT_EQ(Script1Frame(0.1f), 2);
    StepScript2();
    EXPECT_EQ(BossVX, -100);
}

TEST_F(StageTest, EmptyStreamsAreClosedWithoutAnEntry) {
    WriteFile("data/bshp.dat", Bytes{1});
    WriteStage(0, Bytes{}, Bytes{});
    StartAndWait();
    ASSERT_NE(Script1File, nullptr);
    ASSERT_NE(Script2File, nullptr);
    BossVX = 77;
    EXPECT_EQ(Script1Frame(0.1f), 0);
    GameDelta = 0.1f;
    StepScript2();
    EXPECT_EQ(Script1File, nullptr);
    EXPECT_EQ(Script2File, nullptr);
    EXPECT_EQ(Script1Frame(0.1f), 0);
    StepScript2();
    EXPECT_EQ(BossVX, 77);

    // A folder in a stream's place opens but gives no byte: the same.
    std::filesystem::remove(folder + "/data/stage0.da1");
    std::filesystem::create_directory(folder + "/data/stage0.da1");
    StartAndWait();
    EXPECT_EQ(Script1Frame(0.1f), 0);
    EXPECT_EQ(Script1File, nullptr);
}

TEST_F(StageTest, AStreamWhoseFileVanishesStopsAtItsEnd) {
    WriteFile("data/bshp.dat", Bytes{1});
    WriteStage(0, Bytes{13, 0, 0}, Bytes{});
    StartAndWait();
    EXPECT_EQ(Script1Frame(0.1f), 2);
    std::filesystem::remove(folder + "/data/stage0.da1");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Script1Frame(0.1f), 2);  // the end-of-file pass; the reopen fails
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Script1File, nullptr);
    for (int i = 0; i < 3; i++) EXPECT_EQ(Script1Frame(0.1f), 0);
}

TEST_F(StageTest, SecondStreamSteersTheBossOneEntryPerFrame) {
    WriteFile("data/bshp.dat", Bytes{1});
    WriteStage(0, Bytes{}, Bytes{5, 0, 9, 20, 13});
    StartAndWait();
    GameDelta = 0.1f;
    StepScript2();
    EXPECT_EQ(BossVX, 0);
    EXPECT_EQ(BossVY, 100);
    StepScript2();
    EXPECT_EQ(BossVX, -100);
    EXPECT_EQ(BossVY, 0);
    EXPECT_NEAR(Script2Delay, -0.2f + 1.0f, 1e-5);
    GameDelta = 1.0f;
    StepScript2();  // 13, then a missing delay byte: -1/20 s and the reopen
    EXPECT_EQ(BossVX, 100);
    EXPECT_NEAR(Script2Delay, -0.2f - 0.05f, 1e-5);
    ASSERT_NE(Script2File, nullptr);
    GameDelta = 0.01f;
    StepScript2();  // from the start again
    EXPECT_EQ(BossVX, 0);
    EXPECT_EQ(BossVY, 100);
}

TEST_F(StageTest, SecondStreamEndOfFileChangesNothingThenRepeats) {
    WriteFile("data/bshp.dat", Bytes{1});
    WriteStage(0, Bytes{}, Bytes{9, 20});
    StartAndWait();
    GameDelta = 0.5f;
    StepScript2();
    EXPECT_EQ(BossVX, -100);
    BossVX = 42;
    GameDelta = 0.75f;
    StepScript2();  // SteerBoss(-1)
    EXPECT_EQ(BossVX, 42);
    EXPECT_NEAR(Script2Delay, -0.25f - 0.05f, 1e-5);
    GameDelta = 0.01f;
    StepScript2();
    EXPECT_EQ(BossVX, -100);
}

TEST_F(StageTest, CloseScriptsLeavesBothStreamsNull) {
    WriteFile("data/bshp.dat", Bytes{1});
    WriteStage(0, Bytes{13, 0, 0}, Bytes{5, 0});
    StartStage();
    CloseScripts();
    EXPECT_EQ(Script1File, nullptr);
    EXPECT_EQ(Script2File, nullptr);
    CloseScripts();  // twice is harmless
    Script1Delay = -1.0f;
    EXPECT_EQ(Script1Frame(0.1f), 0);
}

// ---- The end of a stage -------------------------------------------------------

TEST_F(StageTest, BossStillStandingKeepsTheStage) {
    WriteFile("data/bshp.dat", Bytes{1, 2});
    WriteStage(0, Bytes{13, 0, 0}, Bytes{5, 0});
    StartStage();
    LastStage = 1;
    BossHp = 0;
    CheckStageClear();
    EXPECT_EQ(StageNo, 0);
    EXPECT_NE(Script1File, nullptr);
    EXPECT_NE(Script2File, nullptr);
}

TEST_F(StageTest, BeatenBossStartsTheNextStageAndCutsTheHitSequence) {
    WriteFile("data/bshp.dat", Bytes{1, 2});
    WriteStage(0, Bytes{13, 0, 0}, Bytes{5, 0});
    WriteStage(1, Bytes{60, 0, 0}, Bytes{9, 0});
    LastStage = 1;
    Lives = 3;
    Bombs = 1;
    StartStage();
    BossHp = -1;
    HitTimer = 2.0f;
    Score = 500;
    ktSystem::SceneId = 1;

    CheckStageClear();

    EXPECT_EQ(StageNo, 1);
    EXPECT_EQ(BossHp, 1000);
    EXPECT_EQ(HitTimer, 0.0f);
    EXPECT_EQ(Lives, 7);
    EXPECT_EQ(Bombs, 5);
    EXPECT_EQ(Score, 500u);  // no bonus between stages
    EXPECT_EQ(ktSystem::SceneId, 1);
    // The new streams are stage 1's.
    Script1Delay = 0.0f;
    Script2Delay = 0.0f;
    ktScript::State.sounds.clear();
    EXPECT_EQ(Script1Frame(0.1f), 2);
    EXPECT_EQ(FlatSounds(), 1);
    EXPECT_EQ(DepthSounds(), 0);
    StepScript2();
    EXPECT_EQ(BossVX, -100);
}

TEST_F(StageTest, LastBossPaysTheWinBonusAndGoesToTheResults) {
    WriteFile("data/bshp.dat", Bytes{1});
    WriteStage(0, Bytes{13, 0, 0}, Bytes{5, 0});
    StartAndWait();
    LastStage = 0;
    Lives = 2;
    Bombs = 1;
    Score = 100;
    MaxCombo = 7;
    BossHp = -3;
    ktSystem::SceneId = 1;

    CheckStageClear();

    EXPECT_EQ(Score, 100u + 12000000u);
    EXPECT_EQ(MaxCombo, 7 + 1200);
    EXPECT_EQ(ktSystem::SceneId, 4);
    EXPECT_EQ(StageNo, 0);
    EXPECT_EQ(Script1File, nullptr);
    EXPECT_EQ(Script2File, nullptr);
    EXPECT_EQ(ktScript::State.sounds,
              (std::vector<std::string>{"stop ./data/music.wav", "loop ./data/loop.wav"}));

    // The rest of that frame reads no stream.
    BossVX = 33;
    GameDelta = 0.1f;
    StepScript2();
    EXPECT_EQ(BossVX, 33);
}

TEST_F(StageTest, WinBonusSaturatesTheScore) {
    WriteFile("data/bshp.dat", Bytes{1});
    StageNo = 3;
    LastStage = 3;
    BossHp = -1;
    Lives = 10;
    Bombs = 15;
    Score = 4200000000u;
    MaxCombo = 0;
    CheckStageClear();
    EXPECT_EQ(Score, 4294967295u);
    EXPECT_EQ(MaxCombo, 10 * 300 + 15 * 600);
}

}  // namespace
