// The player's step of the play frame: movement by keys and stick, the
// figure, the automatic volleys, the player's shots with their hits on the
// boss, and the combo with its gauge in the right panel.
#include <cstdint>

#include "game.h"
#include "ktDraw.h"
#include "ktSound.h"

const CharacterRow CharacterTable[CharacterCount] = {
    // speed, period, shots, volley, KIDS / STANDARD / MASTER gain, damage
    {130, 0.1111f, 4, {{0, -300}, {75, -300}, {-75, -300}, {0, 300}},
     4, 10, 15, 9},
    {115, 0.1667f, 6, {{120, -300}, {-120, -300}, {45, -300}, {-45, -300}, {75, 300}, {-75, 300}},
     5, 11, 16, 8},
    {100, 0.2222f, 8, {{0, -300}, {75, -300}, {-75, -300}, {150, -300}, {-150, -300},
                       {0, 300}, {75, 300}, {-75, 300}},
     6, 12, 17, 7},
};

namespace {

// Speed of slow movement (Z on the keyboard, button 1 on the stick).
constexpr int32_t SlowSpeed = 60;
// The player stays inside this square on both axes.
constexpr float FieldLow = 10.0f;
constexpr float FieldHigh = 230.0f;
// Half side of the boss's square for the player's shots.
constexpr float BossHalf = 30.0f;
// The combo gauge: full at each boss hit, falling this much per second.
constexpr float GaugeFull = 240.0f;
constexpr float GaugeFallPerSecond = 360.0f;

// The row of the chosen character; a value outside 0 to 2 plays as the first.
const CharacterRow& ChosenRow(int32_t* index) {
    *index = (Character >= 0 && Character < CharacterCount) ? Character : 0;
    return CharacterTable[*index];
}

int32_t ComboGain(const CharacterRow& row) {
    if (GameMode == 2) return row.gainKids;
    if (GameMode == 1) return row.gainStandard;
    return row.gainMaster;
}

bool Held(int vk) { return ktSystem::GetKeyState(vk) < 0; }

// A colour as the rectangle call takes it: red low, then green, then blue,
// each channel cut to a byte.
uint32_t Colour(int32_t red, int32_t green, int32_t blue) {
    return uint32_t(red & 0xFF) | uint32_t(green & 0xFF) << 8 | uint32_t(blue & 0xFF) << 16;
}

void Move(float speed) {
    // Opposite keys cancel exactly.
    const int32_t dx = (Held(ktPlatform::VK_RIGHT) ? 1 : 0) - (Held(ktPlatform::VK_LEFT) ? 1 : 0);
    const int32_t dy = (Held(ktPlatform::VK_DOWN) ? 1 : 0) - (Held(ktPlatform::VK_UP) ? 1 : 0);
    if (dx != 0) PlayerX += dx * speed * GameDelta;
    if (dy != 0) PlayerY += dy * speed * GameDelta;
}

void MoveByStick(int32_t speed) {
    ktSystem::PadStick(0, &StickX, &StickY);
    if (ktSystem::PadButton(0, 1) == 1) speed = SlowSpeed;
    if (StickX == -1 || StickX == 1) PlayerX += StickX * speed * GameDelta;
    if (StickY == -1 || StickY == 1) PlayerY += StickY * speed * GameDelta;
}

void KeepInside(float* position) {
    if (*position < FieldLow)
        *position = FieldLow;
    else if (*position > FieldHigh)
        *position = FieldHigh;
}

// Field position → the screen corner of a 20-wide sprite whose top 20 × 20
// square is centred on it.
int32_t SpriteX(float x) { return static_cast<int32_t>(x) + 30; }
int32_t SpriteY(float y) { return static_cast<int32_t>(y) - 10; }

void DrawPlayer(int32_t k) {
    const int32_t x = SpriteX(PlayerX), y = SpriteY(PlayerY);
    if (HitTimer > 0.0f) {
        const int32_t step = static_cast<int32_t>(HitTimer);  // 4 down to 0
        ktDraw::DrawObject(x, y, ChipsImage2, 20 * step, 190, 20 * step + 20, 210);
        if (Lives == 0) ktDraw::DrawObject(120, 110, ChipsImage2, 0, 210, 80, 230);
    } else {
        ktDraw::DrawObject(x, y, ChipsImage2, 20 * k, 40 * PlayerFrame, 20 * k + 20,
                           40 * PlayerFrame + 40);
    }
}

void FireVolley(const CharacterRow& row) {
    ShotTimer -= GameDelta;
    if (ShotTimer >= 0.0f) return;
    // Once only: at most one volley per frame, and volleys due during a hit
    // sequence are skipped, not saved up.
    ShotTimer += row.volleyPeriod;
    if (HitTimer > 0.0f) return;
    ktSound::PlayObject(ShotSound, -1);
    for (int32_t i = 0; i < row.volleySize; i++) {
        NextPlayerShotSlot();
        PlayerShotEntry& shot = PlayerShot[PlayerShotCursor];
        shot.x = PlayerX;
        shot.y = row.volley[i].vy < 0 ? PlayerY - 20.0f : PlayerY + 20.0f;
        shot.vx = row.volley[i].vx;
        shot.vy = row.volley[i].vy;
        shot.active = 1;
    }
}

void RunComboGauge() {
    ComboTimer -= GaugeFallPerSecond * GameDelta;
    if (ComboTimer < 0.0f) {
        ComboTimer = 0.0f;
        Combo = 0;
    }
}

void MoveShots(const CharacterRow& row, int32_t k) {
    for (PlayerShotEntry& shot : PlayerShot) {
        if (shot.active != 1) continue;
        // The boss test uses the position before this frame's move.
        if (BossX - BossHalf < shot.x && shot.x < BossX + BossHalf && BossY - BossHalf < shot.y &&
            shot.y < BossY + BossHalf) {
            SpawnBurst(static_cast<int32_t>(shot.x + 30.0f), static_cast<int32_t>(shot.y - 10.0f));
            ktSound::PlayObject(HitSound, -1);
            shot.active = 0;
            // The combo as it stood before this hit, then the gain.
            AddScore(static_cast<uint32_t>(Combo));
            Combo += ComboGain(row);
            BossHp -= row.damage;
            ComboTimer = GaugeFull;
        }
        shot.x += shot.vx * GameDelta;
        shot.y += shot.vy * GameDelta;
        if (shot.x < 0.0f || shot.x > 240.0f || shot.y < -20.0f || shot.y > 260.0f) shot.active = 0;
        // Drawn at the new place, also in the frame in which it hit or left.
        ktDraw::DrawObject(SpriteX(shot.x), SpriteY(shot.y), ChipsImage2, 20 * k, 140, 20 * k + 20,
                           160);
    }
}

// The right panel: the filled part from the top, green turning red as it
// empties; the rest a grey box.
void DrawComboGauge() {
    const int32_t g = static_cast<int32_t>(ComboTimer);
    ktDraw::DrawRectangle(280, 0, 320, g, Colour(255 - g, g + 15, 0), Colour(g + 15, 0, 255 - g), 1);
    ktDraw::DrawRectangle(280, g, 320, 240, Colour(g + 15, g + 15, g + 15),
                          Colour(255 - g, 255 - g, 255 - g), 1);
}

}  // namespace

void NextPlayerShotSlot() {
    PlayerShotCursor += 1;
    // The last slot is never used; a cursor outside the table starts over.
    if (PlayerShotCursor < 0 || PlayerShotCursor + 1 >= PlayerShotCount) PlayerShotCursor = 0;
}

void UpdatePlayer() {
    int32_t k = 0;
    const CharacterRow& row = ChosenRow(&k);
    PlayerSpeed = row.speed;

    Move(static_cast<float>(Held(ktPlatform::VK_Z) ? SlowSpeed : PlayerSpeed));
    MoveByStick(PlayerSpeed);
    KeepInside(&PlayerX);
    KeepInside(&PlayerY);

    PlayerFrame += 1;
    if (PlayerFrame >= 3) PlayerFrame = 0;

    DrawPlayer(k);
    FireVolley(row);
    RunComboGauge();
    MoveShots(row, k);
    DrawComboGauge();
}
