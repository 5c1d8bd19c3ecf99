// Boss steering (second-stream codes 0 to 49): fixed velocities, homing on
// fixed, random and player points, the two jumps, and the codes that change
// nothing.
#include <climits>
#include <utility>

#include "game_fixture.h"

namespace {

using testutil::FindSeed;
using testutil::RefRandom;
using Velocity = std::pair<int32_t, int32_t>;

class BossSteeringTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        BossX = 120.0f, BossY = 50.0f, BossVX = 77, BossVY = -33;
    }
    static Velocity Steered(int32_t code) {
        SteerBoss(code);
        return {BossVX, BossVY};
    }
};

TEST_F(BossSteeringTest, FixedVelocities) {
    const struct {
        int32_t code, vx, vy;
    } rows[] = {{0, 0, 0},       {1, 0, -100},    {4, 0, -400},     {5, 0, 100},     {8, 0, 400},
                {9, -100, 0},    {12, -400, 0},   {13, 100, 0},     {16, 400, 0},    {17, 100, -100},
                {20, 400, -400}, {21, 100, 100},  {23, 300, 300},   {25, -100, -100}, {28, -400, -400},
                {29, -100, 100}, {30, -200, 200}, {32, -400, 400}};
    for (const auto& row : rows) EXPECT_EQ(Steered(row.code), Velocity(row.vx, row.vy)) << row.code;
    // Setting a velocity never moves the boss nor draws a random number.
    EXPECT_EQ(BossX, 120.0f);
    EXPECT_EQ(BossY, 50.0f);
    EXPECT_EQ(GameRandom, 1u);
}

TEST_F(BossSteeringTest, HomingOnFixedPointsTruncatesTowardZero) {
    BossX = 121.0f;
    EXPECT_EQ(Steered(34), Velocity(0, -10));  // (120 - 121) / 2 = -0.5
    EXPECT_EQ(Steered(33), Velocity(-1, -20));
    BossX = 100.5f, BossY = 99.25f;
    const struct {
        int32_t code;
        double tx, ty, k;
    } rows[] = {{35, 120, 210, 1}, {36, 120, 210, 2}, {37, 30, 120, 1}, {38, 30, 120, 2},
                {39, 210, 120, 1}, {40, 210, 120, 2}, {41, 120, 120, 1}, {42, 120, 120, 2}};
    for (const auto& row : rows)
        EXPECT_EQ(Steered(row.code), Velocity(int32_t((row.tx - 100.5) / row.k), int32_t((row.ty - 99.25) / row.k)))
            << row.code;
    EXPECT_EQ(Steered(42), Velocity(9, 10));  // 9.75 and 10.375
    EXPECT_EQ(BossX, 100.5f);
}

TEST_F(BossSteeringTest, HomingOnThePlayer) {
    PlayerX = 120.0f, PlayerY = 50.0f;
    EXPECT_EQ(Steered(48), Velocity(0, 0));
    PlayerX = 35.0f, PlayerY = 201.0f;
    EXPECT_EQ(Steered(48), Velocity(-85, 151));
    EXPECT_EQ(Steered(49), Velocity(-42, 75));  // -42.5 and 75.5
}

TEST_F(BossSteeringTest, HomingOnARandomPoint) {
    // (30, 30) to (209, 209) in three seconds: 179 / 3 = 59.67 -> 59.
    GameRandom = FindSeed([](RefRandom& r) { return r.R(180) == 179 && r.R(180) == 179; });
    RefRandom ref{GameRandom};
    ref.R(180);
    ref.R(180);
    BossX = BossY = 30.0f;
    EXPECT_EQ(Steered(45), Velocity(59, 59));
    // x is drawn first.
    for (int32_t code : {43, 44}) {
        const int32_t tx = ref.R(180) + 30, ty = ref.R(180) + 30, k = code - 42;
        EXPECT_EQ(Steered(code), Velocity(int32_t((tx - 30.0) / k), int32_t((ty - 30.0) / k))) << code;
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
    EXPECT_EQ(Velocity(BossVX, BossVY), Velocity(77, -33));
    EXPECT_EQ(GameRandom, ref.state);
    // The jumps land within 30 to 209: the seeds with the extreme draws.
    for (const int32_t draw : {0, 179}) {
        GameRandom = FindSeed([draw](RefRandom& r) { return r.R(180) == draw; });
        SteerBoss(46);
        EXPECT_EQ(BossX, float(draw + 30));
    }
}

TEST_F(BossSteeringTest, OtherCodesChangeNothing) {
    OpenDisplay();
    BossPose = 2, GameRandom = 99;
    for (int32_t code : {-1, 50, 51, 100, 255, 256, INT_MIN, INT_MAX}) SteerBoss(code);
    EXPECT_EQ(BossX, 120.0f);
    EXPECT_EQ(BossY, 50.0f);
    EXPECT_EQ(Velocity(BossVX, BossVY), Velocity(77, -33));
    EXPECT_EQ(GameRandom, 99u);
    // Steering never advances the boss's pose and plays nothing.
    for (int32_t code = 0; code < 50; code++) SteerBoss(code);
    EXPECT_EQ(BossPose, 2);
    EXPECT_TRUE(ktScript::State.sounds.empty());
}

}  // namespace
