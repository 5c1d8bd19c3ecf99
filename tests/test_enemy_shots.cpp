// Depth shots, flat shots, the boss and bursts: movement, hits on the player,
// and where and what they draw. The sprite sheet and the stage picture are
// written so that every pixel tells its own source position.
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "game_fixture.h"

namespace {

// A picture whose pixel (x, y) has the colour of number y * width + x + 1,
// spread over the display's five red, six green and five blue bits.
void WriteCodedPicture(const std::string& path, int width, int height) {
    testutil::WriteBmp(path, width, height, [width](int x, int y) {
        const int id = y * width + x + 1;
        return testutil::Rgb{uint8_t((id & 31) << 3), uint8_t(((id >> 5) & 63) << 2),
                             uint8_t(((id >> 11) & 31) << 3)};
    });
}

struct Spot {
    int x, y;
    bool operator==(const Spot&) const = default;
};

// The source position a pixel of a coded picture came from; (-1, -1) for black.
Spot SourceOf(uint16_t pixel, int width) {
    const int id = (pixel >> 11) | (((pixel >> 5) & 63) << 5) | ((pixel & 31) << 11);
    if (id == 0) return {-1, -1};
    return {(id - 1) % width, (id - 1) / width};
}

void WriteWave(const std::string& path) {
    const uint8_t bytes[] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                             16, 0, 0, 0, 1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x22, 0x56, 0, 0, 1, 0, 8, 0,
                             'd', 'a', 't', 'a', 4, 0, 0, 0, 128, 128, 128, 128};
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

constexpr int SheetWidth = 80;   // chips2: 80 × 250
constexpr int StageWidth = 240;  // stage picture: 240 × 240
const Spot Black = {-1, -1};

class EnemyShotsTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        WriteCodedPicture(folder + "/data/chips2.bmp", SheetWidth, 250);
        WriteCodedPicture(folder + "/data/stage0.bmp", StageWidth, 240);
        WriteWave(folder + "/data/bomb.wav");
        ChipsImage2 = ktDraw::LoadObject("./data/chips2.bmp");
        StageImage = ktDraw::LoadObject("./data/stage0.bmp");
        BombSound = ktSound::LoadObject("./data/bomb.wav", 1);
        ASSERT_GT(ChipsImage2, 1);
        ASSERT_GT(StageImage, 1);
        ASSERT_TRUE(ktScript::State.boxes.empty());  // every load worked
        ktScript::State.sounds.clear();
        ktDraw::ClearScreen();
        GameDelta = 0.1f;
        PlayerX = 120.0f;
        PlayerY = 120.0f;
    }

    static DepthShotEntry& Depth(int slot, float x, float y, float z, int32_t vz, int32_t kind = 0) {
        DepthShot[slot] = {x, y, z, 0, 0, vz, kind, 1};
        return DepthShot[slot];
    }
    static FlatShotEntry& Flat(int slot, float x, float y, int32_t vx, int32_t vy, int32_t kind = 0) {
        FlatShot[slot] = {x, y, vx, vy, kind, 1};
        return FlatShot[slot];
    }
    static Spot Sheet(int x, int y) { return SourceOf(BackPixel(x, y), SheetWidth); }
    static int BombSounds() {
        int n = 0;
        for (const std::string& call : ktScript::State.sounds) n += call == "play ./data/bomb.wav";
        return n;
    }
};

TEST_F(EnemyShotsTest, DepthShotHitsOnlyInThePlayersPlane) {
    // z 10.5 moving 10 this frame: 0.5, in the plane, on the player: a hit.
    DepthShotEntry& arriving = Depth(3, 120.0f, 120.0f, 10.5f, 100);
    UpdateDepthShots();
    EXPECT_FLOAT_EQ(arriving.z, 0.5f);
    EXPECT_EQ(arriving.active, 1);  // a hit does not remove the shot
    EXPECT_EQ(HitTimer, 4.0f);
    EXPECT_EQ(BombSounds(), 1);

    // z 5 → -5: removed, but still tested in that frame.
    HitTimer = 0.0f;
    arriving.active = 0;
    DepthShotEntry& passing = Depth(4, 125.0f, 115.0f, 5.0f, 100);
    UpdateDepthShots();
    EXPECT_FLOAT_EQ(passing.z, -5.0f);
    EXPECT_EQ(passing.active, 0);
    EXPECT_EQ(HitTimer, 4.0f);

    // Just inside the plane: z 19.5 → 9.5 hits.
    HitTimer = 0.0f;
    passing.active = 0;
    DepthShotEntry& entering = Depth(6, 120.0f, 120.0f, 19.5f, 100);
    UpdateDepthShots();
    EXPECT_EQ(HitTimer, 4.0f);

    // Still far away (z 20 → 10, not below 10): no hit.
    entering.active = 0;
    HitTimer = 0.0f;
    Depth(5, 120.0f, 120.0f, 20.0f, 100);
    UpdateDepthShots();
    EXPECT_EQ(HitTimer, 0.0f);
}

TEST_F(EnemyShotsTest, DepthShotHitBoxHasStrictEdges) {
    Depth(1, PlayerX + 10.0f, PlayerY, 5.0f, 10);
    Depth(2, PlayerX, PlayerY - 10.0f, 5.0f, 10);
    UpdateDepthShots();
    EXPECT_EQ(HitTimer, 0.0f);

    Depth(3, PlayerX + 9.9f, PlayerY - 9.9f, 5.0f, 10);
    UpdateDepthShots();
    EXPECT_EQ(HitTimer, 4.0f);

    // During a hit sequence no new hit starts.
    HitTimer = 2.5f;
    ktScript::State.sounds.clear();
    UpdateDepthShots();
    EXPECT_EQ(HitTimer, 2.5f);
    EXPECT_EQ(BombSounds(), 0);
}

TEST_F(EnemyShotsTest, DepthShotMovesByItsVelocity) {
    DepthShotEntry& shot = Depth(7, 50.0f, 60.0f, 100.0f, 50);
    shot.vx = -30;
    shot.vy = 20;
    UpdateDepthShots();
    EXPECT_FLOAT_EQ(shot.x, 47.0f);
    EXPECT_FLOAT_EQ(shot.y, 62.0f);
    EXPECT_FLOAT_EQ(shot.z, 95.0f);
    EXPECT_EQ(shot.active, 1);
}

TEST_F(EnemyShotsTest, DepthShotIsDrawnByItsDepth) {
    // z 50: side (100 - 50) / 5 = 10; centre (100 * 0.75 + 30, 60 * 0.75 + 30)
    // = (105, 75); corner (100, 70) on the field, (140, 70) on screen.
    Depth(1, 100.0f, 60.0f, 50.0f, 0, 2);
    UpdateDepthShots();
    EXPECT_EQ(Sheet(140, 70), (Spot{60, 40}));  // kind 2's cell starts at (60, 40)
    EXPECT_EQ(Sheet(149, 79), (Spot{78, 58}));  // half scale: every second source pixel
    EXPECT_EQ(Sheet(150, 70), Black);
    EXPECT_EQ(Sheet(139, 70), Black);
    EXPECT_EQ(Sheet(140, 80), Black);

    // z 0: full size, 20 × 20, centred on its own place.
    ktDraw::ClearScreen();
    DepthShot[1].active = 0;
    Depth(2, 100.0f, 60.0f, 0.0f, 0, 4);
    UpdateDepthShots();
    EXPECT_EQ(Sheet(130, 50), (Spot{60, 80}));
    EXPECT_EQ(Sheet(149, 69), (Spot{79, 99}));
    EXPECT_EQ(Sheet(150, 69), Black);
    EXPECT_EQ(Sheet(129, 50), Black);
}

TEST_F(EnemyShotsTest, FlatShotMovesHitsAndLeaves) {
    FlatShotEntry& shot = Flat(10, 100.0f, 100.0f, 30, -50);
    UpdateFlatShots();
    EXPECT_FLOAT_EQ(shot.x, 103.0f);
    EXPECT_FLOAT_EQ(shot.y, 95.0f);
    EXPECT_EQ(HitTimer, 0.0f);

    // Hit box 10 × 10, strict.
    Flat(11, PlayerX + 5.0f, PlayerY, 0, 0);
    Flat(12, PlayerX, PlayerY + 5.0f, 0, 0);
    UpdateFlatShots();
    EXPECT_EQ(HitTimer, 0.0f);
    Flat(13, PlayerX - 4.9f, PlayerY + 4.9f, 0, 0);
    UpdateFlatShots();
    EXPECT_EQ(HitTimer, 4.0f);
    EXPECT_EQ(FlatShot[13].active, 1);  // the shot stays
    EXPECT_EQ(BombSounds(), 1);

    // Leaving the square: inactive, drawn once more where it went.
    ktDraw::ClearScreen();
    FlatShotEntry& leaving = Flat(14, 239.0f, 30.0f, 100, 0, 1);
    UpdateFlatShots();
    EXPECT_EQ(leaving.active, 0);
    EXPECT_EQ(Sheet(284, 30), (Spot{10, 180}));
    FlatShotEntry& up = Flat(15, 60.0f, 0.5f, 0, -10);
    UpdateFlatShots();
    EXPECT_EQ(up.active, 0);
    FlatShotEntry& corner = Flat(16, 240.0f, 240.0f, 0, 0);  // the edges themselves are inside
    UpdateFlatShots();
    EXPECT_EQ(corner.active, 1);
}

TEST_F(EnemyShotsTest, FlatShotHangsBelowItsPosition) {
    Flat(1, 100.7f, 50.2f, 0, 0, 3);
    UpdateFlatShots();
    EXPECT_EQ(Sheet(135, 50), (Spot{30, 180}));
    EXPECT_EQ(Sheet(144, 59), (Spot{39, 189}));
    EXPECT_EQ(Sheet(145, 50), Black);
    EXPECT_EQ(Sheet(135, 49), Black);
}

TEST_F(EnemyShotsTest, BossBouncesOffTheSquare) {
    BossX = 205.0f;
    BossVX = 100;
    BossY = 35.0f;
    BossVY = -100;
    UpdateBoss();
    EXPECT_EQ(BossX, 210.0f);
    EXPECT_EQ(BossVX, -100);
    EXPECT_EQ(BossY, 30.0f);
    EXPECT_EQ(BossVY, 100);

    UpdateBoss();
    EXPECT_EQ(BossX, 200.0f);
    EXPECT_EQ(BossY, 40.0f);

    BossX = 25.0f;  // from outside, pulled back in
    BossVX = -5;
    BossY = 215.0f;
    BossVY = 0;
    UpdateBoss();
    EXPECT_EQ(BossX, 30.0f);
    EXPECT_EQ(BossVX, 5);
    EXPECT_EQ(BossY, 210.0f);
    EXPECT_EQ(BossVY, 0);

    BossX = 120.0f;  // standing still
    BossY = 50.0f;
    BossVX = BossVY = 0;
    UpdateBoss();
    EXPECT_EQ(BossX, 120.0f);
    EXPECT_EQ(BossY, 50.0f);
}

TEST_F(EnemyShotsTest, BossShowsOnePictureForTwoPoses) {
    BossX = 120.9f;
    BossY = 50.5f;
    BossPose = 1;
    UpdateBoss();
    EXPECT_EQ(SourceOf(BackPixel(130, 20), StageWidth), (Spot{60, 120}));
    EXPECT_EQ(SourceOf(BackPixel(189, 79), StageWidth), (Spot{119, 179}));
    EXPECT_EQ(SourceOf(BackPixel(190, 20), StageWidth), Black);

    ktDraw::ClearScreen();
    BossPose = 3;
    UpdateBoss();
    EXPECT_EQ(SourceOf(BackPixel(130, 20), StageWidth), (Spot{120, 120}));
    EXPECT_EQ(SourceOf(BackPixel(189, 79), StageWidth), (Spot{179, 179}));
}

TEST_F(EnemyShotsTest, BurstLastsFourFrames) {
    SpawnBurst(100, 50);
    EXPECT_EQ(BurstCursor, 1);  // the first burst after a reset goes to slot 1
    EXPECT_EQ(Burst[1].active, 1);
    for (int f = 0; f < 4; f++) {
        ktDraw::ClearScreen();
        UpdateBursts();
        EXPECT_EQ(Sheet(100, 50), (Spot{20 * f, 160})) << f;
        EXPECT_EQ(Sheet(119, 69), (Spot{20 * f + 19, 179})) << f;
        EXPECT_EQ(Burst[1].active, f < 3 ? 1 : 0) << f;
    }
    ktDraw::ClearScreen();
    UpdateBursts();
    EXPECT_EQ(Sheet(100, 50), Black);
}

TEST_F(EnemyShotsTest, BurstCursorSkipsTheLastSlot) {
    for (int i = 1; i <= 48; i++) {
        SpawnBurst(i, 0);
        EXPECT_EQ(BurstCursor, i);
    }
    SpawnBurst(-7, 3);
    EXPECT_EQ(BurstCursor, 0);
    EXPECT_EQ(Burst[0].x, -7);
    EXPECT_EQ(Burst[49].active, 0);
    SpawnBurst(9, 9);  // overwrites slot 1, whatever it held
    EXPECT_EQ(BurstCursor, 1);
    EXPECT_EQ(Burst[1].x, 9);
    EXPECT_EQ(Burst[1].frame, 0);

    BurstCursor = 500;  // a cursor outside the table starts over
    SpawnBurst(1, 2);
    EXPECT_EQ(BurstCursor, 0);
}

}  // namespace
