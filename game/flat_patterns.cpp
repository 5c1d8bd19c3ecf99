// Flat-shot patterns: the first-stream codes 50 to 100. Codes 50 to 95 fire
// shots from the boss, aimed at the player, at points near the player or at
// random points, or along directions that turn with the stage clock. Codes 96
// to 100 act on every shot in flight: slow down, speed up, clear, reverse.
#include <cmath>

#include "game.h"
#include "game_math.h"
#include "ktSound.h"
#include "pattern_tables.h"

namespace {

// vx, vy of the newest shot along direction `angle` (0 points down the field,
// pi/2 toward growing x) at `speed`; a negative speed goes the other way. A
// NaN angle (the stage clock set to NaN or infinity) gives INT32_MIN.
void SendNewestShot(double angle, int32_t speed) {
    FlatShotEntry& shot = FlatShot[FlatShotCursor];
    shot.vx = TruncateToInt(GameSin(angle) * speed);
    shot.vy = TruncateToInt(GameCos(angle) * speed);
}

void AimNewestShot(float tx, float ty, int32_t speed) { AimFlatShot(tx, ty, FlatShotCursor, speed); }

// The table actions of codes 96 to 100. In play a shot leaves the field long
// before speeding up takes it out of int32_t (a frame is at least 1 ms); a
// speed set by the simulator may not, and then gives INT32_MIN.
void ScaleFlatShots(double factor) {
    for (FlatShotEntry& shot : FlatShot) {
        if (shot.active != 1) continue;
        shot.vx = TruncateToInt(shot.vx * factor);
        shot.vy = TruncateToInt(shot.vy * factor);
    }
}

void ClearFlatShots() {
    for (FlatShotEntry& shot : FlatShot) shot.active = 0;
}

// -v, except that INT32_MIN stays itself (as two's complement wraps) rather
// than overflowing.
int32_t Opposite(int32_t v) { return static_cast<int32_t>(0u - static_cast<uint32_t>(v)); }

void ReverseFlatShots() {
    for (FlatShotEntry& shot : FlatShot) {
        if (shot.active != 1) continue;
        shot.vx = Opposite(shot.vx);
        shot.vy = Opposite(shot.vy);
    }
}

}  // namespace

void SpawnFlatShot() {
    // Add 1, and start again at 0 once the new value plus 1 reaches the
    // table's size: 1, 2, ..., 248, 0, 1, ... The last slot is never used.
    // A cursor outside the table (a corrupt state) also starts again at 0.
    if (FlatShotCursor < 0 || FlatShotCursor >= FlatShotCount - 2) {
        FlatShotCursor = 0;
    } else {
        FlatShotCursor++;
    }
    FlatShotEntry& shot = FlatShot[FlatShotCursor];
    shot.x = BossX;
    shot.y = BossY;
    shot.active = 1;
    shot.kind = Random(FlatKinds);
}

void AimFlatShot(float tx, float ty, int32_t slot, int32_t speed) {
    if (slot < 0 || slot >= FlatShotCount) return;  // no such slot: nothing to aim
    FlatShotEntry& shot = FlatShot[slot];
    const float dx = tx - shot.x;
    const float dy = ty - shot.y;
    // std::sqrt is IEEE's square root, correctly rounded on every platform
    // (one instruction on x86-64 and in WebAssembly): it needs no game_math.
    // A place set to NaN or infinity by the simulator gives INT32_MIN here.
    const double d = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
    if (TruncateToInt(d) < FlatAimNear) {
        // On or next to the shot itself: no direction to aim along, so a
        // random velocity instead (this also keeps d away from 0).
        shot.vx = Random(FlatNearRange) - FlatNearHalf;
        shot.vy = Random(FlatNearRange) - FlatNearHalf;
        return;
    }
    shot.vx = TruncateToInt(static_cast<double>(speed) * dx / d);
    shot.vy = TruncateToInt(static_cast<double>(speed) * dy / d);
}

void FireFlatPattern(int32_t code) {
    BossPose++;
    if (BossPose == 4) BossPose = 0;

    if (code < FlatSilentFirst) ktSound::PlayObject(FlatShotSound, -1);
    if (code < FlatPatternFirst || code > FlatPatternLast) return;
    const FlatPattern& pattern = FlatPatterns[code - FlatPatternFirst];

    const float px = PlayerX;
    const float py = PlayerY;
    const double t = StageTime;

    switch (pattern.rule) {
    case FlatRule::Scale:
        ScaleFlatShots(pattern.factor);
        return;
    case FlatRule::Clear:
        ClearFlatShots();
        return;
    case FlatRule::Reverse:
        ReverseFlatShots();
        return;
    default:
        break;
    }

    for (int32_t i = 0; i < pattern.shots; i++) {
        SpawnFlatShot();
        switch (pattern.rule) {
        case FlatRule::AimPlayer:
            AimNewestShot(px, py, pattern.speed);
            break;
        case FlatRule::Fan:
            // The offset goes on vx alone: the side shots are faster.
            AimNewestShot(px, py, pattern.speed);
            FlatShot[FlatShotCursor].vx += pattern.fanStep * (i - (pattern.shots - 1) / 2);
            break;
        case FlatRule::AimRandom: {
            const int32_t y = Random(FlatRandomRange);
            const int32_t x = Random(FlatRandomRange);
            AimNewestShot(static_cast<float>(x), static_cast<float>(y), pattern.speed);
            break;
        }
        case FlatRule::Line:
            AimNewestShot(px, py, pattern.speedStep * (i + 1));
            break;
        case FlatRule::Pair:
            SendNewestShot(pattern.timeScale * t, i == 0 ? pattern.speed : -pattern.speed);
            break;
        case FlatRule::Cross: {
            const double b = pattern.timeScale * t;
            switch (i) {
            case 0: SendNewestShot(b, pattern.speed); break;
            case 1: SendNewestShot(b, -pattern.speed); break;
            case 2: SendNewestShot(b + FlatCrossTurn, pattern.speed); break;
            default: SendNewestShot(b - FlatCrossTurn, pattern.speed); break;
            }
            break;
        }
        case FlatRule::Scatter: {
            const int32_t speed = Random(pattern.speedRange) + pattern.speed;
            const int32_t offsetY = Random(FlatScatterRange);
            const int32_t offsetX = Random(FlatScatterRange);
            // The target is worked out in double and handed over as f32.
            const float tx = static_cast<float>(static_cast<double>(px) + offsetX - FlatScatterHalf);
            const float ty = static_cast<float>(static_cast<double>(py) + offsetY - FlatScatterHalf);
            AimNewestShot(tx, ty, speed);
            break;
        }
        case FlatRule::Spin:
        case FlatRule::Ring:
            SendNewestShot(pattern.angleStep * i + pattern.timeScale * t, pattern.speed);
            break;
        case FlatRule::Column:
            FlatShot[FlatShotCursor].vx = 0;
            FlatShot[FlatShotCursor].vy = pattern.speed + pattern.speedStep * i;
            break;
        default:
            break;
        }
    }
}
