// Depth shots, flat shots, the boss and bursts: movement, hits on the player,
// and where and what they draw, read off a coded sprite sheet and a coded
// stage picture.
#include "game_fixture.h"

namespace {

using testutil::Black;
using testutil::SourceOf;
using testutil::Spot;

constexpr int StageWidth = 240;  // stage picture: 240 × 240

class EnemyShotsTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        LoadCodedSheet();
        StageImage = LoadCodedPicture("stage0.bmp", StageWidth, 240);
        BombSound = LoadTinySound("bomb.wav");
        ExpectLoadsWorked();
        GameDelta = 0.1f, PlayerX = 120.0f, PlayerY = 120.0f;
    }
    static DepthShotEntry& Depth(int slot, float x, float y, float z, int32_t vz, int32_t kind = 0) {
        DepthShot[slot] = {x, y, z, 0, 0, vz, kind, 1};
        return DepthShot[slot];
    }
    static FlatShotEntry& Flat(int slot, float x, float y, int32_t vx, int32_t vy, int32_t kind = 0) {
        FlatShot[slot] = {x, y, vx, vy, kind, 1};
        return FlatShot[slot];
    }
    static Spot Stage(int x, int y) { return SourceOf(BackPixel(x, y), StageWidth); }
    static int HitSounds() { return SoundCalls("play ./data/bomb.wav"); }
};

TEST_F(EnemyShotsTest, DepthShotHitsOnlyInThePlayersPlane) {
    const struct {
        float z, zAfter;
        bool hit, active;
    } cases[] = {
        {10.5f, 0.5f, true, true},    // in the plane: a hit does not remove the shot
        {5.0f, -5.0f, true, false},   // passed the plane: removed, but still tested
        {19.5f, 9.5f, true, true},    // just inside the plane
        {20.0f, 10.0f, false, true},  // 10 is not below 10: still far away
    };
    for (const auto& c : cases) {
        HitTimer = 0.0f;
        ktScript::State.sounds.clear();
        const DepthShotEntry& shot = Depth(3, 120.0f, 120.0f, c.z, 100);
        UpdateDepthShots();
        EXPECT_FLOAT_EQ(shot.z, c.zAfter) << c.z;
        EXPECT_EQ(shot.active, c.active ? 1 : 0) << c.z;
        EXPECT_EQ(HitTimer, c.hit ? 4.0f : 0.0f) << c.z;
        EXPECT_EQ(HitSounds(), c.hit ? 1 : 0) << c.z;
    }
}

TEST_F(EnemyShotsTest, DepthShotHitBoxHasStrictEdgesAndAHitSequenceIsNotRestarted) {
    Depth(1, PlayerX + 10.0f, PlayerY, 5.0f, 10);
    Depth(2, PlayerX, PlayerY - 10.0f, 5.0f, 10);
    UpdateDepthShots();
    EXPECT_EQ(HitTimer, 0.0f);
    Depth(3, PlayerX + 9.9f, PlayerY - 9.9f, 5.0f, 10);
    UpdateDepthShots();
    EXPECT_EQ(HitTimer, 4.0f);
    HitTimer = 2.5f;  // a running hit sequence is not started again
    ktScript::State.sounds.clear();
    UpdateDepthShots();
    EXPECT_EQ(HitTimer, 2.5f);
    EXPECT_EQ(HitSounds(), 0);
}

TEST_F(EnemyShotsTest, DepthShotMovesByItsVelocity) {
    DepthShot[7] = {50.0f, 60.0f, 100.0f, -30, 20, 50, 0, 1};
    UpdateDepthShots();
    EXPECT_EQ(DepthShot[7], (DepthShotEntry{47.0f, 62.0f, 95.0f, -30, 20, 50, 0, 1}));
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
    EXPECT_EQ(shot, (FlatShotEntry{103.0f, 95.0f, 30, -50, 0, 1}));
    EXPECT_EQ(HitTimer, 0.0f);

    // Hit box 10 × 10, strict.
    Flat(11, PlayerX + 5.0f, PlayerY, 0, 0);
    Flat(12, PlayerX, PlayerY + 5.0f, 0, 0);
    Flat(17, PlayerX - 5.0f, PlayerY - 4.9f, 0, 0);
    UpdateFlatShots();
    EXPECT_EQ(HitTimer, 0.0f);
    Flat(13, PlayerX - 4.9f, PlayerY + 4.9f, 0, 0);
    UpdateFlatShots();
    EXPECT_EQ(HitTimer, 4.0f);
    EXPECT_EQ(FlatShot[13].active, 1);  // the shot stays
    EXPECT_EQ(HitSounds(), 1);

    // Leaving the square: inactive, drawn once more where it went.
    ktDraw::ClearScreen();
    const FlatShotEntry& leaving = Flat(14, 239.0f, 30.0f, 100, 0, 1);
    const FlatShotEntry& up = Flat(15, 60.0f, 0.5f, 0, -10);
    const FlatShotEntry& corner = Flat(16, 240.0f, 240.0f, 0, 0);  // the edges themselves are inside
    UpdateFlatShots();
    EXPECT_EQ(leaving.active + up.active, 0);
    EXPECT_EQ(corner.active, 1);
    EXPECT_EQ(Sheet(284, 30), (Spot{10, 180}));
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
    const struct {
        float x, y;
        int32_t vx, vy;
        float endX, endY;
        int32_t endVX, endVY;
    } cases[] = {
        {205.0f, 35.0f, 100, -100, 210.0f, 30.0f, -100, 100},  // both walls at once
        {210.0f, 30.0f, -100, 100, 200.0f, 40.0f, -100, 100},  // and away again
        {25.0f, 215.0f, -5, 0, 30.0f, 210.0f, 5, 0},            // from outside, pulled back in
        {120.0f, 50.0f, 0, 0, 120.0f, 50.0f, 0, 0},             // standing still
    };
    for (const auto& c : cases) {
        BossX = c.x, BossY = c.y, BossVX = c.vx, BossVY = c.vy;
        UpdateBoss();
        EXPECT_EQ(BossX, c.endX) << c.x;
        EXPECT_EQ(BossY, c.endY) << c.x;
        EXPECT_EQ(BossVX, c.endVX) << c.x;
        EXPECT_EQ(BossVY, c.endVY) << c.x;
    }
}

TEST_F(EnemyShotsTest, BossShowsOnePictureForTwoPoses) {
    BossX = 120.9f, BossY = 50.5f, BossPose = 1;
    UpdateBoss();
    EXPECT_EQ(Stage(130, 20), (Spot{60, 120}));
    EXPECT_EQ(Stage(189, 79), (Spot{119, 179}));
    EXPECT_EQ(Stage(190, 20), Black);
    BossPose = 3;
    UpdateBoss();
    EXPECT_EQ(Stage(130, 20), (Spot{120, 120}));
    EXPECT_EQ(Stage(189, 79), (Spot{179, 179}));
}

TEST_F(EnemyShotsTest, BurstLastsFourFrames) {
    SpawnBurst(100, 50);
    EXPECT_EQ(BurstCursor, 1);  // the first burst after a reset goes to slot 1
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
    BurstCursor = 47;
    SpawnBurst(1, 1);
    EXPECT_EQ(BurstCursor, 48);
    SpawnBurst(-7, 3);
    EXPECT_EQ(BurstCursor, 0);
    EXPECT_EQ(Burst[0].x, -7);
    EXPECT_EQ(Burst[49].active, 0);
    Burst[1] = {5, 5, 1, 3};
    SpawnBurst(9, 9);  // overwrites slot 1, whatever it held
    EXPECT_EQ(BurstCursor, 1);
    EXPECT_EQ(Burst[1].x, 9);
    EXPECT_EQ(Burst[1].frame, 0);
    for (int bad : {-3, 49, 500}) {  // a cursor outside the table starts over
        BurstCursor = bad;
        SpawnBurst(1, 2);
        EXPECT_EQ(BurstCursor, 0) << bad;
    }
}

}  // namespace
