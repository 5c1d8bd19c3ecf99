// The bomb: its trigger, the column it clears with the points, combo and
// damage of every cleared shot and the n² bonus of each frame, the beam and
// the stock icons, read off a coded sprite sheet; and what a boss hit and a
// cleared shot are worth for each difficulty and character.
#include <tuple>

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

TEST_F(BombTest, KeyXOrPadButtonTwoStartsABombFromTheStockButNotDuringAHit) {
    ktScript::State.keys[ktPlatform::VK_X] = 1;
    Flat(1, 120.0f, 100.0f);
    UpdateBomb();  // none in stock: nothing at all
    EXPECT_EQ(std::tuple(BombTimer, Lasers(), FlatShot[1].active, Score), std::tuple(0.0f, 0, 1, 0u));
    Bombs = 1, HitTimer = 3.0f;  // nor during a hit sequence
    UpdateBomb();
    EXPECT_EQ(std::tuple(Bombs, BombTimer), std::tuple(1, 0.0f));
    ktScript::State.keys[ktPlatform::VK_X] = 0, HitTimer = 0.0f;
    ktScript::State.pads[0] = {1, {0, 0, 2}};
    UpdateBomb();
    EXPECT_EQ(std::tuple(Bombs, Lasers(), FlatShot[1].active), std::tuple(0, 1, 0));
    // A running bomb goes on through a hit sequence.
    HitTimer = 3.0f;
    Flat(4, 120.0f, 100.0f);
    UpdateBomb();
    EXPECT_EQ(FlatShot[4].active, 0);
}

TEST_F(BombTest, HeldKeyStartsTheNextBombOnlyWhenTheFirstHasRunOut) {
    ktScript::State.keys[ktPlatform::VK_X] = 1;
    Bombs = 2, ShotTimer = 0.5f;
    UpdateBomb();
    // 41, then this frame's fall; the volleys pause for a second; the combo
    // cannot run out while a bomb acts.
    EXPECT_EQ(std::tuple(Bombs, ComboTimer), std::tuple(1, 240.0f));
    EXPECT_FLOAT_EQ(BombTimer, 39.0f);
    EXPECT_FLOAT_EQ(ShotTimer, 1.5f);
    int frames = 1;
    for (; Bombs == 1 && frames < 100; frames++) UpdateBomb();
    // 41 falling 2 per frame lasts 21 frames; the second starts in the 22nd.
    EXPECT_EQ(std::tuple(frames, Lasers()), std::tuple(22, 2));
    EXPECT_FLOAT_EQ(ShotTimer, 2.5f);
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

TEST_F(BombTest, ClearedShotsPayAPowerOfTwoByTheirPlaceTheComboAndTheSquareBonus) {
    // trunc(x + y) of 20, 35 and 100: powers 2^2, 2^17 and 2^10.
    BombTimer = 20.0f;
    Flat(3, 110.5f, -90.0f);
    Flat(8, 120.0f, -85.0f);
    Flat(200, 130.0f, -30.0f);
    UpdateBomb();
    EXPECT_EQ(std::tuple(Score, Combo, BossHp), std::tuple(4u + 8u + 131072u + 16u + 1024u + 24u + 9000u, 24 + 9, 991));
    // A burst centred on each, in clearing order.
    EXPECT_EQ(std::tuple(Spot{Burst[1].x, Burst[1].y}, Spot{Burst[3].x, Burst[3].y}), std::tuple(Spot{140, -100}, Spot{160, -40}));
    // The next frame pays its own bonus.
    Score = 0, Combo = 0;
    Flat(9, 100.0f, 0.0f);
    Flat(10, 100.0f, 1.0f);
    UpdateBomb();
    EXPECT_EQ(std::tuple(Score, Combo), std::tuple((1024u + 8u) + (2048u + 16u) + 4000u, 20));
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

TEST_F(BombTest, IconsAndBeam) {
    Bombs = 3, ReverseStock = 2;
    UpdateBomb();
    EXPECT_EQ(std::tuple(Sheet(45, 5), Sheet(64, 44), Sheet(45, 50)), std::tuple(Spot{60, 180}, Spot{79, 189}, Black));
    EXPECT_EQ(std::tuple(Sheet(255, 20), Sheet(255, 35), Sheet(120, 100)), std::tuple(Spot{60, 140}, Black, Black));
    ktDraw::ClearScreen();
    Bombs = ReverseStock = 0, BombTimer = 20.0f, PlayerX = 100.7f;
    UpdateBomb();
    // Twelve pieces from the top down, their left edge at trunc(PlayerX).
    EXPECT_EQ(std::tuple(Sheet(100, 0), Sheet(179, 239), Sheet(100, 120)), std::tuple(Spot{0, 230}, Spot{79, 249}, Spot{0, 230}));
    EXPECT_EQ(std::tuple(Sheet(99, 100), Sheet(180, 100), Sheet(45, 5)), std::tuple(Black, Black, Black));
}

// A boss hit pays the combo so far, then the combo grows by the character's
// gain for the difficulty and the boss loses the character's damage; a
// bomb's cleared flat or depth shot adds its own gain (and 1, the square of
// one shot cleared). An unknown difficulty plays as MASTER.
TEST_F(BombTest, HitsAndClearedShotsAreWorthTheirGainsByDifficultyAndCharacter) {
    const struct {
        int32_t character, mode, hitGain, damage, flatGain, depthGain;
    } cases[] = {{0, 2, 4, 9, 6, 18},   {1, 2, 5, 8, 12, 12},  {2, 2, 6, 7, 18, 6},   {0, 1, 10, 9, 8, 24},
                 {1, 1, 11, 8, 16, 16}, {2, 1, 12, 7, 24, 8},  {0, 0, 15, 9, 12, 36}, {1, 0, 16, 8, 24, 24},
                 {2, 0, 17, 7, 36, 12}, {2, 7, 17, 7, 36, 12}, {1, 5, 16, 8, 24, 24}};
    BossX = 120.0f, BossY = 100.0f, ShotTimer = 1000.0f;
    for (const auto& c : cases) {
        Character = c.character, GameMode = c.mode, Combo = 3, Score = 0, BossHp = 100;
        ComboTimer = 100.0f;  // the combo still runs
        PlayerShot[7] = {110.0f, 90.0f, 0, -300, 1};
        UpdatePlayer();
        EXPECT_EQ(std::tuple(Score, Combo, BossHp), std::tuple(3u, 3 + c.hitGain, 100 - c.damage)) << c.character << " " << c.mode;
        Combo = 0, BombTimer = 20.0f;
        Flat(1, 120.0f, 0.0f);
        UpdateBomb();
        EXPECT_EQ(Combo, c.flatGain + 1) << c.character << " " << c.mode;
        Combo = 0;
        Depth(1, 120.0f, 0.0f, 50.0f);
        UpdateBomb();
        EXPECT_EQ(Combo, c.depthGain + 1) << c.character << " " << c.mode;
    }
}

}  // namespace
