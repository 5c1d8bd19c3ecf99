// Flat-shot patterns (first-stream codes 50 to 100): the shots spawned at the
// boss, their velocities, the order of the random draws, the table actions
// 96 to 100, the ring cursor, the sound and the boss's pose counter.
#include <climits>
#include <cmath>

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

// A tiny valid wave file: 16-bit mono, eight samples.
std::vector<uint8_t> TinyWave() {
    std::vector<uint8_t> w;
    auto text = [&](const char* s) { w.insert(w.end(), s, s + 4); };
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; i++) w.push_back(uint8_t(v >> (8 * i))); };
    auto u16 = [&](uint16_t v) { w.push_back(uint8_t(v)); w.push_back(uint8_t(v >> 8)); };
    text("RIFF"); u32(36 + 16); text("WAVE");
    text("fmt "); u32(16); u16(1); u16(1); u32(22050); u32(44100); u16(2); u16(16);
    text("data"); u32(16);
    for (int i = 0; i < 16; i++) w.push_back(uint8_t(i * 9));
    return w;
}

int32_t Trunc(double v) { return static_cast<int32_t>(v); }

// The aimed velocity from (x, y) toward (tx, ty): differences in single
// precision, then speed * difference / distance.
int32_t AimedX(float tx, float ty, float x, float y, int32_t speed) {
    const float dx = tx - x, dy = ty - y;
    return Trunc(speed * double(dx) / std::sqrt(double(dx) * dx + double(dy) * dy));
}
int32_t AimedY(float tx, float ty, float x, float y, int32_t speed) { return AimedX(ty, tx, y, x, speed); }

}  // namespace

class FlatPatternTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        WriteFile("data/h2d.wav", TinyWave());
        FlatShotSound = ktSound::LoadObject("./data/h2d.wav", 1);
        ASSERT_TRUE(ktScript::State.boxes.empty());
        ktScript::State.sounds.clear();
        // The boss above the player, in line.
        BossX = 120.0f;
        BossY = 50.0f;
        PlayerX = 120.0f;
        PlayerY = 200.0f;
    }
    static int ActiveShots() {
        int n = 0;
        for (const FlatShotEntry& shot : FlatShot) n += shot.active;
        return n;
    }
    static int Plays() { return int(ktScript::State.sounds.size()); }
};

TEST_F(FlatPatternTest, AimedShotsStartAtTheBoss) {
    GameRandom = 321;
    RefRandom ref{GameRandom};
    const int32_t speeds[] = {60, 120, 180};
    for (int k = 0; k < 3; k++) {
        FireFlatPattern(50 + k);
        const FlatShotEntry& shot = FlatShot[1 + k];
        EXPECT_EQ(shot.x, 120.0f);
        EXPECT_EQ(shot.y, 50.0f);
        EXPECT_EQ(shot.vx, 0);
        EXPECT_EQ(shot.vy, speeds[k]);
        EXPECT_EQ(shot.active, 1);
        EXPECT_EQ(shot.kind, ref.R(5));
    }
    EXPECT_EQ(GameRandom, ref.state);
    // On a slant: 30 across and 40 down is 50 away; speed 60 gives (36, 48).
    BossX = 30.0f;
    BossY = 30.0f;
    PlayerX = 60.0f;
    PlayerY = 70.0f;
    FireFlatPattern(50);
    EXPECT_EQ(FlatShot[4].vx, 36);
    EXPECT_EQ(FlatShot[4].vy, 48);
}

TEST_F(FlatPatternTest, FansOffsetVxAlone) {
    FireFlatPattern(53);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(FlatShot[1 + i].vx, 30 * (i - 1));
        EXPECT_EQ(FlatShot[1 + i].vy, 60);
    }
    FireFlatPattern(56);
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(FlatShot[4 + i].vx, 30 * (i - 2));
        EXPECT_EQ(FlatShot[4 + i].vy, 60);
    }
    FireFlatPattern(58);
    EXPECT_EQ(FlatShot[9].vx, -180);
    EXPECT_EQ(FlatShot[13].vx, 180);
    FireFlatPattern(77);
    for (int i = 0; i < 7; i++) {
        EXPECT_EQ(FlatShot[14 + i].vx, 10 * i - 30);
        EXPECT_EQ(FlatShot[14 + i].vy, 50);
    }
    FireFlatPattern(79);
    EXPECT_EQ(FlatShot[21].vx, -90);
    EXPECT_EQ(FlatShot[27].vx, 90);
    EXPECT_EQ(FlatShot[27].vy, 150);
}

TEST_F(FlatPatternTest, TargetCloserThanFiveGivesARandomVelocity) {
    struct Case {
        float px, py;
        bool random;
    };
    // (3, 4) away is exactly 5: aimed. Just under 5, and on the boss: random.
    const Case cases[] = {{123.0f, 124.0f, false}, {122.9f, 123.9f, true}, {120.0f, 120.0f, true},
                          {124.99f, 120.0f, true}};
    BossX = 120.0f;
    BossY = 120.0f;
    GameRandom = 9001;
    for (const Case& c : cases) {
        PlayerX = c.px;
        PlayerY = c.py;
        RefRandom ref{GameRandom};
        const int32_t kind = ref.R(5);
        FireFlatPattern(50);
        const FlatShotEntry& shot = FlatShot[FlatShotCursor];
        EXPECT_EQ(shot.kind, kind);
        if (c.random) {
            const int32_t vx = ref.R(110) - 50;
            const int32_t vy = ref.R(110) - 50;
            EXPECT_EQ(shot.vx, vx) << c.px;
            EXPECT_EQ(shot.vy, vy) << c.px;
            EXPECT_GE(shot.vx, -50);
            EXPECT_LE(shot.vx, 59);
        } else {
            EXPECT_EQ(shot.vx, 36);
            EXPECT_EQ(shot.vy, 48);
        }
        EXPECT_EQ(GameRandom, ref.state);
    }
    // A slot outside the table is left alone.
    const uint32_t random = GameRandom;
    AimFlatShot(120.0f, 120.0f, -1, 60);
    AimFlatShot(120.0f, 120.0f, FlatShotCount, 60);
    EXPECT_EQ(GameRandom, random);
}

TEST_F(FlatPatternTest, LinesSpeedUpFromOne) {
    const int32_t steps[] = {15, 23, 30};
    for (int k = 0; k < 3; k++) {
        const int32_t first = FlatShotCursor + 1;
        FireFlatPattern(62 + k);
        for (int i = 1; i <= 7; i++) {
            EXPECT_EQ(FlatShot[first + i - 1].vx, 0);
            EXPECT_EQ(FlatShot[first + i - 1].vy, steps[k] * i);
        }
    }
    EXPECT_EQ(FlatShot[7].vy, 105);
}

TEST_F(FlatPatternTest, RandomAndScatteredAimsDrawInOrder) {
    // Code 60: kind, then Y, then X, per shot.
    PlayerX = 37.5f;
    PlayerY = 212.25f;
    GameRandom = 777;
    RefRandom ref{GameRandom};
    FireFlatPattern(60);
    for (int i = 0; i < 5; i++) {
        const FlatShotEntry& shot = FlatShot[1 + i];
        EXPECT_EQ(shot.kind, ref.R(5));
        const float y = float(ref.R(240));
        const float x = float(ref.R(240));
        if (std::hypot(x - 120.0, y - 50.0) < 5) {
            ADD_FAILURE() << "pick another seed";
            return;
        }
        EXPECT_EQ(shot.vx, AimedX(x, y, 120.0f, 50.0f, 120));
        EXPECT_EQ(shot.vy, AimedY(x, y, 120.0f, 50.0f, 120));
    }
    // Code 81: kind, speed R(100) + 50, y offset, x offset.
    FireFlatPattern(81);
    for (int i = 0; i < 10; i++) {
        const FlatShotEntry& shot = FlatShot[6 + i];
        EXPECT_EQ(shot.kind, ref.R(5));
        const int32_t s = ref.R(100) + 50;
        const float ty = float(212.25 + ref.R(120) - 60);
        const float tx = float(37.5 + ref.R(120) - 60);
        EXPECT_EQ(shot.vx, AimedX(tx, ty, 120.0f, 50.0f, s)) << i;
        EXPECT_EQ(shot.vy, AimedY(tx, ty, 120.0f, 50.0f, s)) << i;
    }
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(FlatPatternTest, DirectionsFollowTheStageClock) {
    // Pair at 3 T and -3 T: the second shot goes the opposite way.
    GameRandom = 1;
    StageTime = 0.5f;
    FireFlatPattern(65);
    EXPECT_EQ(FlatShot[1].vx, Trunc(std::sin(1.5) * 60));
    EXPECT_EQ(FlatShot[1].vy, Trunc(std::cos(1.5) * 60));
    EXPECT_EQ(FlatShot[2].vx, Trunc(std::sin(1.5) * -60));
    EXPECT_EQ(FlatShot[2].vy, Trunc(std::cos(1.5) * -60));
    FireFlatPattern(70);
    EXPECT_EQ(FlatShot[3].vx, Trunc(std::sin(-1.5) * 180));
    EXPECT_EQ(FlatShot[4].vy, Trunc(std::cos(-1.5) * -180));

    // Cross at T = 0: the side shots turn by 1.57, a little short of a
    // right angle, so 60 * sin(1.57) truncates to 59.
    StageTime = 0.0f;
    FireFlatPattern(71);
    EXPECT_EQ(FlatShot[5].vx, 0);
    EXPECT_EQ(FlatShot[5].vy, 60);
    EXPECT_EQ(FlatShot[6].vx, 0);
    EXPECT_EQ(FlatShot[6].vy, -60);
    EXPECT_EQ(FlatShot[7].vx, 59);
    EXPECT_EQ(FlatShot[7].vy, 0);
    EXPECT_EQ(FlatShot[8].vx, -59);
    EXPECT_EQ(FlatShot[8].vy, 0);
    StageTime = 0.25f;
    FireFlatPattern(76);  // b = 4 T = 1
    EXPECT_EQ(FlatShot[9].vx, Trunc(std::sin(1.0) * 180));
    EXPECT_EQ(FlatShot[11].vy, Trunc(std::cos(1.0 + 1.57) * 180));
    EXPECT_EQ(FlatShot[12].vx, Trunc(std::sin(1.0 - 1.57) * 180));

    // Spins at 0.1 i + 5 T and 0.1 i + 10 T.
    for (int32_t code : {84, 87}) {
        const double scale = code == 84 ? 5 : 10;
        const int32_t first = FlatShotCursor + 1;
        FireFlatPattern(code);
        for (int i = 0; i < 5; i++) {
            const double a = 0.1 * i + scale * 0.25;
            EXPECT_EQ(FlatShot[first + i].vx, Trunc(std::sin(a) * 120)) << code;
            EXPECT_EQ(FlatShot[first + i].vy, Trunc(std::cos(a) * 120)) << code;
        }
    }
    // Only the kinds were drawn: one draw for each of the 22 shots.
    RefRandom ref{1};
    for (int shot = 0; shot < 22; shot++) ref.R(5);
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(FlatPatternTest, ColumnsAndRings) {
    for (int k = 0; k < 3; k++) {
        const int32_t first = FlatShotCursor + 1;
        FireFlatPattern(89 + k);
        for (int i = 0; i < 10; i++) {
            EXPECT_EQ(FlatShot[first + i].vx, 0);
            EXPECT_EQ(FlatShot[first + i].vy, (60 + 20 * k) + (6 + 2 * k) * i);
        }
    }
    EXPECT_EQ(FlatShot[30].vy, 190);

    // The 16-shot ring steps by 0.393 and closes past a full turn.
    StageTime = 0.3f;
    const double t = double(0.3f);
    for (int32_t code : {92, 95}) {
        const int32_t shots = code == 92 ? 8 : 16;
        const double step = code == 92 ? 0.785 : 0.393;
        const int32_t speed = code == 92 ? 90 : 180;
        const int32_t first = FlatShotCursor + 1;
        FireFlatPattern(code);
        for (int i = 0; i < shots; i++) {
            EXPECT_EQ(FlatShot[first + i].vx, Trunc(std::sin(step * i + t) * speed)) << code << " " << i;
            EXPECT_EQ(FlatShot[first + i].vy, Trunc(std::cos(step * i + t) * speed)) << code << " " << i;
        }
    }
}

TEST_F(FlatPatternTest, TableActionsTouchOnlyActiveShots) {
    FlatShot[3] = {10, 20, 15, -15, 2, 1};
    FlatShot[4] = {10, 20, 7, -7, 2, 1};
    FlatShot[5] = {10, 20, 15, -15, 2, 0};  // inactive: never changed
    BossPose = 1;
    GameRandom = 5;
    FireFlatPattern(98);
    EXPECT_EQ(FlatShot[3].vx, 1);
    EXPECT_EQ(FlatShot[3].vy, -1);
    FireFlatPattern(97);
    EXPECT_EQ(FlatShot[3].vx, 1);  // the remainder is lost for good
    EXPECT_EQ(FlatShot[3].vy, -1);
    EXPECT_EQ(FlatShot[4].vx, 0);  // 7 -> 0 -> 0
    FlatShot[4].vx = 7;
    FlatShot[4].vy = -7;
    FireFlatPattern(96);
    EXPECT_EQ(FlatShot[4].vx, 3);
    EXPECT_EQ(FlatShot[4].vy, -3);
    FireFlatPattern(97);
    EXPECT_EQ(FlatShot[4].vx, 4);
    EXPECT_EQ(FlatShot[4].vy, -4);
    FlatShot[4].vx = 123;
    FlatShot[4].vy = -45;
    FireFlatPattern(100);
    EXPECT_EQ(FlatShot[4].vx, -123);
    EXPECT_EQ(FlatShot[4].vy, 45);
    FireFlatPattern(100);
    EXPECT_EQ(FlatShot[4].vx, 123);
    EXPECT_EQ(FlatShot[4].vy, -45);

    EXPECT_EQ(FlatShot[5].vx, 15);
    EXPECT_EQ(FlatShot[5].vy, -15);
    EXPECT_EQ(FlatShot[3].x, 10.0f);
    EXPECT_EQ(FlatShot[3].active, 1);
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
    EXPECT_EQ(FlatShot[249].active, 0);
    EXPECT_EQ(FlatShotCursor, 200);
    EXPECT_EQ(Plays(), 0);
    FireFlatPattern(50);
    EXPECT_EQ(FlatShotCursor, 201);
}

TEST_F(FlatPatternTest, CursorRunsRoundWithoutTheLastSlot) {
    FlatShotCursor = 248;
    SpawnFlatShot();
    EXPECT_EQ(FlatShotCursor, 0);
    EXPECT_EQ(FlatShot[0].active, 1);
    // A cursor outside the table starts again at 0 instead of writing outside it.
    for (int32_t bad : {-3, 249, 5000, INT_MAX, INT_MIN}) {
        FlatShotCursor = bad;
        SpawnFlatShot();
        EXPECT_EQ(FlatShotCursor, 0) << bad;
    }
    SpawnFlatShot();
    EXPECT_EQ(FlatShotCursor, 1);

    FlatShot[249] = {0, 0, 0, -9, 0, 0};
    for (int call = 0; call < 40; call++) FireFlatPattern(91);  // 400 shots
    EXPECT_EQ(FlatShotCursor, (1 + 400) % 249);
    EXPECT_EQ(FlatShot[249].vy, -9);
    EXPECT_EQ(FlatShot[249].active, 0);
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
    EXPECT_EQ(Plays(), 1);
}

TEST_F(FlatPatternTest, SoundAndPoseForEveryKindOfCode) {
    BossPose = 0;
    int32_t calls = 0;
    for (int32_t code : {50, 94, 95, 62}) {
        ktScript::State.sounds.clear();
        FireFlatPattern(code);
        calls++;
        ASSERT_EQ(Plays(), 1) << code;
        EXPECT_EQ(ktScript::State.sounds[0], "play ./data/h2d.wav");
    }
    const int before = ActiveShots();
    const uint32_t random = GameRandom;
    ktScript::State.sounds.clear();
    for (int32_t code = 101; code <= 255; code++) {
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
