// Flat-shot patterns (first-stream codes 50 to 100): the shots spawned at the
// boss, their velocities, the order of the random draws, the table actions
// 96 to 100, the ring cursor, the sound and the boss's pose counter.
#include <climits>
#include <cmath>
#include <utility>

#include "game_fixture.h"

namespace {

using testutil::RefRandom;
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

class FlatPatternTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        FlatShotSound = LoadTinySound("h2d.wav");
        ExpectLoadsWorked();
        // The boss above the player, in line.
        BossX = 120.0f, BossY = 50.0f, PlayerX = 120.0f, PlayerY = 200.0f;
    }
    static Velocity V(int slot) { return {FlatShot[slot].vx, FlatShot[slot].vy}; }
    static int ActiveShots() { return ActiveIn(FlatShot); }
    static int Plays() { return int(ktScript::State.sounds.size()); }
};

TEST_F(FlatPatternTest, AimedShotsStartAtTheBoss) {
    GameRandom = 321;
    RefRandom ref{GameRandom};
    for (int k = 0; k < 3; k++) {
        FireFlatPattern(50 + k);
        EXPECT_EQ(FlatShot[1 + k], (FlatShotEntry{120, 50, 0, 60 * (k + 1), ref.R(5), 1})) << k;
    }
    EXPECT_EQ(GameRandom, ref.state);
    // On a slant: 30 across and 40 down is 50 away; speed 60 gives (36, 48).
    BossX = BossY = 30.0f, PlayerX = 60.0f, PlayerY = 70.0f;
    FireFlatPattern(50);
    EXPECT_EQ(V(4), Velocity(36, 48));
}

TEST_F(FlatPatternTest, FansOffsetVxAlone) {
    FireFlatPattern(56);
    for (int i = 0; i < 5; i++) EXPECT_EQ(V(1 + i), Velocity(30 * (i - 2), 60));
    FireFlatPattern(79);
    for (int i = 0; i < 7; i++) EXPECT_EQ(V(6 + i), Velocity(30 * i - 90, 150));
}

TEST_F(FlatPatternTest, TargetCloserThanFiveGivesARandomVelocity) {
    const struct {
        float px, py;
        bool random;
    } cases[] = {{123.0f, 124.0f, false},  // (3, 4) away is exactly 5: aimed
                 {122.9f, 123.9f, true},   // just under 5, and on the boss: random
                 {120.0f, 120.0f, true},
                 {124.99f, 120.0f, true}};
    BossX = BossY = 120.0f, GameRandom = 9001;
    RefRandom ref{GameRandom};
    for (const auto& c : cases) {
        PlayerX = c.px, PlayerY = c.py;
        const int32_t kind = ref.R(5);
        FireFlatPattern(50);
        const FlatShotEntry& shot = FlatShot[FlatShotCursor];
        EXPECT_EQ(shot.kind, kind);
        const int32_t vx = c.random ? ref.R(110) - 50 : 36;
        const int32_t vy = c.random ? ref.R(110) - 50 : 48;
        EXPECT_EQ(V(FlatShotCursor), Velocity(vx, vy)) << c.px;
        EXPECT_EQ(GameRandom, ref.state) << c.px;
    }
    // A slot outside the table is left alone.
    AimFlatShot(120.0f, 120.0f, -1, 60);
    AimFlatShot(120.0f, 120.0f, FlatShotCount, 60);
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(FlatPatternTest, LinesSpeedUpFromOne) {
    const int32_t steps[] = {15, 23, 30};
    for (int k = 0; k < 3; k++) {
        FireFlatPattern(62 + k);
        for (int i = 1; i <= 7; i++) EXPECT_EQ(V(7 * k + i), Velocity(0, steps[k] * i)) << k << " " << i;
    }
}

TEST_F(FlatPatternTest, RandomAndScatteredAimsDrawInOrder) {
    // Code 60: kind, then Y, then X, per shot.
    PlayerX = 37.5f, PlayerY = 212.25f, GameRandom = 777;
    RefRandom ref{GameRandom};
    FireFlatPattern(60);
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(FlatShot[1 + i].kind, ref.R(5));
        const float y = float(ref.R(240)), x = float(ref.R(240));
        ASSERT_GE(std::hypot(x - 120.0, y - 50.0), 5) << "pick another seed";
        EXPECT_EQ(V(1 + i), Aimed(x, y, 120.0f, 50.0f, 120)) << i;
    }
    // Code 81: kind, speed R(100) + 50, y offset, x offset.
    FireFlatPattern(81);
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(FlatShot[6 + i].kind, ref.R(5));
        const int32_t s = ref.R(100) + 50;
        const float ty = float(212.25 + ref.R(120) - 60);
        const float tx = float(37.5 + ref.R(120) - 60);
        EXPECT_EQ(V(6 + i), Aimed(tx, ty, 120.0f, 50.0f, s)) << i;
    }
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(FlatPatternTest, DirectionsFollowTheStageClock) {
    // Pair at 3 T and -3 T: the second shot goes the opposite way.
    StageTime = 0.5f;
    FireFlatPattern(65);
    EXPECT_EQ(V(1), Along(1.5, 60));
    EXPECT_EQ(V(2), Along(1.5, -60));
    FireFlatPattern(70);
    EXPECT_EQ(V(3), Along(-1.5, 180));
    EXPECT_EQ(V(4), Along(-1.5, -180));
    // Cross at T = 0: the side shots turn by 1.57, a little short of a
    // right angle, so 60 * sin(1.57) truncates to 59.
    StageTime = 0.0f;
    FireFlatPattern(71);
    EXPECT_EQ(V(5), Velocity(0, 60));
    EXPECT_EQ(V(6), Velocity(0, -60));
    EXPECT_EQ(V(7), Velocity(59, 0));
    EXPECT_EQ(V(8), Velocity(-59, 0));
    StageTime = 0.25f;
    FireFlatPattern(76);  // b = 4 T = 1
    EXPECT_EQ(V(9), Along(1.0, 180));
    EXPECT_EQ(V(11), Along(1.0 + 1.57, 180));
    EXPECT_EQ(V(12), Along(1.0 - 1.57, 180));
    // Spins at 0.1 i + 5 T and 0.1 i + 10 T.
    for (int32_t code : {84, 87}) {
        const double scale = code == 84 ? 5 : 10;
        const int32_t first = FlatShotCursor + 1;
        FireFlatPattern(code);
        for (int i = 0; i < 5; i++) EXPECT_EQ(V(first + i), Along(0.1 * i + scale * 0.25, 120)) << code << " " << i;
    }
    // Only the kinds were drawn: one draw for each of the 22 shots.
    RefRandom ref{1};
    for (int shot = 0; shot < 22; shot++) ref.R(5);
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(FlatPatternTest, ColumnsAndRings) {
    for (int k = 0; k < 3; k++) {
        FireFlatPattern(89 + k);
        for (int i = 0; i < 10; i++) EXPECT_EQ(V(10 * k + 1 + i), Velocity(0, (60 + 20 * k) + (6 + 2 * k) * i));
    }
    // The 16-shot ring steps by 0.393 and closes past a full turn.
    StageTime = 0.3f;
    const double t = double(0.3f);
    for (int32_t code : {92, 95}) {
        const int32_t shots = code == 92 ? 8 : 16;
        const double step = code == 92 ? 0.785 : 0.393;
        const int32_t first = FlatShotCursor + 1;
        FireFlatPattern(code);
        for (int i = 0; i < shots; i++)
            EXPECT_EQ(V(first + i), Along(step * i + t, code == 92 ? 90 : 180)) << code << " " << i;
    }
}

TEST_F(FlatPatternTest, TableActionsTouchOnlyActiveShots) {
    FlatShot[3] = {10, 20, 15, -15, 2, 1};
    FlatShot[4] = {10, 20, 7, -7, 2, 1};
    FlatShot[5] = {10, 20, 15, -15, 2, 0};  // inactive: never changed
    BossPose = 1, GameRandom = 5;
    FireFlatPattern(98);
    EXPECT_EQ(V(3), Velocity(1, -1));
    FireFlatPattern(97);
    EXPECT_EQ(V(3), Velocity(1, -1));  // the remainder is lost for good
    EXPECT_EQ(V(4), Velocity(0, 0));   // 7 -> 0 -> 0
    FlatShot[4].vx = 7, FlatShot[4].vy = -7;
    FireFlatPattern(96);
    EXPECT_EQ(V(4), Velocity(3, -3));
    FireFlatPattern(97);
    EXPECT_EQ(V(4), Velocity(4, -4));
    FlatShot[4].vx = 123, FlatShot[4].vy = -45;
    FireFlatPattern(100);
    EXPECT_EQ(V(4), Velocity(-123, 45));
    FireFlatPattern(100);
    EXPECT_EQ(V(4), Velocity(123, -45));
    EXPECT_EQ(FlatShot[5], (FlatShotEntry{10, 20, 15, -15, 2, 0}));
    EXPECT_EQ(FlatShot[3], (FlatShotEntry{10, 20, 0, 0, 2, 1}));  // only the speeds change
    EXPECT_EQ(BossPose, (1 + 6) % 4);
    EXPECT_EQ(Plays(), 0);
    EXPECT_EQ(GameRandom, 5u);
    EXPECT_EQ(FlatShotCursor, 0);
}

TEST_F(FlatPatternTest, Code99ClearsEverySlotAndKeepsTheCursor) {
    for (FlatShotEntry& shot : FlatShot) shot = {1, 2, 3, 4, 0, 1};
    FlatShotCursor = 200;
    FireFlatPattern(99);
    EXPECT_EQ(ActiveShots(), 0);
    EXPECT_EQ(FlatShotCursor, 200);
    EXPECT_EQ(Plays(), 0);
    FireFlatPattern(50);
    EXPECT_EQ(FlatShotCursor, 201);
}

TEST_F(FlatPatternTest, CursorRunsRoundWithoutTheLastSlot) {
    // A cursor outside the table starts again at 0 instead of writing outside it.
    for (const auto& [from, to] :
         {std::pair{247, 248}, {248, 0}, {0, 1}, {-3, 0}, {249, 0}, {INT_MAX, 0}, {INT_MIN, 0}}) {
        FlatShotCursor = from;
        SpawnFlatShot();
        EXPECT_EQ(FlatShotCursor, to) << from;
        EXPECT_EQ(FlatShot[to].active, 1) << from;
    }
    FlatShotCursor = 1;
    FlatShot[249] = {0, 0, 0, -9, 0, 0};
    for (int call = 0; call < 40; call++) FireFlatPattern(91);  // 400 shots
    EXPECT_EQ(FlatShotCursor, (1 + 400) % 249);
    EXPECT_EQ(FlatShot[249], (FlatShotEntry{0, 0, 0, -9, 0, 0}));
}

TEST_F(FlatPatternTest, SixteenShotsOverwriteTheSlotsAfterTheCursor) {
    for (FlatShotEntry& shot : FlatShot) shot = {1, 1, 0, -1, 0, 1};
    FlatShotCursor = 240;
    FireFlatPattern(94);
    EXPECT_EQ(FlatShotCursor, 7);
    for (int slot = 0; slot < FlatShotCount; slot++) {
        const bool written = (slot >= 241 && slot <= 248) || slot <= 7;
        EXPECT_EQ(FlatShot[slot].x, written ? 120.0f : 1.0f) << slot;
    }
}

TEST_F(FlatPatternTest, SoundAndPoseForEveryKindOfCode) {
    int32_t calls = 0;
    for (int32_t code : {50, 94, 95, 62}) {
        FireFlatPattern(code);
        calls++;
    }
    EXPECT_EQ(ktScript::State.sounds, std::vector<std::string>(4, "play ./data/h2d.wav"));
    const int before = ActiveShots();
    const uint32_t random = GameRandom;
    ktScript::State.sounds.clear();
    for (int32_t code : {101, 102, 200, 255}) {  // nothing at all
        FireFlatPattern(code);
        calls++;
    }
    EXPECT_EQ(Plays(), 0);
    // Below 50 nothing is fired, but the sound still plays (below 96).
    for (int32_t code : {-1, 0, 49}) {
        FireFlatPattern(code);
        calls++;
    }
    EXPECT_EQ(Plays(), 3);
    EXPECT_EQ(ActiveShots(), before);
    EXPECT_EQ(GameRandom, random);
    EXPECT_EQ(BossPose, calls % 4);
}

}  // namespace
