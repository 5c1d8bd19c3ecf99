// The player's step: movement by keys and stick, bounds, the figure and its
// hit-sequence pictures, volleys, the player's shots with their boss hits and
// the combo, and the combo gauge. The characters' speeds and volleys are
// read from the game's own table; sprites are read off a coded sheet.
#include <tuple>

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
        ktSystem::PadCentred[0] = 1;
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
};

TEST_F(PlayerTest, KeysAndStickMoveTheFigureAtTheCharactersSpeed) {
    const float step = float(CharacterTable[0].speed) * 0.1f, slow = 6.0f;  // Z and button 1: 60 px/s
    EXPECT_EQ(StepX(), 120.0f);  // nothing held
    EXPECT_EQ(PlayerSpeed, CharacterTable[0].speed);
    Hold(VK_RIGHT);
    EXPECT_FLOAT_EQ(StepX(), 120.0f + step);
    Hold(VK_LEFT);  // opposite keys cancel
    EXPECT_EQ(StepX(), 120.0f);
    Hold(VK_LEFT, 0);
    Stick(65535, PadCentre);  // keyboard and stick together: twice the speed
    EXPECT_FLOAT_EQ(StepX(), 120.0f + 2 * step);
    Hold(VK_Z);  // Z slows the keys only
    EXPECT_FLOAT_EQ(StepX(), 120.0f + step + slow);
    Hold(VK_RIGHT, 0);
    EXPECT_FLOAT_EQ(StepX(), 120.0f + step);
    Hold(VK_Z, 0);
    Stick(65535, PadCentre, 1);  // button 1 slows the stick only
    EXPECT_FLOAT_EQ(StepX(), 120.0f + slow);
    Stick(0, 0);  // up-left on the stick
    PlayerY = 100.0f;
    EXPECT_FLOAT_EQ(StepX(), 120.0f - step);
    EXPECT_FLOAT_EQ(PlayerY, 100.0f - step);
    ktScript::State.pads[0].present = 0;  // unplugged: the stick keeps its last way
    for (int c = 1; c < CharacterCount; c++) {
        Character = c, PlayerY = 100.0f;
        EXPECT_FLOAT_EQ(StepX(), 120.0f - float(CharacterTable[c].speed) * 0.1f) << c;
        EXPECT_FLOAT_EQ(PlayerY, 100.0f - float(CharacterTable[c].speed) * 0.1f) << c;
    }
    // The figure stays inside the field (up-left from the unplugged stick,
    // then down-right), and one placed outside is pulled in.
    for (const auto& [x, stick, end] : {std::tuple{11.0f, 0u, 10.0f}, {229.0f, 65535u, 230.0f}, {9.5f, PadCentre, 10.0f}}) {
        if (stick) Stick(stick, stick);
        PlayerX = PlayerY = x;
        UpdatePlayer();
        EXPECT_EQ(std::tuple(PlayerX, PlayerY), std::tuple(end, end)) << x;
    }
}

TEST_F(PlayerTest, FigureShowsItsFrameOrTheExplosion) {
    Character = 1, PlayerX = 100.9f, PlayerY = 150.5f;
    UpdatePlayer();
    EXPECT_EQ(std::tuple(PlayerFrame, Sheet(130, 140), Sheet(149, 179), Sheet(150, 140)),
              std::tuple(1, Spot{20, 40}, Spot{39, 79}, Black));
    ktDraw::ClearScreen();
    PlayerFrame = 2;  // wraps to the first frame
    UpdatePlayer();
    EXPECT_EQ(std::tuple(PlayerFrame, Sheet(130, 140)), std::tuple(0, Spot{20, 0}));
    // The hit sequence: explosion step trunc(HitTimer), no caption while a
    // life is left.
    ktDraw::ClearScreen();
    HitTimer = 3.7f;
    UpdatePlayer();
    EXPECT_EQ(std::tuple(Sheet(130, 140), Sheet(149, 159), Sheet(130, 160), Sheet(120, 110)),
              std::tuple(Spot{60, 190}, Spot{79, 209}, Black, Black));
    ktDraw::ClearScreen();
    HitTimer = 0.4f, Lives = 0;  // the final hit: the caption too
    UpdatePlayer();
    EXPECT_EQ(std::tuple(Sheet(130, 140), Sheet(120, 110), Sheet(199, 129), Sheet(200, 110)),
              std::tuple(Spot{0, 190}, Spot{0, 210}, Spot{79, 229}, Black));
}

TEST_F(PlayerTest, EachCharacterFiresItsVolleyAtMostOncePerFrameAndNotWhileHit) {
    for (int c = 0; c < CharacterCount; c++) {
        const CharacterRow& row = CharacterTable[c];
        for (PlayerShotEntry& shot : PlayerShot) shot.active = 0;
        Character = c, ShotTimer = 0.0f, PlayerShotCursor = 0;
        UpdatePlayer();
        EXPECT_EQ(ActiveIn(PlayerShot), row.volleySize) << c;
        EXPECT_FLOAT_EQ(ShotTimer, row.volleyPeriod - 0.1f) << c;
        // Fired 20 above or below the player, then moved with this frame's step.
        for (int i = 0; i < row.volleySize; i++) {
            const PlayerShotEntry& shot = PlayerShot[i + 1];
            const VolleyShot& v = row.volley[i];
            EXPECT_EQ(std::tuple(shot.vx, shot.vy, shot.y), std::tuple(v.vx, v.vy, v.vy < 0 ? 150.0f : 250.0f)) << c;
            EXPECT_FLOAT_EQ(shot.x, 120.0f + float(v.vx) * 0.1f) << c << " " << i;
        }
    }
    // 3 seconds of character 0: one volley per frame at most, none saved up.
    BossX = -1000.0f, Character = 0, ShotTimer = 0.0f;
    const int before = Volleys();
    for (int frame = 0; frame < 30; frame++) UpdatePlayer();
    EXPECT_EQ(Volleys() - before, 28);
    EXPECT_GE(ShotTimer, 0.0f);
    EXPECT_LT(ShotTimer, CharacterTable[0].volleyPeriod);
    // A volley due during a hit sequence is skipped, not saved up.
    ShotTimer = 0.05f, HitTimer = 2.0f;
    UpdatePlayer();
    EXPECT_EQ(Volleys() - before, 28);
    EXPECT_FLOAT_EQ(ShotTimer, 0.05f - 0.1f + CharacterTable[0].volleyPeriod);
    HitTimer = 0.0f, ShotTimer = 0.0f;
    UpdatePlayer();
    EXPECT_EQ(Volleys() - before, 29);
}

TEST_F(PlayerTest, BossHitsScoreTheComboBeforeTheirGainInTheSquareBeforeTheMove) {
    BossY = 100.0f;
    PlayerShot[0] = {120.0f, 100.0f, 0, -300, 1};
    PlayerShot[5] = {125.0f, 105.0f, 0, -300, 1};
    PlayerShot[1] = {150.0f, 100.0f, 0, 0, 1};     // on the right edge: outside
    PlayerShot[2] = {120.0f, 131.0f, 0, -300, 1};  // would be inside after the move
    UpdatePlayer();
    EXPECT_EQ(std::tuple(Score, Combo, BossHp, ComboTimer), std::tuple(10u, 20, 1000 - 2 * 9, 240.0f));  // 0, then 10
    EXPECT_EQ(std::tuple(PlayerShot[0].active, PlayerShot[5].active, PlayerShot[1].active, PlayerShot[2].active),
              std::tuple(0, 0, 1, 1));
    EXPECT_EQ(SoundCalls("play ./data/hit.wav"), 2);
    // A burst centred on each hit, in the ring's order; the shot is drawn once
    // more, at the place it moved to.
    EXPECT_EQ(std::tuple(Spot{Burst[1].x, Burst[1].y}, Spot{Burst[2].x, Burst[2].y}, Sheet(150, 60)),
              std::tuple(Spot{150, 90}, Spot{155, 95}, Spot{0, 140}));
    UpdatePlayer();  // a removed shot does not hit again; the moved one does
    EXPECT_EQ(std::tuple(Score, Combo, PlayerShot[2].active), std::tuple(30u, 30, 0));
    PlayerShot[3] = {90.1f, 129.9f, 0, 0, 1};
    UpdatePlayer();
    EXPECT_EQ(std::tuple(PlayerShot[3].active, PlayerShot[1].active), std::tuple(0, 1));
}

TEST_F(PlayerTest, ShotsLeaveTheField) {
    BossX = -1000.0f, Character = 2;
    PlayerShot[1] = {120.0f, -19.0f, 0, -300, 1};
    PlayerShot[2] = {239.0f, 100.0f, 75, 0, 1};
    PlayerShot[3] = {1.0f, 100.0f, -75, 0, 1};
    PlayerShot[4] = {50.2f, 100.0f, 0, 300, 1};
    PlayerShot[5] = {60.0f, 259.0f, 0, 0, 1};    // the edges are inside
    PlayerShot[6] = {60.0f, 10.0f, 0, -300, 1};  // at -20 it is still in
    UpdatePlayer();
    EXPECT_EQ(ActiveIn(PlayerShot), 3);
    EXPECT_EQ(PlayerShot[4].active + PlayerShot[5].active + PlayerShot[6].active, 3);
    EXPECT_EQ(std::tuple(Sheet(80, 120), Sheet(99, 139)), std::tuple(Spot{40, 140}, Spot{59, 159}));  // at (50.2, 130)
}

TEST_F(PlayerTest, ComboRunsOutTwoThirdsOfASecondAfterTheLastHitAndTheGaugeShowsIt) {
    BossX = -1000.0f, ComboTimer = 240.0f, Combo = 50;
    for (int frame = 0; frame < 6; frame++) UpdatePlayer();
    EXPECT_EQ(std::tuple(ComboTimer, Combo), std::tuple(24.0f, 50));
    UpdatePlayer();
    EXPECT_EQ(std::tuple(ComboTimer, Combo), std::tuple(0.0f, 0));
    // The right panel: the filled part from the top, green turning red as it
    // empties; the rest a grey box.
    GameDelta = 0.125f;   // the gauge falls 45 per step
    ComboTimer = 285.0f;  // full after the step
    UpdatePlayer();
    EXPECT_EQ(std::tuple(BackPixel(300, 120), BackPixel(280, 0), BackPixel(319, 239)),
              std::tuple(Pixel(15, 255, 0), Pixel(255, 0, 15), Pixel(255, 0, 15)));
    ComboTimer = 0.0f;  // empty: a near-black box with a white outline
    UpdatePlayer();
    EXPECT_EQ(std::tuple(BackPixel(300, 120), BackPixel(280, 5), BackPixel(319, 239)),
              std::tuple(Pixel(15, 15, 15), Pixel(255, 255, 255), Pixel(255, 255, 255)));
    ComboTimer = 105.0f;  // 60 after the step
    UpdatePlayer();
    EXPECT_EQ(std::tuple(BackPixel(300, 30), BackPixel(300, 59), BackPixel(300, 60), BackPixel(300, 150), BackPixel(279, 150)),
              std::tuple(Pixel(195, 75, 0), Pixel(75, 0, 195), Pixel(195, 195, 195), Pixel(75, 75, 75), uint16_t(0)));
}

}  // namespace
