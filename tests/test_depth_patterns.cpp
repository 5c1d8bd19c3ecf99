// Depth-shot patterns (first-stream codes 0 to 49): the shots each code
// writes, the order of the random draws, the ring cursor, the clear code,
// the sound and the boss's pose counter. Every shot is compared whole.
#include <climits>
#include <cmath>

#include "game_fixture.h"

namespace {

using testutil::FindSeed;
using testutil::RefRandom;

int32_t Trunc(double v) { return static_cast<int32_t>(v); }

class DepthPatternTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        DepthShotSound = LoadTinySound("h3d.wav");
        ExpectLoadsWorked();
    }
    static int ActiveShots() { return ActiveIn(DepthShot); }
    static int Plays() { return int(ktScript::State.sounds.size()); }
};

TEST_F(DepthPatternTest, CodesWithoutAPatternOnlyAdvanceThePose) {
    BossPose = 2, GameRandom = 777, DepthShotCursor = 5;
    int32_t pose = 2;
    for (int32_t code : {0, -1, 50, 99, 255, 100000, INT_MIN}) {
        FireDepthPattern(code);
        pose = (pose + 1) % 4;
        EXPECT_EQ(BossPose, pose) << code;
    }
    EXPECT_EQ(Plays(), 0);
    EXPECT_EQ(ActiveShots(), 0);
    EXPECT_EQ(GameRandom, 777u);
    EXPECT_EQ(DepthShotCursor, 5);
    // Any code with shots plays the sound once, however many shots it fires.
    for (int32_t code : {1, 43, 48}) FireDepthPattern(code);
    EXPECT_EQ(ktScript::State.sounds, std::vector<std::string>(3, "play ./data/h3d.wav"));
}

TEST_F(DepthPatternTest, Code49ClearsEverySlotSilentlyAndKeepsTheCursor) {
    for (DepthShotEntry& shot : DepthShot) shot = {5, 6, 50, 1, 2, 3, 4, 1};
    DepthShotCursor = 37, GameRandom = 99, BossPose = 3;
    FireDepthPattern(49);
    EXPECT_EQ(ActiveShots(), 0);
    EXPECT_EQ(DepthShot[0], (DepthShotEntry{5, 6, 50, 1, 2, 3, 4, 0}));  // only the flags change
    EXPECT_EQ(DepthShotCursor, 37);
    EXPECT_EQ(GameRandom, 99u);
    EXPECT_EQ(BossPose, 0);
    EXPECT_EQ(Plays(), 0);
    // The next shot goes to the slot after the last one written.
    FireDepthPattern(1);
    EXPECT_EQ(DepthShot[38].active, 1);
}

TEST_F(DepthPatternTest, CursorRunsRoundWithoutTheLastSlot) {
    // A cursor outside the table starts again at 0 instead of writing outside it.
    for (const auto& [from, to] :
         {std::pair{107, 108}, {108, 0}, {0, 1}, {-3, 0}, {109, 0}, {INT_MAX, 0}, {INT_MIN, 0}}) {
        DepthShotCursor = from;
        NextDepthShotSlot();
        EXPECT_EQ(DepthShotCursor, to) << from;
    }
    DepthShotCursor = 0;
    DepthShot[109] = {1, 2, 3, 4, 5, -9, 0, 0};
    for (int call = 0; call < 60; call++) FireDepthPattern(9);  // 300 shots
    EXPECT_EQ(DepthShotCursor, 300 % 109);
    EXPECT_EQ(DepthShot[109], (DepthShotEntry{1, 2, 3, 4, 5, -9, 0, 0}));
}

TEST_F(DepthPatternTest, SixteenShotsOverwriteTheSlotsAfterTheCursor) {
    for (DepthShotEntry& shot : DepthShot) shot = {1, 1, 1, 0, 0, -1, 0, 1};
    DepthShotCursor = 100;
    FireDepthPattern(43);
    EXPECT_EQ(DepthShotCursor, 7);
    for (int slot = 0; slot < DepthShotCount; slot++) {
        const bool written = (slot >= 101 && slot <= 108) || slot <= 7;
        EXPECT_EQ(DepthShot[slot].vz, written ? 50 : -1) << slot;
    }
}

TEST_F(DepthPatternTest, Code1AimsAtThePlayerTruncatingTowardZero) {
    const struct {
        int32_t startX;
        float px;
        int32_t vx;
    } cases[] = {{121, 120.0f, 0}, {10, 230.0f, 110}, {123, 120.0f, -1}, {229, 10.0f, -109}};
    PlayerY = 77.0f;
    for (const auto& c : cases) {
        GameRandom = FindSeed([&](RefRandom& r) { return r.Field() == c.startX; });
        RefRandom ref{GameRandom};
        const int32_t x = ref.Field(), y = ref.Field();
        PlayerX = c.px, DepthShotCursor = 0;
        FireDepthPattern(1);
        EXPECT_EQ(DepthShot[1],
                  (DepthShotEntry{float(x), float(y), 100, c.vx, Trunc((77.0 - y) * 0.5), 50, ref.R(5), 1}));
        EXPECT_EQ(GameRandom, ref.state);
    }
}

TEST_F(DepthPatternTest, NearAimedCodesStartAtDepthThirty) {
    GameRandom = 4242, PlayerX = 100.75f, PlayerY = 33.25f;
    RefRandom ref{GameRandom};
    const int32_t x = ref.Field(), y = ref.Field();
    FireDepthPattern(3);
    EXPECT_EQ(DepthShot[1],
              (DepthShotEntry{float(x), float(y), 100, Trunc(100.75 - x), Trunc(33.25 - y), 100, ref.R(5), 1}));
    // Codes 40 to 42 start nearer, at depth 30, and keep f = vz / 100.
    const int32_t vz[] = {10, 16, 22};
    const double f[] = {0.1, 0.16, 0.22};
    for (int k = 0; k < 3; k++) {
        const int32_t sx = ref.Field(), sy = ref.Field();
        FireDepthPattern(40 + k);
        EXPECT_EQ(DepthShot[2 + k], (DepthShotEntry{float(sx), float(sy), 30, Trunc((100.75 - sx) * f[k]),
                                                    Trunc((33.25 - sy) * f[k]), vz[k], ref.R(5), 1}));
    }
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(DepthPatternTest, StraightCodesKeepTheirOwnStartPoints) {
    GameRandom = 31337;
    RefRandom ref{GameRandom};
    for (int k = 0; k < 3; k++) {
        FireDepthPattern(7 + k);
        for (int i = 0; i < 5; i++) {
            const int32_t x = ref.Field(), y = ref.Field();
            EXPECT_EQ(DepthShot[1 + 5 * k + i],
                      (DepthShotEntry{float(x), float(y), 100, 0, 0, 50 + 40 * k, ref.R(5), 1}));
        }
    }
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(DepthPatternTest, SharedStartAndRandomTargetsDrawInOrder) {
    // Code 5: the shared start x then y, then per shot target x, y and kind.
    GameRandom = 2024;
    RefRandom ref{GameRandom};
    const int32_t sx = ref.Field(), sy = ref.Field();
    FireDepthPattern(5);
    for (int i = 0; i < 5; i++) {
        const int32_t tx = ref.Field(), ty = ref.Field();
        EXPECT_EQ(DepthShot[1 + i], (DepthShotEntry{float(sx), float(sy), 100, Trunc((tx - sx) * 0.75),
                                                    Trunc((ty - sy) * 0.75), 75, ref.R(5), 1})) << i;
    }
    // Code 12: one shot from the centre to a random point at 1.5.
    const int32_t tx = ref.Field(), ty = ref.Field();
    FireDepthPattern(12);
    EXPECT_EQ(DepthShot[6],
              (DepthShotEntry{120, 120, 100, Trunc((tx - 120) * 1.5), Trunc((ty - 120) * 1.5), 150, ref.R(5), 1}));
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(DepthPatternTest, CrossAndJitterCodesAimAroundThePlayer) {
    PlayerX = 60.5f, PlayerY = 180.0f, GameRandom = 55;
    RefRandom ref{GameRandom};
    FireDepthPattern(14);
    const int dx[] = {0, -40, 40, 0, 0}, dy[] = {0, 0, 0, -40, 40};
    for (int i = 0; i < 5; i++) {
        const int32_t x = ref.Field(), y = ref.Field();
        EXPECT_EQ(DepthShot[1 + i], (DepthShotEntry{float(x), float(y), 100, Trunc(60.5 + dx[i] - x),
                                                    Trunc(180.0 + dy[i] - y), 100, ref.R(5), 1})) << i;
    }
    // Code 38: start x, y, then the target's offsets x, y, then kind.
    FireDepthPattern(38);
    for (int i = 0; i < 3; i++) {
        const int32_t x = ref.Field(), y = ref.Field();
        const int32_t ox = ref.R(100) - 50, oy = ref.R(100) - 50;
        EXPECT_EQ(DepthShot[6 + i], (DepthShotEntry{float(x), float(y), 100, Trunc((60.5 + ox - x) * 0.9),
                                                    Trunc((180.0 + oy - y) * 0.9), 90, ref.R(5), 1})) << i;
    }
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(DepthPatternTest, ColumnAndRowStandAtBAndDriftTowardA) {
    // A first, then B = 229 (R(220) = 219).
    const uint32_t seed = FindSeed([](RefRandom& r) {
        r.R(220);
        return r.R(220) == 219;
    });
    for (int32_t code : {16, 19}) {
        GameRandom = seed;
        RefRandom ref{seed};
        const int32_t a = ref.Field();
        ref.Field();
        DepthShotCursor = 0;
        FireDepthPattern(code);
        const int32_t drift = Trunc((a - 229) * 0.5);
        for (int i = 0; i < 12; i++) {
            const float along = float(10 + 20 * i);
            const DepthShotEntry expected = code == 16 ? DepthShotEntry{229, along, 100, drift, 0, 50, ref.R(5), 1}
                                                       : DepthShotEntry{along, 229, 100, 0, drift, 50, ref.R(5), 1};
            EXPECT_EQ(DepthShot[1 + i], expected) << code << " " << i;
        }
        EXPECT_EQ(GameRandom, ref.state);
    }
}

TEST_F(DepthPatternTest, SpraysTurnWithTheStageClock) {
    // Code 23 at T = 0: sin 0 = 0, and y is scaled by 0.5, not 0.75.
    GameRandom = 8;
    RefRandom ref{GameRandom};
    ref.R(170);
    const int32_t ry = ref.R(170);
    FireDepthPattern(23);
    EXPECT_EQ(DepthShot[1], (DepthShotEntry{120, 120, 100, 0, Trunc(ry * 0.5), 75, ref.R(5), 1}));

    // The angle is T, 2 T or -T; the 0.75 rows keep fy = 0.5.
    StageTime = 0.7f;
    const double t = double(0.7f);
    const struct {
        int32_t code;
        double angle, fx, fy;
    } rows[] = {{22, t, 0.5, 0.5},      {23, t, 0.75, 0.5}, {24, t, 1, 1},
                {26, 2 * t, 0.75, 0.5}, {27, 2 * t, 1, 1},  {29, -t, 0.75, 0.5}};
    for (const auto& row : rows) {
        const int32_t rx = ref.R(170), ry2 = ref.R(170);
        FireDepthPattern(row.code);
        const DepthShotEntry& shot = DepthShot[DepthShotCursor];
        EXPECT_EQ(shot.vx, Trunc(rx * std::sin(row.angle) * row.fx)) << row.code;
        EXPECT_EQ(shot.vy, Trunc(ry2 * std::cos(row.angle) * row.fy)) << row.code;
        EXPECT_EQ(shot.kind, ref.R(5)) << row.code;
    }
    // Code 32: four shots at 0.78 i + 2 T, both factors 0.75.
    const int32_t first = DepthShotCursor + 1;
    FireDepthPattern(32);
    for (int i = 0; i < 4; i++) {
        const double a = 0.78 * i + 2 * t;
        const int32_t sx = ref.R(170), sy = ref.R(170);
        EXPECT_EQ(DepthShot[first + i], (DepthShotEntry{120, 120, 100, Trunc(sx * std::sin(a) * 0.75),
                                                        Trunc(sy * std::cos(a) * 0.75), 75, ref.R(5), 1})) << i;
    }
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(DepthPatternTest, GridsAndCirclesFromTheCentre) {
    GameRandom = 1234;
    RefRandom ref{GameRandom};
    const int32_t u = ref.R(220) - 30, v = ref.R(220) - 30;
    FireDepthPattern(35);  // columns outer, rows inner
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            EXPECT_EQ(DepthShot[1 + 3 * i + j], (DepthShotEntry{120, 120, 100, Trunc((u + 30 * i - 120) * 0.75),
                                                                Trunc((v + 30 * j - 120) * 0.75), 75, ref.R(5), 1}));
    const int32_t u4 = ref.R(160) - 10, v4 = ref.R(160) - 10;
    FireDepthPattern(45);
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            EXPECT_EQ(DepthShot[10 + 4 * i + j],
                      (DepthShotEntry{120, 120, 100, u4 + 30 * i - 120, v4 + 30 * j - 120, 100, ref.R(5), 1}));
    // Code 47: around the player at 40 pixels, a = 0.55 i + 2 T.
    PlayerX = 200.0f, PlayerY = 30.0f, StageTime = 1.25f;
    FireDepthPattern(47);
    for (int i = 0; i < 5; i++) {
        const double a = 0.55 * i + 2 * 1.25;
        EXPECT_EQ(DepthShot[26 + i], (DepthShotEntry{120, 120, 100, Trunc((200.0 + 40 * std::sin(a) - 120) * 0.75),
                                                     Trunc((30.0 + 40 * std::cos(a) - 120) * 0.75), 75, ref.R(5), 1}));
    }
    EXPECT_EQ(GameRandom, ref.state);
}

}  // namespace
