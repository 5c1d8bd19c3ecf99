// The bomb: for about two seconds a beam over the player's column clears
// every enemy shot in it, and each cleared shot scores, raises the combo and
// wears down the boss. This step also draws the stock icons of bombs and
// reverse uses.
#include <cstdint>

#include "game.h"
#include "game_math.h"
#include "ktDraw.h"
#include "ktSound.h"

namespace {

// Combo gain per cleared shot, by difficulty and character.
struct BombGainRow {
    int32_t character[3];
};

constexpr BombGainRow FlatGainKids = {{6, 12, 18}};
constexpr BombGainRow FlatGainStandard = {{8, 16, 24}};
constexpr BombGainRow FlatGainMaster = {{12, 24, 36}};
constexpr BombGainRow DepthGainKids = {{18, 12, 6}};
constexpr BombGainRow DepthGainStandard = {{24, 16, 8}};
constexpr BombGainRow DepthGainMaster = {{36, 24, 12}};

// Boss hit points per cleared shot.
constexpr int32_t FlatDamage = 3;
constexpr int32_t DepthDamage = 6;

// A bomb acts while its timer is above 0: 41 at the start, falling 20 per
// second of game time.
constexpr float BombStart = 41.0f;
constexpr float BombFallPerSecond = 20.0f;
// Half width of the clearing window (the drawn beam is only 80 wide).
constexpr float WindowHalf = 50.0f;
constexpr int32_t BeamPieces = 12;

int32_t Gain(const BombGainRow& kids, const BombGainRow& standard, const BombGainRow& master) {
    const int32_t k = (Character >= 0 && Character < 3) ? Character : 0;
    if (GameMode == 2) return kids.character[k];
    if (GameMode == 1) return standard.character[k];
    return master.character[k];
}

bool InWindow(float x) { return PlayerX - WindowHalf < x && x < PlayerX + WindowHalf; }

// Points and combo for one cleared shot at (x, y): a power of two chosen by
// where it was, then the combo including this shot's gain.
void ClearShot(float x, float y, int32_t gain, int32_t damage, int32_t* cleared) {
    // The remainder keeps the sign of the sum; a power below 1 pays 1 point.
    // (A place set to NaN or far off by the simulator gives INT32_MIN % 18.)
    const int32_t power = TruncateToInt(x + y) % 18;
    AddScore(static_cast<uint32_t>(IntPower(2, power)));
    Combo += gain;
    *cleared += 1;
    AddScore(static_cast<uint32_t>(Combo));
    BossHp -= damage;
    SpawnBurst(static_cast<int32_t>(x + 30.0f), static_cast<int32_t>(y - 10.0f));
}

void DrawStock() {
    for (int32_t i = 0; i < Bombs; i++) ktDraw::DrawObject(45, 15 * i + 5, ChipsImage2, 60, 180, 80, 190);
    for (int32_t i = 0; i < ReverseStock; i++)
        ktDraw::DrawObject(255, 15 * i + 5, ChipsImage2, 60, 140, 80, 150);
}

}  // namespace

void UpdateBomb() {
    const bool pressed = ktSystem::GetKeyState(ktPlatform::VK_X) < 0 || ktSystem::PadButton(0, 2) == 1;
    if (pressed && BombTimer <= 0.0f && Bombs > 0 && HitTimer <= 0.0f) {
        ktSound::PlayObject(LaserSound, -1);
        Bombs -= 1;
        ShotTimer += 1.0f;  // the volleys pause for a second
        BombTimer = BombStart;
    }

    DrawStock();

    if (BombTimer <= 0.0f) return;
    BombTimer -= BombFallPerSecond * GameDelta;
    ComboTimer = 240.0f;  // the combo cannot run out while a bomb acts
    // The beam's left edge is at the player's field x on screen, so it spans
    // 40 pixels either side of the player.
    for (int32_t j = 0; j < BeamPieces; j++)
        ktDraw::DrawObject(static_cast<int32_t>(PlayerX), 20 * j, ChipsImage2, 0, 230, 80, 250);

    int32_t cleared = 0;
    const int32_t flatGain = Gain(FlatGainKids, FlatGainStandard, FlatGainMaster);
    for (FlatShotEntry& shot : FlatShot) {
        if (shot.active != 1 || !InWindow(shot.x)) continue;
        shot.active = 0;
        ClearShot(shot.x, shot.y, flatGain, FlatDamage, &cleared);
    }
    const int32_t depthGain = Gain(DepthGainKids, DepthGainStandard, DepthGainMaster);
    for (DepthShotEntry& shot : DepthShot) {
        if (shot.active != 1 || !InWindow(shot.x)) continue;
        shot.active = 0;
        ClearShot(shot.x, shot.y, depthGain, DepthDamage, &cleared);
    }

    // Each frame of the bomb pays for how many it cleared at once.
    AddScore(uint64_t(1000) * uint64_t(cleared) * uint64_t(cleared));
    Combo += cleared * cleared;
}
