// Depth-shot patterns: the first-stream codes 0 to 49. Each code fires one
// fixed pattern of shots that start far away and drift sideways while they
// come nearer, most of them aimed so that they cross the chosen field point
// when their depth runs out. Code 49 empties the table.
#include "game.h"
#include "game_math.h"
#include "ktSound.h"
#include "pattern_tables.h"

namespace {

// A coordinate of a random field point: 10 to 229.
float RandomFieldCoordinate() { return static_cast<float>(Random(FieldPointRange) + FieldPointLow); }

// Takes the next slot and writes its start; the velocity follows.
DepthShotEntry& EmitShot(float x, float y, const DepthPattern& pattern) {
    NextDepthShotSlot();
    DepthShotEntry& shot = DepthShot[DepthShotCursor];
    shot.x = x;
    shot.y = y;
    shot.z = pattern.z;
    return shot;
}

// The shot's sideways speed toward (tx, ty), so that it crosses that point
// when its depth reaches 0: differences from the stored start, in double.
// (A player's place set to NaN or far off by the simulator gives INT32_MIN.)
void AimShot(DepthShotEntry& shot, double tx, double ty, double f) {
    shot.vx = TruncateToInt((tx - static_cast<double>(shot.x)) * f);
    shot.vy = TruncateToInt((ty - static_cast<double>(shot.y)) * f);
}

// Approach speed, the live flag and, last of every shot's draws, its picture.
void FinishShot(DepthShotEntry& shot, const DepthPattern& pattern) {
    shot.vz = pattern.vz;
    shot.active = 1;
    shot.kind = Random(DepthKinds);
}

void ClearDepthShots() {
    for (DepthShotEntry& shot : DepthShot) shot.active = 0;
}

}  // namespace

void NextDepthShotSlot() {
    // Add 1, and start again at 0 once the new value plus 1 reaches the
    // table's size: 1, 2, ..., 108, 0, 1, ... The last slot is never used.
    // A cursor outside the table (a corrupt state) also starts again at 0.
    if (DepthShotCursor < 0 || DepthShotCursor >= DepthShotCount - 2) {
        DepthShotCursor = 0;
    } else {
        DepthShotCursor++;
    }
}

void FireDepthPattern(int32_t code) {
    BossPose++;
    if (BossPose == 4) BossPose = 0;

    if (code < 0 || code >= DepthPatternCount) return;
    const DepthPattern& pattern = DepthPatterns[code];
    if (pattern.start == DepthStart::ClearTable) {
        ClearDepthShots();
        return;
    }
    if (pattern.shots == 0) return;  // code 0: nothing, and silent
    ktSound::PlayObject(DepthShotSound, -1);

    const double px = PlayerX;
    const double py = PlayerY;
    const double t = StageTime;

    // Values the whole pattern shares, drawn once, x first.
    float sharedX = FieldCentre;
    float sharedY = FieldCentre;
    if (pattern.start == DepthStart::RandomShared) {
        sharedX = RandomFieldCoordinate();
        sharedY = RandomFieldCoordinate();
    }
    // Columns and rows: A (where the shots drift to), then B (where they stand).
    int32_t a = 0;
    int32_t b = 0;
    if (pattern.start == DepthStart::Column || pattern.start == DepthStart::Row) {
        a = Random(FieldPointRange) + FieldPointLow;
        b = Random(FieldPointRange) + FieldPointLow;
    }
    // Grids: U, then V.
    const DepthGrid& grid = pattern.velocity == DepthVelocity::AimGrid4 ? DepthGrid4 : DepthGrid3;
    int32_t u = 0;
    int32_t v = 0;
    if (pattern.velocity == DepthVelocity::AimGrid3 || pattern.velocity == DepthVelocity::AimGrid4) {
        u = Random(grid.range) + grid.offset;
        v = Random(grid.range) + grid.offset;
    }

    for (int32_t i = 0; i < pattern.shots; i++) {
        float x = FieldCentre;
        float y = FieldCentre;
        switch (pattern.start) {
        case DepthStart::RandomEach:
            x = RandomFieldCoordinate();
            y = RandomFieldCoordinate();
            break;
        case DepthStart::RandomShared:
            x = sharedX;
            y = sharedY;
            break;
        case DepthStart::Column:
            x = static_cast<float>(b);
            y = DepthLineFirst + DepthLineStep * static_cast<float>(i);
            break;
        case DepthStart::Row:
            x = DepthLineFirst + DepthLineStep * static_cast<float>(i);
            y = static_cast<float>(b);
            break;
        default:
            break;
        }
        DepthShotEntry& shot = EmitShot(x, y, pattern);

        const double angle = pattern.angleStep * i + pattern.timeScale * t;
        switch (pattern.velocity) {
        case DepthVelocity::AimPlayer:
            AimShot(shot, px, py, pattern.f);
            break;
        case DepthVelocity::AimRandom: {
            const double tx = Random(FieldPointRange) + FieldPointLow;
            const double ty = Random(FieldPointRange) + FieldPointLow;
            AimShot(shot, tx, ty, pattern.f);
            break;
        }
        case DepthVelocity::AimPlayerCross:
            AimShot(shot, px + DepthCrossOffsets[i].dx, py + DepthCrossOffsets[i].dy, pattern.f);
            break;
        case DepthVelocity::DriftX:
            shot.vx = static_cast<int32_t>((a - b) * pattern.f);
            shot.vy = 0;
            break;
        case DepthVelocity::DriftY:
            shot.vx = 0;
            shot.vy = static_cast<int32_t>((a - b) * pattern.f);
            break;
        case DepthVelocity::Spray: {
            // A stage clock set to NaN or infinity gives a NaN angle: INT32_MIN.
            const int32_t speedX = Random(DepthSprayRange);
            shot.vx = TruncateToInt(speedX * GameSin(angle) * pattern.fx);
            const int32_t speedY = Random(DepthSprayRange);
            shot.vy = TruncateToInt(speedY * GameCos(angle) * pattern.fy);
            break;
        }
        case DepthVelocity::AimGrid3:
        case DepthVelocity::AimGrid4: {
            // i runs over the columns (outer), j over the rows (inner).
            const int32_t column = i / grid.side;
            const int32_t row = i % grid.side;
            AimShot(shot, u + grid.step * column, v + grid.step * row, pattern.f);
            break;
        }
        case DepthVelocity::AimPlayerJitter: {
            const double tx = px + Random(DepthJitterRange) - DepthJitterHalf;
            const double ty = py + Random(DepthJitterRange) - DepthJitterHalf;
            AimShot(shot, tx, ty, pattern.f);
            break;
        }
        case DepthVelocity::AimPlayerCircle:
            AimShot(shot, px + DepthCircleRadius * GameSin(angle), py + DepthCircleRadius * GameCos(angle),
                    pattern.f);
            break;
        case DepthVelocity::Straight:
        case DepthVelocity::None:
            shot.vx = 0;
            shot.vy = 0;
            break;
        }
        FinishShot(shot, pattern);
    }
}
