// Depth shots, flat shots, the boss and bursts: movement, hits on the player,
// and where and what they draw, read off a coded sprite sheet and a coded
// stage picture.
#include <tuple>

#include "game_fixture.h"

namespace {

using testutil::Black;
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
    static Spot Stage(int x, int y) { return testutil::SourceOf(BackPixel(x, y), StageWidth); }
    static int HitSounds() { return SoundCalls("play ./data/bomb.wav"); }
};

TEST_F(EnemyShotsTest, DepthShotsMoveHitOnlyInThePlayersPlaneInsideAStrictBoxAndAreDrawnByTheirDepth) {
    const struct {
        float x, y, z;
        int32_t vz;
        float zAfter;
        bool hit, active;
    } cases[] = {
        {120.0f, 120.0f, 10.5f, 100, 0.5f, true, true},   // in the plane: a hit does not remove the shot
        {120.0f, 120.0f, 5.0f, 100, -5.0f, true, false},  // passed the plane: removed, but still tested
        {120.0f, 120.0f, 19.5f, 100, 9.5f, true, true},   // just inside the plane
        {120.0f, 120.0f, 20.0f, 100, 10.0f, false, true}, // 10 is not below 10: still far away
        {130.0f, 120.0f, 5.0f, 10, 4.0f, false, true},    // the box's edges are outside it
        {120.0f, 110.0f, 5.0f, 10, 4.0f, false, true},
        {129.9f, 110.1f, 5.0f, 10, 4.0f, true, true},
    };
    for (const auto& c : cases) {
        HitTimer = 0.0f;
        ktScript::State.sounds.clear();
        DepthShot[3] = {c.x, c.y, c.z, 0, 0, c.vz, 0, 1};
        UpdateDepthShots();
        EXPECT_FLOAT_EQ(DepthShot[3].z, c.zAfter) << c.x << " " << c.z;
        EXPECT_EQ(std::tuple(DepthShot[3].active, HitTimer, HitSounds()),
                  std::tuple(c.active ? 1 : 0, c.hit ? 4.0f : 0.0f, c.hit ? 1 : 0)) << c.x << " " << c.z;
    }
    // A running hit sequence is not started again.
    DepthShot[3] = {120.0f, 120.0f, 5.0f, 0, 0, 10, 0, 1};
    HitTimer = 2.5f;
    ktScript::State.sounds.clear();
    UpdateDepthShots();
    EXPECT_EQ(std::tuple(HitTimer, HitSounds()), std::tuple(2.5f, 0));
    DepthShot[7] = {50.0f, 60.0f, 100.0f, -30, 20, 50, 0, 1};
    UpdateDepthShots();
    EXPECT_EQ(DepthShot[7], (DepthShotEntry{47.0f, 62.0f, 95.0f, -30, 20, 50, 0, 1}));
    // Drawn by its depth. z 50: side (100 - 50) / 5 = 10; centre
    // (100 * 0.75 + 30, 60 * 0.75 + 30) = (105, 75); corner (100, 70) on the
    // field, (140, 70) on screen.
    ktDraw::ClearScreen();
    DepthShot[1] = {100.0f, 60.0f, 50.0f, 0, 0, 0, 2, 1};
    DepthShot[3].active = DepthShot[7].active = 0;
    UpdateDepthShots();
    EXPECT_EQ(Sheet(140, 70), (Spot{60, 40}));  // kind 2's cell starts at (60, 40)
    EXPECT_EQ(Sheet(149, 79), (Spot{78, 58}));  // half scale: every second source pixel
    for (const auto& [x, y] : {std::pair{150, 70}, {139, 70}, {140, 80}}) EXPECT_EQ(Sheet(x, y), Black) << x << " " << y;
    // z 0: full size, 20 × 20, centred on its own place.
    ktDraw::ClearScreen();
    DepthShot[1] = {100.0f, 60.0f, 0.0f, 0, 0, 0, 4, 1};
    UpdateDepthShots();
    EXPECT_EQ(Sheet(130, 50), (Spot{60, 80}));
    EXPECT_EQ(Sheet(149, 69), (Spot{79, 99}));
    EXPECT_EQ(std::tuple(Sheet(150, 69), Sheet(129, 50)), std::tuple(Black, Black));
}

TEST_F(EnemyShotsTest, FlatShotsMoveHitInsideAStrictBoxLeaveAndHangBelowTheirPlace) {
    FlatShot[10] = {100.0f, 100.0f, 30, -50, 0, 1};
    UpdateFlatShots();
    EXPECT_EQ(FlatShot[10], (FlatShotEntry{103.0f, 95.0f, 30, -50, 0, 1}));
    // Hit box 10 × 10, strict.
    FlatShot[11] = {PlayerX + 5.0f, PlayerY, 0, 0, 0, 1};
    FlatShot[12] = {PlayerX, PlayerY + 5.0f, 0, 0, 0, 1};
    FlatShot[17] = {PlayerX - 5.0f, PlayerY - 4.9f, 0, 0, 0, 1};
    UpdateFlatShots();
    EXPECT_EQ(HitTimer, 0.0f);
    FlatShot[13] = {PlayerX - 4.9f, PlayerY + 4.9f, 0, 0, 0, 1};
    UpdateFlatShots();
    EXPECT_EQ(std::tuple(HitTimer, FlatShot[13].active, HitSounds()), std::tuple(4.0f, 1, 1));  // the shot stays
    // Leaving the square: inactive, drawn once more where it went; the 10 × 10
    // picture is centred on x and hangs below y.
    ktDraw::ClearScreen();
    FlatShot[14] = {239.0f, 30.0f, 100, 0, 1, 1};
    FlatShot[15] = {60.0f, 0.5f, 0, -10, 0, 1};
    FlatShot[16] = {240.0f, 240.0f, 0, 0, 0, 1};  // the edges themselves are inside
    FlatShot[18] = {100.7f, 50.2f, 0, 0, 3, 1};
    UpdateFlatShots();
    EXPECT_EQ(std::tuple(FlatShot[14].active, FlatShot[15].active, FlatShot[16].active), std::tuple(0, 0, 1));
    EXPECT_EQ(Sheet(284, 30), (Spot{10, 180}));
    EXPECT_EQ(Sheet(135, 50), (Spot{30, 180}));
    EXPECT_EQ(Sheet(144, 59), (Spot{39, 189}));
    EXPECT_EQ(std::tuple(Sheet(145, 50), Sheet(135, 49)), std::tuple(Black, Black));
}

TEST_F(EnemyShotsTest, BossBouncesOffTheSquareAndShowsOnePictureForTwoPoses) {
    const struct {
        float x, y;
        int32_t vx, vy;
        float endX, endY;
        int32_t endVX, endVY;
    } cases[] = {
        {205.0f, 35.0f, 100, -100, 210.0f, 30.0f, -100, 100},  // both walls at once
        {210.0f, 30.0f, -100, 100, 200.0f, 40.0f, -100, 100},  // and away again
        {25.0f, 215.0f, -5, 0, 30.0f, 210.0f, 5, 0},            // from outside, pulled back in
        {120.0f, 50.0f, 0, 30, 120.0f, 53.0f, 0, 30},
    };
    for (const auto& c : cases) {
        BossX = c.x, BossY = c.y, BossVX = c.vx, BossVY = c.vy;
        UpdateBoss();
        EXPECT_EQ(std::tuple(BossX, BossY, BossVX, BossVY), std::tuple(c.endX, c.endY, c.endVX, c.endVY)) << c.x;
    }
    BossX = 120.9f, BossY = 50.5f, BossVY = 0, BossPose = 1;
    UpdateBoss();
    EXPECT_EQ(std::tuple(Stage(130, 20), Stage(189, 79), Stage(190, 20)), std::tuple(Spot{60, 120}, Spot{119, 179}, Black));
    BossPose = 3;
    UpdateBoss();
    EXPECT_EQ(std::tuple(Stage(130, 20), Stage(189, 79)), std::tuple(Spot{120, 120}, Spot{179, 179}));
}

}  // namespace
