// The things the player dodges or hits: depth shots flying out of the
// distance, flat shots crossing the field, the bouncing boss, and the small
// four-frame bursts. Each step moves its table, decides hits on the player
// and draws, once per play frame.
#include <cstdint>

#include "game.h"
#include "ktDraw.h"
#include "ktSound.h"

namespace {

// Depth at or below which a depth shot is in the player's plane and can hit.
constexpr float DepthHitPlane = 10.0f;
// Half sides of the player's hit box: 20 × 20 for depth shots, 10 × 10 for
// flat shots, centred on the player.
constexpr float DepthHitHalf = 10.0f;
constexpr float FlatHitHalf = 5.0f;
// A hit starts the hit sequence with this much time on its clock.
constexpr float HitSequenceStart = 4.0f;

// The boss stays inside this square on both axes.
constexpr float BossLow = 30.0f;
constexpr float BossHigh = 210.0f;

constexpr int32_t BurstFrames = 4;

// A hit on the player, unless a hit sequence is already running.
void HitPlayer() {
    if (HitTimer > 0.0f) return;
    HitTimer = HitSequenceStart;
    ktSound::PlayObject(BombSound, -1);
}

// Keeps one boss coordinate inside the square, turning its speed around at
// the edge.
void Bounce(float* position, int32_t* speed) {
    if (*position < BossLow) {
        *position = BossLow;
        *speed = -*speed;
    } else if (*position > BossHigh) {
        *position = BossHigh;
        *speed = -*speed;
    }
}

}  // namespace

void UpdateDepthShots() {
    for (DepthShotEntry& shot : DepthShot) {
        if (shot.active != 1) continue;
        shot.x += shot.vx * GameDelta;
        shot.y += shot.vy * GameDelta;
        shot.z -= shot.vz * GameDelta;

        if (shot.z < DepthHitPlane) {
            // A shot that passed the plane this frame is gone afterwards, but
            // it is still tested and drawn once more.
            if (shot.z < 0.0f) shot.active = 0;
            if (PlayerX - DepthHitHalf < shot.x && shot.x < PlayerX + DepthHitHalf &&
                PlayerY - DepthHitHalf < shot.y && shot.y < PlayerY + DepthHitHalf)
                HitPlayer();
        }

        // Seen down a corridor whose vanishing point is the field's centre:
        // far away a shot is small and pulled toward the centre, at depth 0
        // it is 20 pixels wide at its own place.
        const float size = (100.0f - shot.z) / 5.0f;
        const float sx = shot.x * (200.0f - shot.z) / 200.0f + 0.6f * shot.z;
        const float sy = shot.y * (200.0f - shot.z) / 200.0f + 0.6f * shot.z;
        const int32_t side = static_cast<int32_t>(size);
        ktDraw::StretchObject(static_cast<int32_t>(sx - size / 2.0f) + 40,
                              static_cast<int32_t>(sy - size / 2.0f), ChipsImage2, 60,
                              20 * shot.kind, 80, 20 * shot.kind + 20, side, side);
    }
}

void UpdateFlatShots() {
    for (FlatShotEntry& shot : FlatShot) {
        if (shot.active != 1) continue;
        shot.x += shot.vx * GameDelta;
        shot.y += shot.vy * GameDelta;

        if (PlayerX - FlatHitHalf < shot.x && shot.x < PlayerX + FlatHitHalf &&
            PlayerY - FlatHitHalf < shot.y && shot.y < PlayerY + FlatHitHalf)
            HitPlayer();

        if (shot.x < 0.0f || shot.x > 240.0f || shot.y < 0.0f || shot.y > 240.0f) shot.active = 0;

        // The 10 × 10 picture is centred on x and hangs below y.
        ktDraw::DrawObject(static_cast<int32_t>(shot.x) + 35, static_cast<int32_t>(shot.y),
                           ChipsImage2, 10 * shot.kind, 180, 10 * shot.kind + 10, 190);
    }
}

void UpdateBoss() {
    BossX += BossVX * GameDelta;
    BossY += BossVY * GameDelta;
    Bounce(&BossX, &BossVX);
    Bounce(&BossY, &BossVY);

    // Poses 0 and 1 share one picture, 2 and 3 the other.
    const int32_t picture = BossPose / 2;
    ktDraw::DrawObject(static_cast<int32_t>(BossX) + 10, static_cast<int32_t>(BossY) - 30,
                       StageImage, 60 + 60 * picture, 120, 120 + 60 * picture, 180);
}

void UpdateBursts() {
    for (BurstEntry& burst : Burst) {
        if (burst.active != 1) continue;
        ktDraw::DrawObject(burst.x, burst.y, ChipsImage2, 20 * burst.frame, 160,
                           20 * burst.frame + 20, 180);
        burst.frame += 1;
        if (burst.frame >= BurstFrames) burst.active = 0;
    }
}

void NextBurstSlot() {
    BurstCursor += 1;
    // The last slot is never used; a cursor outside the table starts over.
    if (BurstCursor < 0 || BurstCursor + 1 >= BurstCount) BurstCursor = 0;
}

void SpawnBurst(int32_t x, int32_t y) {
    NextBurstSlot();
    BurstEntry& burst = Burst[BurstCursor];
    burst.x = x;
    burst.y = y;
    burst.active = 1;
    burst.frame = 0;
}
