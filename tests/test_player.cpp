// The player's step: movement by keys and stick, bounds, the figure and its
// hit-sequence pictures, volleys, the player's shots with their boss hits and
// the combo, and the combo gauge. Sprites are read off a coded sheet.
#include "game_fixture.h"

namespace {

using namespace ktPlatform;
using testutil::Black;
using testutil::Spot;

// A display colour from red, green and blue.
uint16_t Pixel(int r, int g, int b) { return testutil::Raw({uint8_t(r), uint8_t(g), uint8_t(b)}); }

constexpr uint32_t PadCentre = 32768;

class PlayerTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        LoadCodedSheet();
        ShotSound = LoadTinySound("shot.wav");
        HitSound = LoadTinySound("hit.wav");
        ExpectLoadsWorked();
        ktSystem::PadCentreX[0] = ktSystem::PadCentreY[0] = PadCentre;
        GameMode = 1, GameDelta = 0.1f, PlayerX = 120.0f, PlayerY = 200.0f, Lives = 2;
        BossX = 120.0f, BossY = 50.0f, BossHp = 1000;
        ShotTimer = 1000.0f;  // no volleys unless a test wants them
    }
    static void Stick(uint32_t x, uint32_t y, uint32_t buttons = 0) { ktScript::State.pads[0] = {1, {x, y, buttons}}; }
    static void Hold(int vk, int held = 1) { ktScript::State.keys[vk] = held; }
    // The player's x after one step from 120 with what is held.
    static float StepX() {
        PlayerX = 120.0f;
        UpdatePlayer();
        return PlayerX;
    }
    static int Volleys() { return SoundCalls("play ./data/shot.wav"); }
    static int ActiveShots() { return ActiveIn(PlayerShot); }
};

TEST_F(PlayerTest, KeysAndStickMoveTheFigure) {
    EXPECT_EQ(StepX(), 120.0f);  // nothing held
    EXPECT_EQ(PlayerSpeed, 130);
    Hold(VK_RIGHT);
    EXPECT_FLOAT_EQ(StepX(), 133.0f);
    Hold(VK_LEFT);  // opposite keys cancel
    EXPECT_EQ(StepX(), 120.0f);
    Hold(VK_LEFT, 0);
    Stick(65535, PadCentre);  // keyboard and stick together: twice the speed
    EXPECT_FLOAT_EQ(StepX(), 146.0f);
    Hold(VK_Z);  // Z slows the keys only
    EXPECT_FLOAT_EQ(StepX(), 139.0f);
    Hold(VK_RIGHT, 0);
    EXPECT_FLOAT_EQ(StepX(), 133.0f);
    Hold(VK_Z, 0);
    Stick(65535, PadCentre, 1);  // button 1 slows the stick only
    EXPECT_FLOAT_EQ(StepX(), 126.0f);
    Hold(VK_RIGHT);
    EXPECT_FLOAT_EQ(StepX(), 139.0f);
    Hold(VK_RIGHT, 0);
    Stick(0, 0);  // up-left on the stick
    PlayerY = 100.0f;
    EXPECT_FLOAT_EQ(StepX(), 107.0f);
    EXPECT_FLOAT_EQ(PlayerY, 87.0f);
}

TEST_F(PlayerTest, CharactersHaveTheirSpeeds) {
    Hold(VK_DOWN);
    const float speeds[] = {130.0f, 115.0f, 100.0f};
    for (int c = 0; c < 3; c++) {
        Character = c, PlayerY = 100.0f;
        UpdatePlayer();
        EXPECT_FLOAT_EQ(PlayerY, 100.0f + speeds[c] * 0.1f) << c;
    }
}

TEST_F(PlayerTest, FigureStaysInsideTheField) {
    const struct {
        float x, y;
        int keyX, keyY;
        float endX, endY;
    } cases[] = {
        {11.0f, 229.0f, VK_LEFT, VK_DOWN, 10.0f, 230.0f},
        {229.0f, 11.0f, VK_RIGHT, VK_UP, 230.0f, 10.0f},
        {9.5f, 230.5f, 0, 0, 10.0f, 230.0f},  // placed outside: pulled back in
    };
    for (const auto& c : cases) {
        PlayerX = c.x, PlayerY = c.y;
        Hold(c.keyX), Hold(c.keyY);
        UpdatePlayer();
        Hold(c.keyX, 0), Hold(c.keyY, 0);
        EXPECT_EQ(PlayerX, c.endX) << c.x;
        EXPECT_EQ(PlayerY, c.endY) << c.x;
    }
}

TEST_F(PlayerTest, FigureShowsItsFrameOrTheExplosion) {
    Character = 1, PlayerX = 100.9f, PlayerY = 150.5f;
    UpdatePlayer();
    EXPECT_EQ(PlayerFrame, 1);
    EXPECT_EQ(Sheet(130, 140), (Spot{20, 40}));
    EXPECT_EQ(Sheet(149, 179), (Spot{39, 79}));
    EXPECT_EQ(Sheet(150, 140), Black);

    ktDraw::ClearScreen();
    PlayerFrame = 2;  // wraps to the first frame
    UpdatePlayer();
    EXPECT_EQ(PlayerFrame, 0);
    EXPECT_EQ(Sheet(130, 140), (Spot{20, 0}));

    // The hit sequence: explosion step trunc(HitTimer), no caption while a
    // life is left.
    ktDraw::ClearScreen();
    HitTimer = 3.7f;
    UpdatePlayer();
    EXPECT_EQ(Sheet(130, 140), (Spot{60, 190}));
    EXPECT_EQ(Sheet(149, 159), (Spot{79, 209}));
    EXPECT_EQ(Sheet(130, 160), Black);
    EXPECT_EQ(Sheet(120, 110), Black);

    ktDraw::ClearScreen();
    HitTimer = 0.4f, Lives = 0;  // the final hit: the caption too
    UpdatePlayer();
    EXPECT_EQ(Sheet(130, 140), (Spot{0, 190}));
    EXPECT_EQ(Sheet(120, 110), (Spot{0, 210}));
    EXPECT_EQ(Sheet(199, 129), (Spot{79, 229}));
    EXPECT_EQ(Sheet(200, 110), Black);
}

TEST_F(PlayerTest, VolleysComeAtMostOncePerFrame) {
    BossX = -1000.0f;  // no hits
    ShotTimer = 0.0f;
    for (int frame = 0; frame < 30; frame++) {
        const int before = Volleys();
        UpdatePlayer();
        EXPECT_LE(Volleys() - before, 1) << frame;
    }
    // 3 seconds at one volley per 0.1111 s; the timer ends between 0 and a period.
    EXPECT_EQ(Volleys(), 28);
    EXPECT_GE(ShotTimer, 0.0f);
    EXPECT_LT(ShotTimer, 0.1111f);
}

TEST_F(PlayerTest, VolleyHasTheCharactersShape) {
    Character = 1, ShotTimer = 0.0f;
    UpdatePlayer();
    EXPECT_EQ(ActiveShots(), 6);
    EXPECT_EQ(PlayerShot[0].active, 0);  // the first shot after a reset goes to slot 1
    const struct {
        int32_t vx, vy;
    } shape[] = {{120, -300}, {-120, -300}, {45, -300}, {-45, -300}, {75, 300}, {-75, 300}};
    for (int i = 0; i < 6; i++) {
        const PlayerShotEntry& shot = PlayerShot[i + 1];
        EXPECT_EQ(shot.vx, shape[i].vx) << i;
        EXPECT_EQ(shot.vy, shape[i].vy) << i;
        // Fired 20 above or below the player, then moved with this frame's step.
        EXPECT_FLOAT_EQ(shot.x, 120.0f + shape[i].vx * 0.1f) << i;
        EXPECT_FLOAT_EQ(shot.y, shape[i].vy < 0 ? 150.0f : 250.0f) << i;
    }
    EXPECT_FLOAT_EQ(ShotTimer, 0.1667f - 0.1f);
    // Character 2 fires eight, character 0 four.
    for (const auto& [character, cursor] : {std::pair{2, 14}, std::pair{0, 18}}) {
        Character = character, ShotTimer = 0.0f;
        UpdatePlayer();
        EXPECT_EQ(PlayerShotCursor, cursor) << character;
    }
}

TEST_F(PlayerTest, NoVolleyDuringTheHitSequence) {
    ShotTimer = 0.05f, HitTimer = 2.0f;
    UpdatePlayer();
    EXPECT_EQ(ActiveShots(), 0);
    EXPECT_EQ(Volleys(), 0);
    EXPECT_FLOAT_EQ(ShotTimer, 0.05f - 0.1f + 0.1111f);  // skipped, not saved up
    HitTimer = 0.0f;
    UpdatePlayer();
    EXPECT_EQ(ActiveShots(), 4);
    EXPECT_EQ(Volleys(), 1);
}

TEST_F(PlayerTest, ShotCursorSkipsTheLastSlot) {
    for (const auto& [from, to] : {std::pair{0, 1}, {47, 48}, {48, 0}, {-3, 0}, {49, 0}, {500, 0}}) {
        PlayerShotCursor = from;  // a cursor outside the table starts over
        NextPlayerShotSlot();
        EXPECT_EQ(PlayerShotCursor, to) << from;
    }
}

TEST_F(PlayerTest, BossHitsScoreTheComboBeforeTheirGain) {
    BossY = 100.0f;
    PlayerShot[0] = {120.0f, 100.0f, 0, -300, 1};
    PlayerShot[5] = {125.0f, 105.0f, 0, -300, 1};
    UpdatePlayer();
    EXPECT_EQ(Score, 10u);  // 0 for the first hit, 10 for the second
    EXPECT_EQ(Combo, 20);
    EXPECT_EQ(BossHp, 1000 - 2 * 9);
    EXPECT_EQ(ComboTimer, 240.0f);
    EXPECT_EQ(PlayerShot[0].active + PlayerShot[5].active, 0);
    EXPECT_EQ(SoundCalls("play ./data/hit.wav"), 2);
    // A burst centred on each hit, in the ring's order.
    EXPECT_EQ((Spot{Burst[1].x, Burst[1].y}), (Spot{150, 90}));
    EXPECT_EQ((Spot{Burst[2].x, Burst[2].y}), (Spot{155, 95}));
    // The shot is drawn once more, at the place it moved to.
    EXPECT_EQ(Sheet(150, 60), (Spot{0, 140}));
    // A removed shot does not hit again.
    UpdatePlayer();
    EXPECT_EQ(Score, 10u);
    EXPECT_EQ(BossHp, 1000 - 2 * 9);
}

TEST_F(PlayerTest, ComboGainAndDamageByModeAndCharacter) {
    BossY = 100.0f;
    const struct {
        int32_t character, mode, gain, damage;
    } cases[] = {{0, 2, 4, 9},  {0, 1, 10, 9}, {0, 0, 15, 9}, {1, 2, 5, 8},  {1, 1, 11, 8},
                 {1, 0, 16, 8}, {2, 2, 6, 7},  {2, 1, 12, 7}, {2, 0, 17, 7}, {2, 7, 17, 7}};
    for (const auto& c : cases) {
        Character = c.character, GameMode = c.mode, Combo = 3, Score = 0, BossHp = 100;
        ComboTimer = 100.0f;  // the combo still runs
        PlayerShot[7] = {110.0f, 90.0f, 0, -300, 1};
        UpdatePlayer();
        EXPECT_EQ(Score, 3u) << c.character << " " << c.mode;
        EXPECT_EQ(Combo, 3 + c.gain) << c.character << " " << c.mode;
        EXPECT_EQ(BossHp, 100 - c.damage) << c.character << " " << c.mode;
    }
}

TEST_F(PlayerTest, BossHitTestUsesTheSquareBeforeTheMove) {
    BossY = 100.0f;
    PlayerShot[1] = {150.0f, 100.0f, 0, 0, 1};     // on the right edge: outside
    PlayerShot[2] = {120.0f, 131.0f, 0, -300, 1};  // would be inside after the move
    UpdatePlayer();
    EXPECT_EQ(Combo, 0);
    EXPECT_EQ(PlayerShot[1].active + PlayerShot[2].active, 2);
    UpdatePlayer();  // now it starts inside
    EXPECT_EQ(PlayerShot[2].active, 0);
    EXPECT_EQ(Combo, 10);
    PlayerShot[3] = {90.1f, 129.9f, 0, 0, 1};
    UpdatePlayer();
    EXPECT_EQ(PlayerShot[3].active, 0);
    EXPECT_EQ(PlayerShot[1].active, 1);
}

TEST_F(PlayerTest, ShotsLeaveTheField) {
    BossX = -1000.0f, Character = 2;
    PlayerShot[1] = {120.0f, -19.0f, 0, -300, 1};
    PlayerShot[2] = {239.0f, 100.0f, 75, 0, 1};
    PlayerShot[3] = {1.0f, 100.0f, -75, 0, 1};
    PlayerShot[4] = {50.2f, 100.0f, 0, 300, 1};
    PlayerShot[5] = {60.0f, 259.0f, 0, 0, 1};  // the edges are inside
    PlayerShot[6] = {60.0f, 10.0f, 0, -300, 1};  // at -20 it is still in
    UpdatePlayer();
    EXPECT_EQ(PlayerShot[1].active + PlayerShot[2].active + PlayerShot[3].active, 0);
    EXPECT_EQ(PlayerShot[4].active + PlayerShot[5].active + PlayerShot[6].active, 3);
    EXPECT_EQ(Sheet(80, 120), (Spot{40, 140}));  // character 2's shot at (50.2, 130)
    EXPECT_EQ(Sheet(99, 139), (Spot{59, 159}));
}

TEST_F(PlayerTest, ComboRunsOutTwoThirdsOfASecondAfterTheLastHit) {
    BossX = -1000.0f, ComboTimer = 240.0f, Combo = 50;
    for (int frame = 0; frame < 6; frame++) UpdatePlayer();
    EXPECT_FLOAT_EQ(ComboTimer, 24.0f);
    EXPECT_EQ(Combo, 50);
    UpdatePlayer();
    EXPECT_EQ(ComboTimer, 0.0f);
    EXPECT_EQ(Combo, 0);
}

TEST_F(PlayerTest, ComboGaugeFillsTheRightPanel) {
    BossX = -1000.0f;
    GameDelta = 0.125f;   // the gauge falls 45 per step
    ComboTimer = 285.0f;  // full after the step
    UpdatePlayer();
    EXPECT_EQ(BackPixel(300, 120), Pixel(15, 255, 0));
    EXPECT_EQ(BackPixel(280, 0), Pixel(255, 0, 15));
    EXPECT_EQ(BackPixel(319, 239), Pixel(255, 0, 15));

    ComboTimer = 0.0f;  // empty: a near-black box with a white outline
    UpdatePlayer();
    EXPECT_EQ(BackPixel(300, 120), Pixel(15, 15, 15));
    EXPECT_EQ(BackPixel(280, 5), Pixel(255, 255, 255));
    EXPECT_EQ(BackPixel(319, 239), Pixel(255, 255, 255));

    ComboTimer = 105.0f;  // 60 after the step
    UpdatePlayer();
    EXPECT_EQ(BackPixel(300, 30), Pixel(195, 75, 0));
    EXPECT_EQ(BackPixel(300, 59), Pixel(75, 0, 195));
    EXPECT_EQ(BackPixel(300, 60), Pixel(195, 195, 195));
    EXPECT_EQ(BackPixel(300, 150), Pixel(75, 75, 75));
    EXPECT_EQ(BackPixel(279, 150), 0);
}

}  // namespace
