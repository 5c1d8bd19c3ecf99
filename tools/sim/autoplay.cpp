// The simulator's player (see autoplay.h). Each of the ways it could steer
// (eight directions at full or slow speed, or staying) is followed half a
// second ahead against every shot moving straight on; it takes the way
// whose first hit comes last, and among safe ways the one that brings it
// nearest to its place under the boss.
#include "autoplay.h"

#include <cmath>

#include "game.h"

namespace sim {

namespace {

// The look ahead: steps of game time, and how many.
constexpr float LookStep = 0.02f;
constexpr int LookSteps = 25;
// Room kept around the game's hit boxes (half sides 10 for depth shots, 5
// for flat shots; a depth shot can hit below depth 10).
constexpr float DepthReach = 10.0f + 3.0f;
constexpr float FlatReach = 5.0f + 3.0f;
constexpr float DepthPlane = 10.0f;
// The ship's field and slow speed, as the game has them.
constexpr float FieldLow = 10.0f;
constexpr float FieldHigh = 230.0f;
constexpr float SlowSpeed = 60.0f;
constexpr float BossLow = 30.0f, BossHigh = 210.0f;
// Where it likes to be: under the boss, near the bottom.
constexpr float HomeY = 200.0f;
constexpr float BossLead = 0.3f;  // seconds the boss is followed ahead
// A way whose first hit is this close has no way out: a bomb.
constexpr int NoWayOut = 3;
// Flat shots this near, this many, are sent back.
constexpr float CrowdRadius = 60.0f;
constexpr int Crowd = 5;
// Shots this many in the bomb's column are worth a bomb, while more than one
// is in stock.
constexpr float ColumnHalf = 50.0f;
constexpr int ColumnFull = 12;

float Clamp(float v, float low, float high) { return v < low ? low : v > high ? high : v; }

// The look-ahead step of the first hit if the ship keeps going (dx, dy) at
// `speed`; LookSteps when none comes.
int FirstHit(int dx, int dy, float speed) {
    float px[LookSteps + 1], py[LookSteps + 1];
    for (int s = 0; s <= LookSteps; s++) {
        const float t = LookStep * float(s);
        px[s] = Clamp(PlayerX + float(dx) * speed * t, FieldLow, FieldHigh);
        py[s] = Clamp(PlayerY + float(dy) * speed * t, FieldLow, FieldHigh);
    }
    int first = LookSteps;
    for (const DepthShotEntry& shot : DepthShot) {
        if (shot.active != 1) continue;
        for (int s = 0; s < first; s++) {
            const float t = LookStep * float(s + 1);
            const float z = shot.z - float(shot.vz) * t;
            if (z < -float(shot.vz) * LookStep) break;  // gone
            if (z >= DepthPlane) continue;
            if (std::fabs(shot.x + float(shot.vx) * t - px[s + 1]) < DepthReach &&
                std::fabs(shot.y + float(shot.vy) * t - py[s + 1]) < DepthReach) {
                first = s;
                break;
            }
        }
    }
    for (const FlatShotEntry& shot : FlatShot) {
        if (shot.active != 1) continue;
        for (int s = 0; s < first; s++) {
            const float t = LookStep * float(s + 1);
            const float x = shot.x + float(shot.vx) * t, y = shot.y + float(shot.vy) * t;
            if (x < 0.0f || x > 240.0f || y < 0.0f || y > 240.0f) break;  // gone
            if (std::fabs(x - px[s + 1]) < FlatReach && std::fabs(y - py[s + 1]) < FlatReach) {
                first = s;
                break;
            }
        }
    }
    return first;
}

int ShotsInColumn() {
    int in = 0;
    for (const FlatShotEntry& shot : FlatShot) in += shot.active == 1 && std::fabs(shot.x - PlayerX) < ColumnHalf;
    for (const DepthShotEntry& shot : DepthShot) in += shot.active == 1 && std::fabs(shot.x - PlayerX) < ColumnHalf;
    return in;
}

int FlatShotsNear() {
    int near = 0;
    for (const FlatShotEntry& shot : FlatShot)
        if (shot.active == 1 && std::fabs(shot.x - PlayerX) < CrowdRadius && std::fabs(shot.y - PlayerY) < CrowdRadius)
            near++;
    return near;
}

}  // namespace

AutoplayControls DecideControls(const AutoplayHabits& habits, float gameSeconds) {
    const float goalX = Clamp(BossX + float(BossVX) * BossLead, BossLow, BossHigh);
    const float goalY = HomeY;
    const float speed = float(PlayerSpeed > 0 ? PlayerSpeed : 100);

    AutoplayControls best;
    int bestFirst = -1;
    float bestDistance = 0.0f;
    for (int slow = 0; slow < 2; slow++)
        for (int dy = -1; dy <= 1; dy++)
            for (int dx = -1; dx <= 1; dx++) {
                if (slow && dx == 0 && dy == 0) continue;
                const float v = slow ? SlowSpeed : speed;
                const int first = habits.dodges && HitTimer <= 0.0f ? FirstHit(dx, dy, v) : LookSteps;
                const float x = Clamp(PlayerX + float(dx) * v * gameSeconds, FieldLow, FieldHigh);
                const float y = Clamp(PlayerY + float(dy) * v * gameSeconds, FieldLow, FieldHigh);
                const float distance = std::fabs(x - goalX) + 0.5f * std::fabs(y - goalY);
                if (first > bestFirst || (first == bestFirst && distance < bestDistance)) {
                    bestFirst = first;
                    bestDistance = distance;
                    best.dx = dx;
                    best.dy = dy;
                    best.slow = slow != 0;
                }
            }

    const bool hitComing = bestFirst < NoWayOut && HitTimer <= 0.0f;
    best.bomb = habits.bombs && Bombs > 0 && BombTimer <= 0.0f && HitTimer <= 0.0f &&
                (hitComing || (Bombs > 1 && ShotsInColumn() >= ColumnFull));
    best.reverse = habits.reverses && ReverseStock > 0 && ReverseCooldown < 1.0f &&
                   (FlatShotsNear() >= Crowd || (hitComing && !best.bomb));
    return best;
}

}  // namespace sim
