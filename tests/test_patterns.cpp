// The three families of script codes: depth-shot patterns (first stream,
// codes 0 to 49), flat-shot patterns (50 to 100) and boss steering (second
// stream, 0 to 49). The shots each code writes, compared whole, the order of
// the random draws, the table actions, the sounds and the boss's pose
// counter; and the four ring cursors.
#include <climits>
#include <cmath>
#include <tuple>
#include <utility>

#include "game_fixture.h"

namespace {

using Velocity = std::pair<int32_t, int32_t>;

int32_t Trunc(double v) { return static_cast<int32_t>(v); }

// The aimed velocity from (x, y) toward (tx, ty): differences in single
// precision, then speed * difference / distance.
Velocity Aimed(float tx, float ty, float x, float y, int32_t speed) {
    const float dx = tx - x, dy = ty - y;
    const double d = std::sqrt(double(dx) * dx + double(dy) * dy);
    return {Trunc(speed * double(dx) / d), Trunc(speed * double(dy) / d)};
}
// Speed along direction a (0 points down the field, pi/2 toward growing x).
Velocity Along(double a, int32_t speed) { return {Trunc(std::sin(a) * speed), Trunc(std::cos(a) * speed)}; }

class PatternTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        DepthShotSound = LoadTinySound("h3d.wav");
        FlatShotSound = LoadTinySound("h2d.wav");
        ExpectLoadsWorked();
        // The boss above the player, in line.
        BossX = 120.0f, BossY = 50.0f, PlayerX = 120.0f, PlayerY = 200.0f;
    }
    static Velocity V(int slot) { return {FlatShot[slot].vx, FlatShot[slot].vy}; }
    static Velocity Steered(int32_t code) {
        SteerBoss(code);
        return {BossVX, BossVY};
    }
    static size_t Plays() { return ktScript::State.sounds.size(); }
    // Fires `code` and checks each of its `shots` shots, in order, against
    // `expected(i)`, which takes that shot's random draws as the game does.
    template <typename Expected>
    static void ExpectDepth(int32_t code, int shots, Expected expected) {
        const int first = DepthShotCursor + 1;
        FireDepthPattern(code);
        for (int i = 0; i < shots; i++) EXPECT_EQ(DepthShot[first + i], expected(i)) << "code " << code << ", shot " << i;
    }
    template <typename Expected>
    static void ExpectFlat(int32_t code, int shots, Expected expected) {
        const int first = FlatShotCursor + 1;
        FireFlatPattern(code);
        for (int i = 0; i < shots; i++) EXPECT_EQ(V(first + i), expected(i)) << "code " << code << ", shot " << i;
    }
};

// Every ring cursor adds 1 and starts again at 0 before the table's last
// slot; a cursor outside the table starts again at 0 instead of writing
// outside it.
TEST_F(PatternTest, RingCursorsRunRoundWithoutTheLastSlot) {
    const struct {
        int32_t* cursor;
        int32_t count;
        void (*next)();
    } rings[] = {{&DepthShotCursor, DepthShotCount, NextDepthShotSlot}, {&FlatShotCursor, FlatShotCount, SpawnFlatShot},
                 {&PlayerShotCursor, PlayerShotCount, NextPlayerShotSlot}, {&BurstCursor, BurstCount, NextBurstSlot}};
    for (const auto& ring : rings)
        for (const auto& [from, to] : {std::pair{ring.count - 3, ring.count - 2}, {ring.count - 2, 0}, {0, 1}, {-3, 0},
                                       {ring.count - 1, 0}, {ring.count * 10, 0}, {INT_MIN, 0}}) {
            *ring.cursor = from;
            ring.next();
            EXPECT_EQ(*ring.cursor, to) << "table of " << ring.count << " from " << from;
        }
}

// ---- Depth-shot patterns -------------------------------------------------------
// (Codes without shots, which only turn the pose, and code 49, which clears
// the table silently: the first stream's test in test_stage_script.cpp.)

// Aims at or around the player from a random start: (px - x) * f, truncated
// toward zero; codes 40 to 42 start nearer, at depth 30, and keep f = vz / 100.
TEST_F(PatternTest, DepthAimsAtOrAroundThePlayer) {
    GameRandom = 4242, PlayerX = 100.75f, PlayerY = 33.25f;
    Draws d{GameRandom};
    for (const auto& [code, f, vz, z] : {std::tuple{1, 0.5, 50, 100.0f}, {3, 1.0, 100, 100.0f}, {40, 0.1, 10, 30.0f},
                                         {41, 0.16, 16, 30.0f}, {42, 0.22, 22, 30.0f}})
        ExpectDepth(code, 1, [&](int) {
            const int32_t x = d.Field(), y = d.Field();
            return DepthShotEntry{float(x), float(y), z, Trunc((100.75 - x) * f), Trunc((33.25 - y) * f), vz, d.R(5), 1};
        });
    // Code 14 aims at the player and four points 40 away.
    PlayerX = 60.5f, PlayerY = 180.0f;
    const int dx[] = {0, -40, 40, 0, 0}, dy[] = {0, 0, 0, -40, 40};
    ExpectDepth(14, 5, [&](int i) {
        const int32_t x = d.Field(), y = d.Field();
        return DepthShotEntry{float(x), float(y), 100, Trunc(60.5 + dx[i] - x), Trunc(180.0 + dy[i] - y), 100, d.R(5), 1};
    });
    // Code 38: start x, y, then the target's offsets x, y, then kind.
    ExpectDepth(38, 3, [&](int) {
        const int32_t x = d.Field(), y = d.Field(), ox = d.R(100) - 50, oy = d.R(100) - 50;
        return DepthShotEntry{float(x), float(y), 100, Trunc((60.5 + ox - x) * 0.9), Trunc((180.0 + oy - y) * 0.9), 90, d.R(5), 1};
    });
    EXPECT_EQ(GameRandom, d.state);
}

TEST_F(PatternTest, DepthColumnAndRowStandAtBAndDriftTowardA) {
    for (int32_t code : {16, 19}) {
        GameRandom = 31337, DepthShotCursor = 0;
        Draws d{GameRandom};
        const int32_t a = d.Field(), b = d.Field(), drift = Trunc((a - b) * 0.5);  // A first, then B
        ExpectDepth(code, 12, [&](int i) {
            const float along = float(10 + 20 * i), at = float(b);
            return code == 16 ? DepthShotEntry{at, along, 100, drift, 0, 50, d.R(5), 1}
                              : DepthShotEntry{along, at, 100, 0, drift, 50, d.R(5), 1};
        });
        EXPECT_EQ(GameRandom, d.state);
    }
}

TEST_F(PatternTest, DepthSpraysTurnWithTheStageClock) {
    GameRandom = 8;
    Draws d{GameRandom};
    // The angle is T, 2 T or -T; the 0.75 rows keep fy = 0.5; code 32 fires
    // four shots at 0.78 i + 2 T.
    StageTime = 0.7f;
    const double t = double(0.7f);
    for (const auto& [code, shots, angle, fx, fy, vz] :
         {std::tuple{22, 1, t, 0.5, 0.5, 50}, {23, 1, t, 0.75, 0.5, 75}, {24, 1, t, 1.0, 1.0, 100},
          {26, 1, 2 * t, 0.75, 0.5, 75}, {27, 1, 2 * t, 1.0, 1.0, 100}, {29, 1, -t, 0.75, 0.5, 75}, {32, 4, 2 * t, 0.75, 0.75, 75}})
        ExpectDepth(code, shots, [&, angle = angle, fx = fx, fy = fy, vz = vz](int i) {
            const double a = 0.78 * (shots > 1 ? i : 0) + angle;
            const int32_t sx = d.R(170), sy = d.R(170);
            return DepthShotEntry{120, 120, 100, Trunc(sx * std::sin(a) * fx), Trunc(sy * std::cos(a) * fy), vz, d.R(5), 1};
        });
    EXPECT_EQ(GameRandom, d.state);
}

TEST_F(PatternTest, DepthGridsAndCirclesFromTheCentre) {
    GameRandom = 1234;
    Draws d{GameRandom};
    // Columns outer, rows inner, 30 apart from a random corner.
    const int32_t u = d.R(220) - 30, v = d.R(220) - 30;
    ExpectDepth(35, 9, [&](int i) {
        return DepthShotEntry{120, 120, 100, Trunc((u + 30 * (i / 3) - 120) * 0.75), Trunc((v + 30 * (i % 3) - 120) * 0.75), 75, d.R(5), 1};
    });
    const int32_t u4 = d.R(160) - 10, v4 = d.R(160) - 10;
    ExpectDepth(45, 16, [&](int i) {
        return DepthShotEntry{120, 120, 100, u4 + 30 * (i / 4) - 120, v4 + 30 * (i % 4) - 120, 100, d.R(5), 1};
    });
    // Code 47: around the player at 40 pixels, a = 0.55 i + 2 T.
    PlayerX = 200.0f, PlayerY = 30.0f, StageTime = 1.25f;
    ExpectDepth(47, 5, [&](int i) {
        const double a = 0.55 * i + 2 * 1.25;
        return DepthShotEntry{120, 120, 100, Trunc((200.0 + 40 * std::sin(a) - 120) * 0.75),
                              Trunc((30.0 + 40 * std::cos(a) - 120) * 0.75), 75, d.R(5), 1};
    });
    EXPECT_EQ(GameRandom, d.state);
}

// ---- Flat-shot patterns ----------------------------------------------------------

TEST_F(PatternTest, FlatAimsFansAndLinesStartAtTheBoss) {
    GameRandom = 321;
    Draws d{GameRandom};
    for (int k = 0; k < 3; k++) {
        FireFlatPattern(50 + k);
        EXPECT_EQ(FlatShot[1 + k], (FlatShotEntry{120, 50, 0, 60 * (k + 1), d.R(5), 1})) << k;
    }
    EXPECT_EQ(GameRandom, d.state);
    // Fans offset vx alone; lines speed up from one step.
    ExpectFlat(56, 5, [](int i) { return Velocity(30 * (i - 2), 60); });
    ExpectFlat(79, 7, [](int i) { return Velocity(30 * i - 90, 150); });
    for (const auto& [code, step] : {std::pair{62, 15}, {63, 23}, {64, 30}})
        ExpectFlat(code, 7, [step = step](int i) { return Velocity(0, step * (i + 1)); });
}

TEST_F(PatternTest, FlatTargetCloserThanFiveGivesARandomVelocity) {
    BossX = BossY = 120.0f, GameRandom = 9001;
    Draws d{GameRandom};
    // (3, 4) away is exactly 5: aimed, speed 60 on a slant gives (36, 48);
    // just under 5, and on the boss: random.
    for (const auto& [px, py, random] : {std::tuple{123.0f, 124.0f, false}, {122.9f, 123.9f, true},
                                         {120.0f, 120.0f, true}, {124.99f, 120.0f, true}}) {
        PlayerX = px, PlayerY = py;
        const int32_t kind = d.R(5);
        FireFlatPattern(50);
        const int32_t vx = random ? d.R(110) - 50 : 36, vy = random ? d.R(110) - 50 : 48;
        EXPECT_EQ(FlatShot[FlatShotCursor], (FlatShotEntry{120, 120, vx, vy, kind, 1})) << px;
        EXPECT_EQ(GameRandom, d.state) << px;
    }
    // A slot outside the table is left alone.
    AimFlatShot(120.0f, 120.0f, -1, 60);
    AimFlatShot(120.0f, 120.0f, FlatShotCount, 60);
    EXPECT_EQ(GameRandom, d.state);
}

TEST_F(PatternTest, FlatRandomAndScatteredAimsDrawInOrder) {
    // Code 60: kind, then Y, then X, per shot.
    PlayerX = 37.5f, PlayerY = 212.25f, GameRandom = 777;
    Draws d{GameRandom};
    FireFlatPattern(60);
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(FlatShot[1 + i].kind, d.R(5));
        const float y = float(d.R(240)), x = float(d.R(240));
        ASSERT_GE(std::hypot(x - 120.0, y - 50.0), 5) << "pick another seed";
        EXPECT_EQ(V(1 + i), Aimed(x, y, 120.0f, 50.0f, 120)) << i;
    }
    // Code 81: kind, speed R(100) + 50, y offset, x offset.
    FireFlatPattern(81);
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(FlatShot[6 + i].kind, d.R(5));
        const int32_t s = d.R(100) + 50;
        const float ty = float(212.25 + d.R(120) - 60), tx = float(37.5 + d.R(120) - 60);
        EXPECT_EQ(V(6 + i), Aimed(tx, ty, 120.0f, 50.0f, s)) << i;
    }
    EXPECT_EQ(GameRandom, d.state);
}

TEST_F(PatternTest, FlatDirectionsFollowTheStageClock) {
    // Pair at 3 T and -3 T: the second shot goes the opposite way.
    StageTime = 0.5f;
    FireFlatPattern(65);
    FireFlatPattern(70);
    EXPECT_EQ(std::tuple(V(1), V(2), V(3), V(4)),
              std::tuple(Along(1.5, 60), Along(1.5, -60), Along(-1.5, 180), Along(-1.5, -180)));
    // Cross at T = 0: the side shots turn by 1.57, a little short of a
    // right angle, so 60 * sin(1.57) truncates to 59.
    StageTime = 0.0f;
    FireFlatPattern(71);
    EXPECT_EQ(std::tuple(V(5), V(6), V(7), V(8)),
              std::tuple(Velocity(0, 60), Velocity(0, -60), Velocity(59, 0), Velocity(-59, 0)));
    StageTime = 0.25f;
    FireFlatPattern(76);  // b = 4 T = 1
    EXPECT_EQ(std::tuple(V(9), V(10), V(11), V(12)),
              std::tuple(Along(1.0, 180), Along(1.0, -180), Along(1.0 + 1.57, 180), Along(1.0 - 1.57, 180)));
    // Spins at 0.1 i + 5 T and 0.1 i + 10 T; columns fall ever faster.
    for (const auto& [code, scale] : {std::pair{84, 5.0}, {87, 10.0}})
        ExpectFlat(code, 5, [scale = scale](int i) { return Along(0.1 * i + scale * 0.25, 120); });
    for (int k = 0; k < 3; k++) ExpectFlat(89 + k, 10, [k](int i) { return Velocity(0, (60 + 20 * k) + (6 + 2 * k) * i); });
    // Rings step by plain decimals, so the 16-shot ring closes past a full turn.
    StageTime = 0.3f;
    for (const auto& [code, shots, step, speed] : {std::tuple{92, 8, 0.785, 90}, {95, 16, 0.393, 180}})
        ExpectFlat(code, shots, [step = step, speed = speed](int i) { return Along(step * i + double(0.3f), speed); });
}

TEST_F(PatternTest, FlatTableActionsTouchOnlyActiveShotsSilently) {
    FlatShot[3] = {10, 20, 15, -15, 2, 1};
    FlatShot[4] = {10, 20, 7, -7, 2, 1};
    FlatShot[5] = {10, 20, 15, -15, 2, 0};  // inactive: never changed
    BossPose = 1, GameRandom = 5;
    // Halve, half as much again, a tenth, reverse: each truncated toward zero.
    for (const auto& [code, v3, v4] : {std::tuple{96, Velocity(7, -7), Velocity(3, -3)}, {97, {10, -10}, {4, -4}},
                                       {98, {1, -1}, {0, 0}}, {100, {-1, 1}, {0, 0}}}) {
        FireFlatPattern(code);
        EXPECT_EQ(std::tuple(V(3), V(4)), std::tuple(v3, v4)) << code;
    }
    EXPECT_EQ(FlatShot[5], (FlatShotEntry{10, 20, 15, -15, 2, 0}));
    EXPECT_EQ(FlatShot[3], (FlatShotEntry{10, 20, -1, 1, 2, 1}));  // only the speeds change
    // Codes past 100 do nothing at all; codes below 50 fire nothing but still
    // sound, as every code below 96 does.
    for (int32_t code : {101, 102, 200, 255}) FireFlatPattern(code);
    EXPECT_EQ(std::tuple(BossPose, Plays(), GameRandom, FlatShotCursor), std::tuple((1 + 8) % 4, size_t(0), 5u, 0));
    for (int32_t code : {-1, 0, 49, 95}) FireFlatPattern(code);
    EXPECT_EQ(ktScript::State.sounds, std::vector<std::string>(4, "play ./data/h2d.wav"));
    EXPECT_EQ(FlatShotCursor, 16);  // only 95 fired: its ring of 16
    // Code 99 empties the table and keeps the cursor.
    FireFlatPattern(99);
    EXPECT_EQ(std::tuple(ActiveIn(FlatShot), FlatShotCursor, Plays()), std::tuple(0, 16, size_t(4)));
}

// ---- Boss steering -----------------------------------------------------------------

// Boss steering moves the boss through the estimate's stages
// (test_stagec.cpp); here, the codes that steer nothing, and homing on a
// fixed point in k seconds, truncated toward zero.
TEST_F(PatternTest, SteeringHomesOnFixedPointsAndOtherCodesChangeNothing) {
    BossVX = 77, BossVY = -33, BossPose = 2, GameRandom = 99;
    for (int32_t code : {-1, 50, 51, 100, 255, 256, INT_MIN, INT_MAX}) SteerBoss(code);
    EXPECT_EQ(std::tuple(BossX, BossY, BossVX, BossVY, GameRandom, BossPose, Plays()), std::tuple(120.0f, 50.0f, 77, -33, 99u, 2, size_t(0)));
    BossX = 121.0f;
    EXPECT_EQ(std::tuple(Steered(34), Steered(33)), std::tuple(Velocity(0, -10), Velocity(-1, -20)));  // (120 - 121) / 2 = -0.5
    BossX = 100.5f, BossY = 99.25f;
    for (const auto& [code, tx, ty, k] : {std::tuple{35, 120, 210, 1}, {36, 120, 210, 2}, {37, 30, 120, 1},
                                          {40, 210, 120, 2}, {41, 120, 120, 1}, {42, 120, 120, 2}})
        EXPECT_EQ(Steered(code), Velocity(Trunc((tx - 100.5) / k), Trunc((ty - 99.25) / k))) << code;
}

}  // namespace
