// Boss steering (second-stream codes 0 to 49): fixed velocities, homing on
// fixed, random and player points, the two jumps, and the codes that change
// nothing.
#include <climits>
#include <functional>

#include "game_fixture.h"

namespace {

// The game's generator written out on its own: state * 214013 + 2531011,
// draw = bits 16 to 30 of the new state.
struct RefRandom {
    uint32_t state;
    int32_t R(int32_t n) {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7FFFu) % n;
    }
};

uint32_t FindSeed(const std::function<bool(RefRandom&)>& wanted) {
    for (uint32_t seed = 1; seed < 10000000u; seed++) {
        RefRandom r{seed};
        if (wanted(r)) return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 1;
}

}  // namespace

class BossSteeringTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        BossX = 120.0f;
        BossY = 50.0f;
        BossVX = 77;
        BossVY = -33;
    }
};

TEST_F(BossSteeringTest, FixedVelocities) {
    struct Row {
        int32_t code, vx, vy;
    };
    const Row rows[] = {{0, 0, 0},        {1, 0, -100},      {4, 0, -400},       {5, 0, 100},
                        {8, 0, 400},      {9, -100, 0},      {12, -400, 0},      {13, 100, 0},
                        {16, 400, 0},     {17, 100, -100},   {20, 400, -400},    {21, 100, 100},
                        {23, 300, 300},   {25, -100, -100},  {28, -400, -400},   {29, -100, 100},
                        {30, -200, 200},  {32, -400, 400}};
    for (const Row& row : rows) {
        BossVX = 5;
        BossVY = 5;
        SteerBoss(row.code);
        EXPECT_EQ(BossVX, row.vx) << row.code;
        EXPECT_EQ(BossVY, row.vy) << row.code;
    }
    // Setting a velocity never moves the boss.
    EXPECT_EQ(BossX, 120.0f);
    EXPECT_EQ(BossY, 50.0f);
    EXPECT_EQ(GameRandom, 1u);
}

TEST_F(BossSteeringTest, HomingOnFixedPointsTruncatesTowardZero) {
    BossX = 121.0f;
    BossY = 50.0f;
    SteerBoss(34);  // (120 - 121) / 2 = -0.5
    EXPECT_EQ(BossVX, 0);
    EXPECT_EQ(BossVY, -10);
    SteerBoss(33);
    EXPECT_EQ(BossVX, -1);
    EXPECT_EQ(BossVY, -20);

    BossX = 100.5f;
    BossY = 99.25f;
    struct Row {
        int32_t code;
        double tx, ty, k;
    };
    const Row rows[] = {{35, 120, 210, 1}, {36, 120, 210, 2}, {37, 30, 120, 1}, {38, 30, 120, 2},
                        {39, 210, 120, 1}, {40, 210, 120, 2}, {41, 120, 120, 1}, {42, 120, 120, 2}};
    for (const Row& row : rows) {
        SteerBoss(row.code);
        EXPECT_EQ(BossVX, static_cast<int32_t>((row.tx - 100.5) / row.k)) << row.code;
        EXPECT_EQ(BossVY, static_cast<int32_t>((row.ty - 99.25) / row.k)) << row.code;
    }
    EXPECT_EQ(BossVX, 9);    // (120 - 100.5) / 2 = 9.75
    EXPECT_EQ(BossVY, 10);   // (120 - 99.25) / 2 = 10.375
    EXPECT_EQ(BossX, 100.5f);
}

TEST_F(BossSteeringTest, HomingOnThePlayer) {
    PlayerX = 120.0f;
    PlayerY = 50.0f;
    SteerBoss(48);
    EXPECT_EQ(BossVX, 0);
    EXPECT_EQ(BossVY, 0);
    PlayerX = 35.0f;
    PlayerY = 201.0f;
    SteerBoss(48);
    EXPECT_EQ(BossVX, -85);
    EXPECT_EQ(BossVY, 151);
    SteerBoss(49);
    EXPECT_EQ(BossVX, -42);  // -42.5
    EXPECT_EQ(BossVY, 75);   // 75.5
}

TEST_F(BossSteeringTest, HomingOnARandomPoint) {
    // (30, 30) to (209, 209) in three seconds: 179 / 3 = 59.67 -> 59.
    GameRandom = FindSeed([](RefRandom& r) { return r.R(180) == 179 && r.R(180) == 179; });
    RefRandom ref{GameRandom};
    ref.R(180);
    ref.R(180);
    BossX = 30.0f;
    BossY = 30.0f;
    SteerBoss(45);
    EXPECT_EQ(BossVX, 59);
    EXPECT_EQ(BossVY, 59);
    EXPECT_EQ(GameRandom, ref.state);

    // x is drawn first.
    for (int32_t code : {43, 44}) {
        const int32_t tx = ref.R(180) + 30;
        const int32_t ty = ref.R(180) + 30;
        const int32_t k = code - 42;
        SteerBoss(code);
        EXPECT_EQ(BossVX, static_cast<int32_t>((tx - 30.0) / k)) << code;
        EXPECT_EQ(BossVY, static_cast<int32_t>((ty - 30.0) / k)) << code;
    }
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(BossSteeringTest, JumpsKeepTheVelocity) {
    GameRandom = 4321;
    RefRandom ref{GameRandom};
    SteerBoss(46);
    EXPECT_EQ(BossX, float(ref.R(180) + 30));
    EXPECT_EQ(BossY, 50.0f);
    SteerBoss(47);
    EXPECT_EQ(BossY, float(ref.R(180) + 30));
    EXPECT_EQ(BossVX, 77);
    EXPECT_EQ(BossVY, -33);
    EXPECT_EQ(GameRandom, ref.state);
    // Every jump lands within 30 to 209.
    for (int jump = 0; jump < 500; jump++) {
        SteerBoss(46);
        ASSERT_GE(BossX, 30.0f);
        ASSERT_LE(BossX, 209.0f);
    }
}

TEST_F(BossSteeringTest, OtherCodesChangeNothing) {
    OpenDisplay();
    BossPose = 2;
    GameRandom = 99;
    for (int32_t code : {-1, 50, 51, 100, 255, 256, INT_MIN, INT_MAX}) SteerBoss(code);
    EXPECT_EQ(BossX, 120.0f);
    EXPECT_EQ(BossY, 50.0f);
    EXPECT_EQ(BossVX, 77);
    EXPECT_EQ(BossVY, -33);
    EXPECT_EQ(GameRandom, 99u);
    // Steering never advances the boss's pose and plays nothing.
    for (int32_t code = 0; code < 50; code++) SteerBoss(code);
    EXPECT_EQ(BossPose, 2);
    EXPECT_TRUE(ktScript::State.sounds.empty());
}
