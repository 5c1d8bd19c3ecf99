// The player's step: movement by keys and stick, bounds, the figure and its
// hit-sequence pictures, volleys, the player's shots with their boss hits and
// the combo, and the combo gauge. The sprite sheet is written so that every
// pixel tells its own source position.
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "game_fixture.h"

namespace {

// A picture whose pixel (x, y) has the colour of number y * width + x + 1,
// spread over the display's five red, six green and five blue bits.
void WriteCodedPicture(const std::string& path, int width, int height) {
    testutil::WriteBmp(path, width, height, [width](int x, int y) {
        const int id = y * width + x + 1;
        return testutil::Rgb{uint8_t((id & 31) << 3), uint8_t(((id >> 5) & 63) << 2),
                             uint8_t(((id >> 11) & 31) << 3)};
    });
}

struct Spot {
    int x, y;
    bool operator==(const Spot&) const = default;
};

// The source position a pixel of the coded sheet came from; (-1, -1) for black.
constexpr int SheetWidth = 80;
Spot SourceOf(uint16_t pixel) {
    const int id = (pixel >> 11) | (((pixel >> 5) & 63) << 5) | ((pixel & 31) << 11);
    if (id == 0) return {-1, -1};
    return {(id - 1) % SheetWidth, (id - 1) / SheetWidth};
}
const Spot Black = {-1, -1};

void WriteWave(const std::string& path) {
    const uint8_t bytes[] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                             16, 0, 0, 0, 1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x22, 0x56, 0, 0, 1, 0, 8, 0,
                             'd', 'a', 't', 'a', 4, 0, 0, 0, 128, 128, 128, 128};
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// A display colour from red, green and blue.
uint16_t Pixel(int r, int g, int b) { return ktDraw::PixelOf(uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16); }

constexpr int32_t PadCentre = 32768;

class PlayerTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        WriteCodedPicture(folder + "/data/chips2.bmp", SheetWidth, 250);
        WriteWave(folder + "/data/shot.wav");
        WriteWave(folder + "/data/hit.wav");
        ChipsImage2 = ktDraw::LoadObject("./data/chips2.bmp");
        ShotSound = ktSound::LoadObject("./data/shot.wav", 1);
        HitSound = ktSound::LoadObject("./data/hit.wav", 1);
        ASSERT_TRUE(ktScript::State.boxes.empty());  // every load worked
        ktScript::State.sounds.clear();
        ktSystem::PadCentreX[0] = PadCentre;
        ktSystem::PadCentreY[0] = PadCentre;

        Character = 0;
        GameMode = 1;
        GameDelta = 0.1f;
        PlayerX = 120.0f;
        PlayerY = 200.0f;
        ShotTimer = 1000.0f;  // no volleys unless a test wants them
        BossX = 120.0f;
        BossY = 50.0f;
        BossHp = 1000;
        Lives = 2;
    }

    static void Stick(uint32_t x, uint32_t y, uint32_t buttons = 0) {
        ktScript::State.pads[0] = {1, {x, y, buttons}};
    }
    static void Hold(int vk) { ktScript::State.keys[vk] = 1; }
    static void Release(int vk) { ktScript::State.keys[vk] = 0; }
    // The player's x after one step from 120 with what is held.
    static float StepX() {
        PlayerX = 120.0f;
        UpdatePlayer();
        return PlayerX;
    }
    static int Calls(const std::string& call) {
        int n = 0;
        for (const std::string& c : ktScript::State.sounds) n += c == call;
        return n;
    }
    static int ActiveShots() {
        int n = 0;
        for (const PlayerShotEntry& shot : PlayerShot) n += shot.active;
        return n;
    }
    static Spot Sheet(int x, int y) { return SourceOf(BackPixel(x, y)); }
};

TEST_F(PlayerTest, KeysAndStickMoveTheFigure) {
    using namespace ktPlatform;
    EXPECT_EQ(StepX(), 120.0f);  // nothing held
    EXPECT_EQ(PlayerSpeed, 130);

    Hold(VK_RIGHT);
    EXPECT_FLOAT_EQ(StepX(), 133.0f);
    Hold(VK_LEFT);  // opposite keys cancel
    EXPECT_EQ(StepX(), 120.0f);
    Release(VK_LEFT);

    Stick(65535, PadCentre);  // keyboard and stick together: twice the speed
    EXPECT_FLOAT_EQ(StepX(), 146.0f);

    Hold(VK_Z);  // Z slows the keys only
    EXPECT_FLOAT_EQ(StepX(), 139.0f);
    Release(VK_RIGHT);
    EXPECT_FLOAT_EQ(StepX(), 133.0f);
    Release(VK_Z);

    Stick(65535, PadCentre, 1);  // button 1 slows the stick only
    EXPECT_FLOAT_EQ(StepX(), 126.0f);
    Hold(VK_RIGHT);
    EXPECT_FLOAT_EQ(StepX(), 139.0f);
    Release(VK_RIGHT);

    Stick(0, 0);  // up-left on the stick
    PlayerY = 100.0f;
    EXPECT_FLOAT_EQ(StepX(), 107.0f);
    EXPECT_FLOAT_EQ(PlayerY, 87.0f);

    // An unplugged stick keeps its last direction.
    ktScript::State.pads[0].present = 0;
    EXPECT_FLOAT_EQ(StepX(), 107.0f);
    EXPECT_EQ(StickX, -1);
}

TEST_F(PlayerTest, CharactersHaveTheirSpeeds) {
    Hold(ktPlatform::VK_DOWN);
    const float speeds[] = {130.0f, 115.0f, 100.0f};
    for (int c = 0; c < 3; c++) {
        Character = c;
        PlayerY = 100.0f;
        UpdatePlayer();
        EXPECT_FLOAT_EQ(PlayerY, 100.0f + speeds[c] * 0.1f) << c;
    }
    Hold(ktPlatform::VK_Z);
    PlayerY = 100.0f;
    UpdatePlayer();
    EXPECT_FLOAT_EQ(PlayerY, 106.0f);
}

TEST_F(PlayerTest, FigureStaysInsideTheField) {
    using namespace ktPlatform;
    UpdatePlayer();  // the start position is inside
    EXPECT_EQ(PlayerX, 120.0f);
    EXPECT_EQ(PlayerY, 200.0f);

    PlayerX = 11.0f;
    PlayerY = 229.0f;
    Hold(VK_LEFT);
    Hold(VK_DOWN);
    UpdatePlayer();
    EXPECT_EQ(PlayerX, 10.0f);
    EXPECT_EQ(PlayerY, 230.0f);

    Release(VK_LEFT);
    Release(VK_DOWN);
    Hold(VK_RIGHT);
    Hold(VK_UP);
    PlayerX = 229.0f;
    PlayerY = 11.0f;
    UpdatePlayer();
    EXPECT_EQ(PlayerX, 230.0f);
    EXPECT_EQ(PlayerY, 10.0f);

    Release(VK_RIGHT);
    Release(VK_UP);
    PlayerX = 9.5f;  // placed outside: pulled back in
    PlayerY = 230.5f;
    UpdatePlayer();
    EXPECT_EQ(PlayerX, 10.0f);
    EXPECT_EQ(PlayerY, 230.0f);
}

TEST_F(PlayerTest, FigureShowsItsFrameOrTheExplosion) {
    Character = 1;
    PlayerX = 100.9f;
    PlayerY = 150.5f;
    PlayerFrame = 0;
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
    HitTimer = 0.4f;
    Lives = 0;  // the final hit: the caption too
    UpdatePlayer();
    EXPECT_EQ(Sheet(130, 140), (Spot{0, 190}));
    EXPECT_EQ(Sheet(120, 110), (Spot{0, 210}));
    EXPECT_EQ(Sheet(199, 129), (Spot{79, 229}));
    EXPECT_EQ(Sheet(200, 110), Black);
}

TEST_F(PlayerTest, VolleysComeAtMostOncePerFrame) {
    BossX = -1000.0f;  // no hits
    ShotTimer = 0.0f;
    int volleys = 0;
    for (int frame = 0; frame < 30; frame++) {
        ktScript::State.sounds.clear();
        UpdatePlayer();
        const int n = Calls("play ./data/shot.wav");
        EXPECT_LE(n, 1) << frame;
        volleys += n;
    }
    // 3 seconds at one volley per 0.1111 s; the timer ends between 0 and a period.
    EXPECT_EQ(volleys, 28);
    EXPECT_GE(ShotTimer, 0.0f);
    EXPECT_LT(ShotTimer, 0.1111f);
}

TEST_F(PlayerTest, VolleyHasTheCharactersShape) {
    Character = 1;
    ShotTimer = 0.0f;
    UpdatePlayer();
    EXPECT_EQ(PlayerShotCursor, 6);
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
    Character = 2;
    ShotTimer = 0.0f;
    UpdatePlayer();
    EXPECT_EQ(PlayerShotCursor, 14);
    Character = 0;
    ShotTimer = 0.0f;
    UpdatePlayer();
    EXPECT_EQ(PlayerShotCursor, 18);
}

TEST_F(PlayerTest, NoVolleyDuringTheHitSequence) {
    ShotTimer = 0.05f;
    HitTimer = 2.0f;
    UpdatePlayer();
    EXPECT_EQ(ActiveShots(), 0);
    EXPECT_EQ(Calls("play ./data/shot.wav"), 0);
    EXPECT_FLOAT_EQ(ShotTimer, 0.05f - 0.1f + 0.1111f);  // skipped, not saved up

    HitTimer = 0.0f;
    UpdatePlayer();
    EXPECT_EQ(ActiveShots(), 4);
    EXPECT_EQ(Calls("play ./data/shot.wav"), 1);
}

TEST_F(PlayerTest, ShotCursorSkipsTheLastSlot) {
    for (int i = 1; i <= 48; i++) {
        NextPlayerShotSlot();
        EXPECT_EQ(PlayerShotCursor, i);
    }
    NextPlayerShotSlot();
    EXPECT_EQ(PlayerShotCursor, 0);
    PlayerShotCursor = -3;  // a cursor outside the table starts over
    NextPlayerShotSlot();
    EXPECT_EQ(PlayerShotCursor, 0);
}

TEST_F(PlayerTest, BossHitsScoreTheComboBeforeTheirGain) {
    BossX = 120.0f;
    BossY = 100.0f;
    PlayerShot[0] = {120.0f, 100.0f, 0, -300, 1};
    PlayerShot[5] = {125.0f, 105.0f, 0, -300, 1};
    UpdatePlayer();
    EXPECT_EQ(Score, 10u);  // 0 for the first hit, 10 for the second
    EXPECT_EQ(Combo, 20);
    EXPECT_EQ(BossHp, 1000 - 2 * 9);
    EXPECT_EQ(ComboTimer, 240.0f);
    EXPECT_EQ(PlayerShot[0].active, 0);
    EXPECT_EQ(PlayerShot[5].active, 0);
    EXPECT_EQ(Calls("play ./data/hit.wav"), 2);
    // A burst centred on each hit, in the ring's order.
    EXPECT_EQ(Burst[1].x, 150);
    EXPECT_EQ(Burst[1].y, 90);
    EXPECT_EQ(Burst[2].x, 155);
    EXPECT_EQ(Burst[2].y, 95);
    EXPECT_EQ(Burst[2].active, 1);
    // Drawn once more, at the place it moved to.
    EXPECT_EQ(Sheet(150, 60), (Spot{0, 140}));

    // A removed shot does not hit again.
    UpdatePlayer();
    EXPECT_EQ(Score, 10u);
    EXPECT_EQ(Combo, 20);
    EXPECT_EQ(BossHp, 1000 - 2 * 9);
}

TEST_F(PlayerTest, ComboGainAndDamageByModeAndCharacter) {
    BossX = 120.0f;
    BossY = 100.0f;
    const struct {
        int32_t character, mode, gain, damage;
    } cases[] = {{0, 2, 4, 9},  {0, 1, 10, 9}, {0, 0, 15, 9}, {1, 2, 5, 8},  {1, 1, 11, 8},
                 {1, 0, 16, 8}, {2, 2, 6, 7},  {2, 1, 12, 7}, {2, 0, 17, 7}, {2, 7, 17, 7}};
    for (const auto& c : cases) {
        Character = c.character;
        GameMode = c.mode;
        Combo = 3;
        Score = 0;
        BossHp = 100;
        ComboTimer = 100.0f;
        PlayerShot[7] = {110.0f, 90.0f, 0, -300, 1};
        UpdatePlayer();
        EXPECT_EQ(Score, 3u) << c.character << " " << c.mode;
        EXPECT_EQ(Combo, 3 + c.gain) << c.character << " " << c.mode;
        EXPECT_EQ(BossHp, 100 - c.damage) << c.character << " " << c.mode;
    }
}

TEST_F(PlayerTest, BossHitTestUsesTheSquareBeforeTheMove) {
    BossX = 120.0f;
    BossY = 100.0f;
    PlayerShot[1] = {150.0f, 100.0f, 0, 0, 1};   // on the right edge: outside
    PlayerShot[2] = {120.0f, 131.0f, 0, -300, 1};  // would be inside after the move
    UpdatePlayer();
    EXPECT_EQ(Combo, 0);
    EXPECT_EQ(PlayerShot[1].active, 1);
    EXPECT_EQ(PlayerShot[2].active, 1);
    UpdatePlayer();  // now it starts inside
    EXPECT_EQ(PlayerShot[2].active, 0);
    EXPECT_EQ(Combo, 10);
    PlayerShot[3] = {90.1f, 129.9f, 0, 0, 1};
    UpdatePlayer();
    EXPECT_EQ(PlayerShot[3].active, 0);
    EXPECT_EQ(PlayerShot[1].active, 1);
}

TEST_F(PlayerTest, ShotsLeaveTheField) {
    BossX = -1000.0f;
    Character = 2;
    PlayerShot[1] = {120.0f, -19.0f, 0, -300, 1};
    PlayerShot[2] = {239.0f, 100.0f, 75, 0, 1};
    PlayerShot[3] = {1.0f, 100.0f, -75, 0, 1};
    PlayerShot[4] = {50.2f, 100.0f, 0, 300, 1};
    PlayerShot[5] = {60.0f, 259.0f, 0, 0, 1};  // the edges are inside
    PlayerShot[6] = {60.0f, 10.0f, 0, -300, 1};
    UpdatePlayer();
    EXPECT_EQ(PlayerShot[6].active, 1);  // at -20 it is still in
    EXPECT_EQ(PlayerShot[1].active, 0);
    EXPECT_EQ(PlayerShot[2].active, 0);
    EXPECT_EQ(PlayerShot[3].active, 0);
    EXPECT_EQ(PlayerShot[4].active, 1);
    EXPECT_EQ(PlayerShot[5].active, 1);
    EXPECT_EQ(Sheet(80, 120), (Spot{40, 140}));  // character 2's shot at (50.2, 130)
    EXPECT_EQ(Sheet(99, 139), (Spot{59, 159}));
}

TEST_F(PlayerTest, ComboRunsOutTwoThirdsOfASecondAfterTheLastHit) {
    BossX = -1000.0f;
    ComboTimer = 240.0f;
    Combo = 50;
    for (int frame = 0; frame < 6; frame++) UpdatePlayer();
    EXPECT_FLOAT_EQ(ComboTimer, 24.0f);
    EXPECT_EQ(Combo, 50);
    UpdatePlayer();
    EXPECT_EQ(ComboTimer, 0.0f);
    EXPECT_EQ(Combo, 0);
}

TEST_F(PlayerTest, ComboGaugeFillsTheRightPanel) {
    BossX = -1000.0f;
    GameDelta = 0.125f;  // the gauge falls 45 per step

    ComboTimer = 285.0f;  // full after the step
    UpdatePlayer();
    EXPECT_EQ(BackPixel(300, 120), Pixel(15, 255, 0));
    EXPECT_EQ(BackPixel(280, 0), Pixel(255, 0, 15));
    EXPECT_EQ(BackPixel(319, 239), Pixel(255, 0, 15));

    ktDraw::ClearScreen();
    ComboTimer = 0.0f;  // empty: a near-black box with a white outline
    UpdatePlayer();
    EXPECT_EQ(BackPixel(300, 120), Pixel(15, 15, 15));
    EXPECT_EQ(BackPixel(280, 5), Pixel(255, 255, 255));
    EXPECT_EQ(BackPixel(300, 0), Pixel(255, 255, 255));
    EXPECT_EQ(BackPixel(319, 239), Pixel(255, 255, 255));

    ktDraw::ClearScreen();
    ComboTimer = 105.0f;  // 60 after the step
    UpdatePlayer();
    EXPECT_EQ(BackPixel(300, 30), Pixel(195, 75, 0));
    EXPECT_EQ(BackPixel(300, 59), Pixel(75, 0, 195));
    EXPECT_EQ(BackPixel(300, 60), Pixel(195, 195, 195));
    EXPECT_EQ(BackPixel(300, 150), Pixel(75, 75, 75));
    EXPECT_EQ(BackPixel(279, 150), 0);
}

}  // namespace
