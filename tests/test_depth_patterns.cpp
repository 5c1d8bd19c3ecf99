// Depth-shot patterns (first-stream codes 0 to 49): the shots each code
// writes, the order of the random draws, the ring cursor, the clear code,
// the sound and the boss's pose counter.
#include <climits>
#include <cmath>
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

// The first seed from 1 up whose draws satisfy `wanted`.
uint32_t FindSeed(const std::function<bool(RefRandom&)>& wanted) {
    for (uint32_t seed = 1; seed < 10000000u; seed++) {
        RefRandom r{seed};
        if (wanted(r)) return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 1;
}

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

}  // namespace

class DepthPatternTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        WriteFile("data/h3d.wav", TinyWave());
        DepthShotSound = ktSound::LoadObject("./data/h3d.wav", 1);
        ASSERT_TRUE(ktScript::State.boxes.empty());
        ktScript::State.sounds.clear();
    }
    static int ActiveShots() {
        int n = 0;
        for (const DepthShotEntry& shot : DepthShot) n += shot.active;
        return n;
    }
    static int Plays() { return int(ktScript::State.sounds.size()); }
};

TEST_F(DepthPatternTest, CodesWithoutAPatternOnlyAdvanceThePose) {
    BossPose = 2;
    GameRandom = 777;
    DepthShotCursor = 5;
    const int32_t codes[] = {0, -1, 50, 99, 255, 100000, INT_MIN};
    int32_t pose = 2;
    for (int32_t code : codes) {
        FireDepthPattern(code);
        pose = (pose + 1) % 4;
        EXPECT_EQ(BossPose, pose) << code;
    }
    EXPECT_EQ(Plays(), 0);
    EXPECT_EQ(ActiveShots(), 0);
    EXPECT_EQ(GameRandom, 777u);
    EXPECT_EQ(DepthShotCursor, 5);
}

TEST_F(DepthPatternTest, OneSoundPerCallHoweverManyShots) {
    for (int32_t code : {1, 43, 48}) {
        ktScript::State.sounds.clear();
        FireDepthPattern(code);
        ASSERT_EQ(Plays(), 1) << code;
        EXPECT_EQ(ktScript::State.sounds[0], "play ./data/h3d.wav");
    }
}

TEST_F(DepthPatternTest, Code49ClearsEverySlotSilentlyAndKeepsTheCursor) {
    for (DepthShotEntry& shot : DepthShot) shot = {5, 6, 50, 1, 2, 3, 4, 1};
    DepthShotCursor = 37;
    GameRandom = 99;
    BossPose = 3;
    FireDepthPattern(49);
    EXPECT_EQ(ActiveShots(), 0);
    EXPECT_EQ(DepthShot[109].active, 0);
    EXPECT_EQ(DepthShot[0].vz, 3);  // only the flags change
    EXPECT_EQ(DepthShotCursor, 37);
    EXPECT_EQ(GameRandom, 99u);
    EXPECT_EQ(BossPose, 0);
    EXPECT_EQ(Plays(), 0);
    // The next shot goes to the slot after the last one written.
    FireDepthPattern(1);
    EXPECT_EQ(DepthShotCursor, 38);
    EXPECT_EQ(DepthShot[38].active, 1);
}

TEST_F(DepthPatternTest, CursorRunsRoundWithoutTheLastSlot) {
    DepthShotCursor = 108;
    NextDepthShotSlot();
    EXPECT_EQ(DepthShotCursor, 0);
    NextDepthShotSlot();
    EXPECT_EQ(DepthShotCursor, 1);
    // A cursor outside the table starts again at 0 instead of writing outside it.
    for (int32_t bad : {-3, 109, 5000, INT_MAX, INT_MIN}) {
        DepthShotCursor = bad;
        NextDepthShotSlot();
        EXPECT_EQ(DepthShotCursor, 0) << bad;
    }

    DepthShotCursor = 108;
    FireDepthPattern(1);
    EXPECT_EQ(DepthShotCursor, 0);
    EXPECT_EQ(DepthShot[0].active, 1);

    DepthShotCursor = 0;
    DepthShot[109] = {1, 2, 3, 4, 5, -9, 0, 0};
    for (int call = 0; call < 60; call++) FireDepthPattern(9);  // 300 shots
    EXPECT_EQ(DepthShotCursor, 300 % 109);
    EXPECT_EQ(DepthShot[109].vz, -9);
    EXPECT_EQ(DepthShot[109].active, 0);
}

TEST_F(DepthPatternTest, SixteenShotsOverwriteTheSlotsAfterTheCursor) {
    for (DepthShotEntry& shot : DepthShot) shot = {1, 1, 1, 0, 0, -1, 0, 1};
    DepthShotCursor = 100;
    FireDepthPattern(43);
    EXPECT_EQ(DepthShotCursor, 7);
    for (int slot = 0; slot < DepthShotCount; slot++) {
        const bool written = (slot >= 101 && slot <= 108) || slot <= 7;
        EXPECT_EQ(DepthShot[slot].vz, written ? 50 : -1) << slot;
        if (written) {
            EXPECT_EQ(DepthShot[slot].x, 120.0f);
            EXPECT_EQ(DepthShot[slot].z, 100.0f);
        }
    }
    EXPECT_EQ(Plays(), 1);
}

TEST_F(DepthPatternTest, Code1TruncatesTowardZero) {
    struct Case {
        int32_t startX;
        float px;
        int32_t vx;
    };
    const Case cases[] = {{121, 120.0f, 0}, {10, 230.0f, 110}, {123, 120.0f, -1}, {229, 10.0f, -109}};
    for (const Case& c : cases) {
        GameRandom = FindSeed([&](RefRandom& r) { return r.R(220) + 10 == c.startX; });
        RefRandom ref{GameRandom};
        const int32_t x = ref.R(220) + 10;
        const int32_t y = ref.R(220) + 10;
        const int32_t kind = ref.R(5);
        PlayerX = c.px;
        PlayerY = 77.0f;
        DepthShotCursor = 0;
        FireDepthPattern(1);
        const DepthShotEntry& shot = DepthShot[1];
        EXPECT_EQ(shot.x, float(x));
        EXPECT_EQ(shot.y, float(y));
        EXPECT_EQ(shot.vx, c.vx) << c.startX;
        EXPECT_EQ(shot.vy, Trunc((77.0 - y) * 0.5));
        EXPECT_EQ(shot.vz, 50);
        EXPECT_EQ(shot.z, 100.0f);
        EXPECT_EQ(shot.kind, kind);
        EXPECT_EQ(shot.active, 1);
        EXPECT_EQ(GameRandom, ref.state);
    }
}

TEST_F(DepthPatternTest, AimedCodesCrossThePlayerAtDepthZero) {
    GameRandom = 4242;
    PlayerX = 100.75f;
    PlayerY = 33.25f;
    RefRandom ref{GameRandom};
    const int32_t x = ref.R(220) + 10;
    const int32_t y = ref.R(220) + 10;
    FireDepthPattern(3);
    EXPECT_EQ(DepthShot[1].vx, Trunc(100.75 - x));
    EXPECT_EQ(DepthShot[1].vy, Trunc(33.25 - y));
    EXPECT_EQ(DepthShot[1].vz, 100);

    // Codes 40 to 42 start nearer, at depth 30, and keep f = vz / 100.
    const int32_t vz[] = {10, 16, 22};
    const double f[] = {0.1, 0.16, 0.22};
    for (int k = 0; k < 3; k++) {
        RefRandom r{GameRandom};
        const int32_t sx = r.R(220) + 10;
        const int32_t sy = r.R(220) + 10;
        const int32_t kind = r.R(5);
        FireDepthPattern(40 + k);
        const DepthShotEntry& shot = DepthShot[DepthShotCursor];
        EXPECT_EQ(shot.z, 30.0f);
        EXPECT_EQ(shot.vz, vz[k]);
        EXPECT_EQ(shot.vx, Trunc((100.75 - sx) * f[k]));
        EXPECT_EQ(shot.vy, Trunc((33.25 - sy) * f[k]));
        EXPECT_EQ(shot.kind, kind);
    }
}

TEST_F(DepthPatternTest, StraightCodesKeepTheirOwnStartPoints) {
    const int32_t vz[] = {50, 90, 130};
    GameRandom = 31337;
    for (int k = 0; k < 3; k++) {
        RefRandom ref{GameRandom};
        const int32_t first = DepthShotCursor + 1;
        FireDepthPattern(7 + k);
        for (int i = 0; i < 5; i++) {
            const DepthShotEntry& shot = DepthShot[first + i];
            EXPECT_EQ(shot.x, float(ref.R(220) + 10));
            EXPECT_EQ(shot.y, float(ref.R(220) + 10));
            EXPECT_EQ(shot.kind, ref.R(5));
            EXPECT_EQ(shot.vx, 0);
            EXPECT_EQ(shot.vy, 0);
            EXPECT_EQ(shot.vz, vz[k]);
        }
        EXPECT_EQ(GameRandom, ref.state);
    }
}

TEST_F(DepthPatternTest, SharedStartAndRandomTargetsDrawInOrder) {
    // Code 5: the shared start x then y, then per shot target x, y and kind.
    GameRandom = 2024;
    RefRandom ref{GameRandom};
    const int32_t sx = ref.R(220) + 10;
    const int32_t sy = ref.R(220) + 10;
    FireDepthPattern(5);
    for (int i = 0; i < 5; i++) {
        const DepthShotEntry& shot = DepthShot[1 + i];
        const int32_t tx = ref.R(220) + 10;
        const int32_t ty = ref.R(220) + 10;
        EXPECT_EQ(shot.x, float(sx));
        EXPECT_EQ(shot.y, float(sy));
        EXPECT_EQ(shot.vx, Trunc((tx - sx) * 0.75));
        EXPECT_EQ(shot.vy, Trunc((ty - sy) * 0.75));
        EXPECT_EQ(shot.kind, ref.R(5));
    }
    // Code 12: one shot from the centre to a random point at 1.5.
    const int32_t tx = ref.R(220) + 10;
    const int32_t ty = ref.R(220) + 10;
    const int32_t kind = ref.R(5);
    FireDepthPattern(12);
    EXPECT_EQ(DepthShot[6].x, 120.0f);
    EXPECT_EQ(DepthShot[6].vx, Trunc((tx - 120) * 1.5));
    EXPECT_EQ(DepthShot[6].vy, Trunc((ty - 120) * 1.5));
    EXPECT_EQ(DepthShot[6].vz, 150);
    EXPECT_EQ(DepthShot[6].kind, kind);
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(DepthPatternTest, CrossAndJitterCodesAimAroundThePlayer) {
    PlayerX = 60.5f;
    PlayerY = 180.0f;
    GameRandom = 55;
    RefRandom ref{GameRandom};
    FireDepthPattern(14);
    const int dx[] = {0, -40, 40, 0, 0};
    const int dy[] = {0, 0, 0, -40, 40};
    for (int i = 0; i < 5; i++) {
        const int32_t x = ref.R(220) + 10;
        const int32_t y = ref.R(220) + 10;
        EXPECT_EQ(DepthShot[1 + i].vx, Trunc(60.5 + dx[i] - x)) << i;
        EXPECT_EQ(DepthShot[1 + i].vy, Trunc(180.0 + dy[i] - y)) << i;
        EXPECT_EQ(DepthShot[1 + i].kind, ref.R(5));
    }
    // Code 38: start x, y, then the target's offsets x, y, then kind.
    FireDepthPattern(38);
    for (int i = 0; i < 3; i++) {
        const int32_t x = ref.R(220) + 10;
        const int32_t y = ref.R(220) + 10;
        const int32_t ox = ref.R(100) - 50;
        const int32_t oy = ref.R(100) - 50;
        const DepthShotEntry& shot = DepthShot[6 + i];
        EXPECT_EQ(shot.x, float(x));
        EXPECT_EQ(shot.vx, Trunc((60.5 + ox - x) * 0.9));
        EXPECT_EQ(shot.vy, Trunc((180.0 + oy - y) * 0.9));
        EXPECT_EQ(shot.vz, 90);
        EXPECT_EQ(shot.kind, ref.R(5));
    }
    EXPECT_EQ(GameRandom, ref.state);
}

TEST_F(DepthPatternTest, ColumnAndRowStandAtBAndDriftTowardA) {
    // A first, then B = 229 (R(220) = 219).
    const uint32_t seed = FindSeed([](RefRandom& r) { r.R(220); return r.R(220) == 219; });
    for (int32_t code : {16, 19}) {
        GameRandom = seed;
        RefRandom ref{seed};
        const int32_t a = ref.R(220) + 10;
        ref.R(220);
        DepthShotCursor = 0;
        FireDepthPattern(code);
        for (int i = 0; i < 12; i++) {
            const DepthShotEntry& shot = DepthShot[1 + i];
            const float along = float(10 + 20 * i);
            EXPECT_EQ(shot.x, code == 16 ? 229.0f : along);
            EXPECT_EQ(shot.y, code == 16 ? along : 229.0f);
            EXPECT_EQ(code == 16 ? shot.vx : shot.vy, Trunc((a - 229) * 0.5));
            EXPECT_EQ(code == 16 ? shot.vy : shot.vx, 0);
            EXPECT_EQ(shot.vz, 50);
            EXPECT_EQ(shot.kind, ref.R(5));
        }
        EXPECT_EQ(GameRandom, ref.state);
    }
}

TEST_F(DepthPatternTest, SpraysTurnWithTheStageClock) {
    // Code 23 at T = 0: sin 0 = 0, and y is scaled by 0.5, not 0.75.
    GameRandom = 8;
    StageTime = 0.0f;
    RefRandom ref{GameRandom};
    ref.R(170);
    const int32_t ry = ref.R(170);
    const int32_t kind = ref.R(5);
    FireDepthPattern(23);
    EXPECT_EQ(DepthShot[1].x, 120.0f);
    EXPECT_EQ(DepthShot[1].y, 120.0f);
    EXPECT_EQ(DepthShot[1].vx, 0);
    EXPECT_EQ(DepthShot[1].vy, Trunc(ry * 0.5));
    EXPECT_EQ(DepthShot[1].kind, kind);
    EXPECT_EQ(DepthShot[1].vz, 75);

    // The angle is T, 2 T or -T; the 0.75 rows keep fy = 0.5.
    StageTime = 0.7f;
    const double t = double(0.7f);
    struct Row {
        int32_t code;
        double angle, fx, fy;
    };
    const Row rows[] = {{22, t, 0.5, 0.5}, {23, t, 0.75, 0.5}, {24, t, 1, 1},
                        {26, 2 * t, 0.75, 0.5}, {27, 2 * t, 1, 1}, {29, -t, 0.75, 0.5}};
    for (const Row& row : rows) {
        RefRandom r{GameRandom};
        const int32_t rx2 = r.R(170);
        const int32_t ry2 = r.R(170);
        FireDepthPattern(row.code);
        const DepthShotEntry& shot = DepthShot[DepthShotCursor];
        EXPECT_EQ(shot.vx, Trunc(rx2 * std::sin(row.angle) * row.fx)) << row.code;
        EXPECT_EQ(shot.vy, Trunc(ry2 * std::cos(row.angle) * row.fy)) << row.code;
        EXPECT_EQ(shot.kind, r.R(5));
    }

    // Code 32: four shots at 0.78 i + 2 T, both factors 0.75.
    RefRandom r{GameRandom};
    const int32_t first = DepthShotCursor + 1;
    FireDepthPattern(32);
    for (int i = 0; i < 4; i++) {
        const double a = 0.78 * i + 2 * t;
        const int32_t sx = r.R(170);
        const int32_t sy = r.R(170);
        EXPECT_EQ(DepthShot[first + i].vx, Trunc(sx * std::sin(a) * 0.75));
        EXPECT_EQ(DepthShot[first + i].vy, Trunc(sy * std::cos(a) * 0.75));
        EXPECT_EQ(DepthShot[first + i].kind, r.R(5));
    }
}

TEST_F(DepthPatternTest, GridsAndCirclesFromTheCentre) {
    GameRandom = 1234;
    RefRandom ref{GameRandom};
    const int32_t u = ref.R(220) - 30;
    const int32_t v = ref.R(220) - 30;
    FireDepthPattern(35);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) {
            const DepthShotEntry& shot = DepthShot[1 + 3 * i + j];
            EXPECT_EQ(shot.vx, Trunc((u + 30 * i - 120) * 0.75));
            EXPECT_EQ(shot.vy, Trunc((v + 30 * j - 120) * 0.75));
            EXPECT_EQ(shot.kind, ref.R(5));
        }
    const int32_t u4 = ref.R(160) - 10;
    const int32_t v4 = ref.R(160) - 10;
    FireDepthPattern(45);
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) {
            const DepthShotEntry& shot = DepthShot[10 + 4 * i + j];
            EXPECT_EQ(shot.vx, u4 + 30 * i - 120);
            EXPECT_EQ(shot.vy, v4 + 30 * j - 120);
            EXPECT_EQ(shot.kind, ref.R(5));
        }

    // Code 47: around the player at 40 pixels, a = 0.55 i + 2 T.
    PlayerX = 200.0f;
    PlayerY = 30.0f;
    StageTime = 1.25f;
    FireDepthPattern(47);
    for (int i = 0; i < 5; i++) {
        const double a = 0.55 * i + 2 * 1.25;
        const DepthShotEntry& shot = DepthShot[26 + i];
        EXPECT_EQ(shot.vx, Trunc((200.0 + 40 * std::sin(a) - 120) * 0.75));
        EXPECT_EQ(shot.vy, Trunc((30.0 + 40 * std::cos(a) - 120) * 0.75));
        EXPECT_EQ(shot.kind, ref.R(5));
    }
    EXPECT_EQ(GameRandom, ref.state);
}
