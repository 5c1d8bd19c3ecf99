// Boss steering: the second-stream codes 0 to 49 set the boss's velocity,
// either a fixed one or one that homes on a point within k seconds, or move
// the boss at once along one axis. The motion and the bounce at the walls
// happen in UpdateBoss.
#include "game.h"
#include "game_math.h"
#include "pattern_tables.h"

namespace {

// The velocity that brings the boss to (tx, ty) in k seconds of game time;
// it is not cleared on arrival, so the boss goes on past the point. A place
// set to NaN or far off by the simulator gives INT32_MIN.
void HomeOn(double tx, double ty, int32_t k) {
    BossVX = TruncateToInt((tx - static_cast<double>(BossX)) / k);
    BossVY = TruncateToInt((ty - static_cast<double>(BossY)) / k);
}

int32_t RandomBossCoordinate() { return Random(BossPointRange) + BossPointLow; }

}  // namespace

void SteerBoss(int32_t code) {
    if (code < 0 || code >= BossCodeCount) return;
    const BossSteer& steer = BossSteering[code];
    switch (steer.rule) {
    case BossRule::Velocity:
        BossVX = steer.vx;
        BossVY = steer.vy;
        break;
    case BossRule::HomePoint:
        HomeOn(steer.tx, steer.ty, steer.k);
        break;
    case BossRule::HomeRandom: {
        const int32_t tx = RandomBossCoordinate();
        const int32_t ty = RandomBossCoordinate();
        HomeOn(tx, ty, steer.k);
        break;
    }
    case BossRule::HomePlayer:
        HomeOn(PlayerX, PlayerY, steer.k);
        break;
    case BossRule::JumpX:
        BossX = static_cast<float>(RandomBossCoordinate());
        break;
    case BossRule::JumpY:
        BossY = static_cast<float>(RandomBossCoordinate());
        break;
    }
}
