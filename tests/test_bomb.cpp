// The bomb: its trigger, the column it clears with the points, combo and
// damage of every cleared shot and the n² bonus of each frame, the beam and
// the stock icons, read off a coded sprite sheet.
#include "game_fixture.h"

namespace {

using testutil::Black;
using testutil::Spot;

class BombTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        LoadCodedSheet();
        LaserSound = LoadTinySound("lazer.wav");
        ExpectLoadsWorked();
        GameMode = 1, GameDelta = 0.1f, PlayerX = 120.0f, PlayerY = 200.0f, BossHp = 1000;
    }
    static void Flat(int slot, float x, float y) { FlatShot[slot] = {x, y, 0, 0, 0, 1}; }
    static void Depth(int slot, float x, float y, float z) { DepthShot[slot] = {x, y, z, 0, 0, 50, 0, 1}; }
    static int Lasers() { return SoundCalls("play ./data/lazer.wav"); }
};

TEST_F(BombTest, KeyXOrPadButtonTwoStartsABombFromTheStock) {
    ktScript::State.keys[ktPlatform::VK_X] = 1;
    Flat(1, 120.0f, 100.0f);
    UpdateBomb();  // none in stock: nothing at all
    EXPECT_EQ(BombTimer, 0.0f);
    EXPECT_EQ(Lasers(), 0);
    EXPECT_EQ(FlatShot[1].active, 1);
    EXPECT_EQ(Score, 0u);

    ktScript::State.keys[ktPlatform::VK_X] = 0;
    ktScript::State.pads[0] = {1, {0, 0, 2}};
    Bombs = 1;
    UpdateBomb();
    EXPECT_EQ(Bombs, 0);
    EXPECT_EQ(Lasers(), 1);
    EXPECT_EQ(FlatShot[1].active, 0);
}

TEST_F(BombTest, HeldKeyStartsTheNextBombOnlyWhenTheFirstHasRunOut) {
    ktScript::State.keys[ktPlatform::VK_X] = 1;
    Bombs = 2, ShotTimer = 0.5f;
    UpdateBomb();
    EXPECT_EQ(Bombs, 1);
    EXPECT_FLOAT_EQ(BombTimer, 39.0f);  // 41, then this frame's fall
    EXPECT_FLOAT_EQ(ShotTimer, 1.5f);   // the volleys pause for a second
    EXPECT_EQ(ComboTimer, 240.0f);
    int frames = 1;
    for (; Bombs == 1 && frames < 100; frames++) UpdateBomb();
    // 41 falling 2 per frame lasts 21 frames; the second starts in the 22nd.
    EXPECT_EQ(frames, 22);
    EXPECT_EQ(Lasers(), 2);
    EXPECT_FLOAT_EQ(ShotTimer, 2.5f);
}

TEST_F(BombTest, NoNewBombDuringTheHitSequenceButARunningOneGoesOn) {
    Bombs = 1, HitTimer = 3.0f;
    ktScript::State.keys[ktPlatform::VK_X] = 1;
    UpdateBomb();
    EXPECT_EQ(Bombs, 1);
    EXPECT_EQ(BombTimer, 0.0f);
    BombTimer = 10.0f;
    Flat(4, 120.0f, 100.0f);
    UpdateBomb();
    EXPECT_EQ(FlatShot[4].active, 0);
    EXPECT_EQ(Bombs, 1);
}

TEST_F(BombTest, WindowIsOneHundredWideWhateverTheDepthAndTheBossCanFallBelowZero) {
    BombTimer = 20.0f, BossHp = 4;
    Flat(1, PlayerX + 49.9f, 5.0f);
    Flat(2, PlayerX + 50.0f, 100.0f);
    Flat(3, PlayerX - 50.0f, 100.0f);
    Flat(4, PlayerX - 49.9f, 235.0f);
    Depth(5, PlayerX + 45.0f, -300.0f, 100.0f);  // far away: cleared too
    Depth(6, PlayerX - 50.0f, 100.0f, 5.0f);
    UpdateBomb();
    EXPECT_EQ(FlatShot[1].active + FlatShot[4].active + DepthShot[5].active, 0);
    EXPECT_EQ(FlatShot[2].active + FlatShot[3].active + DepthShot[6].active, 3);
    EXPECT_EQ(BossHp, 4 - 3 - 3 - 6);
}

TEST_F(BombTest, ClearedShotsPayPowersComboAndTheSquareBonus) {
    // trunc(x + y) of 20, 35 and 100: powers 2^2, 2^17 and 2^10.
    BombTimer = 20.0f;
    Flat(3, 110.5f, -90.0f);
    Flat(8, 120.0f, -85.0f);
    Flat(200, 130.0f, -30.0f);
    UpdateBomb();
    EXPECT_EQ(Score, 4u + 8u + 131072u + 16u + 1024u + 24u + 9000u);
    EXPECT_EQ(Combo, 24 + 9);
    EXPECT_EQ(BossHp, 1000 - 9);
    // A burst centred on each, in clearing order.
    EXPECT_EQ((Spot{Burst[1].x, Burst[1].y}), (Spot{140, -100}));
    EXPECT_EQ((Spot{Burst[3].x, Burst[3].y}), (Spot{160, -40}));

    // The next frame pays its own bonus.
    Score = 0, Combo = 0;
    Flat(9, 100.0f, 0.0f);
    Flat(10, 100.0f, 1.0f);
    UpdateBomb();
    EXPECT_EQ(Score, (1024u + 8u) + (2048u + 16u) + 4000u);
    EXPECT_EQ(Combo, 20);
}

TEST_F(BombTest, PowerComesFromWhereTheShotWas) {
    BombTimer = 20.0f;
    const struct {
        float x, y;
        uint32_t points;
    } cases[] = {
        {120.0f, -102.0f, 1u},      // 18: remainder 0
        {100.0f, -137.0f, 1u},      // -37: remainder -1 keeps its sign
        {100.0f, -100.5f, 1u},      // -0.5 truncates to 0
        {100.0f, -81.0f, 2u},       // 19: 2^1
        {100.9f, -83.0f, 131072u},  // 17.9 truncates to 17
    };
    for (const auto& c : cases) {
        Score = 0, Combo = 0;
        Flat(1, c.x, c.y);
        UpdateBomb();
        EXPECT_EQ(Score, c.points + 8u + 1000u) << c.x << " " << c.y;
    }
}

TEST_F(BombTest, GainsByModeAndCharacter) {
    const struct {
        int32_t character, mode, flat, depth;
    } cases[] = {{0, 2, 6, 18},  {1, 2, 12, 12}, {2, 2, 18, 6},  {0, 1, 8, 24},  {1, 1, 16, 16},
                 {2, 1, 24, 8},  {0, 0, 12, 36}, {1, 0, 24, 24}, {2, 0, 36, 12}, {1, 5, 24, 24}};
    for (const auto& c : cases) {
        Character = c.character, GameMode = c.mode, Combo = 0, BombTimer = 20.0f;
        Flat(1, 120.0f, 0.0f);
        UpdateBomb();
        EXPECT_EQ(Combo, c.flat + 1) << c.character << " " << c.mode;
        Combo = 0;
        Depth(1, 120.0f, 0.0f, 50.0f);
        UpdateBomb();
        EXPECT_EQ(Combo, c.depth + 1) << c.character << " " << c.mode;
    }
}

TEST_F(BombTest, IconsAndBeam) {
    Bombs = 3, ReverseStock = 2;
    UpdateBomb();
    EXPECT_EQ(Sheet(45, 5), (Spot{60, 180}));
    EXPECT_EQ(Sheet(64, 44), (Spot{79, 189}));  // the third icon's last pixel
    EXPECT_EQ(Sheet(45, 50), Black);            // three icons only
    EXPECT_EQ(Sheet(255, 20), (Spot{60, 140}));
    EXPECT_EQ(Sheet(255, 35), Black);
    EXPECT_EQ(Sheet(120, 100), Black);  // no beam while idle

    ktDraw::ClearScreen();
    Bombs = ReverseStock = 0, BombTimer = 20.0f, PlayerX = 100.7f;
    UpdateBomb();
    // Twelve pieces from the top down, their left edge at trunc(PlayerX).
    EXPECT_EQ(Sheet(100, 0), (Spot{0, 230}));
    EXPECT_EQ(Sheet(179, 239), (Spot{79, 249}));
    EXPECT_EQ(Sheet(100, 120), (Spot{0, 230}));
    EXPECT_EQ(Sheet(99, 100), Black);
    EXPECT_EQ(Sheet(180, 100), Black);
    EXPECT_EQ(Sheet(45, 5), Black);
}

}  // namespace
