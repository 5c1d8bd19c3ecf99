// A quick estimate of how long a stage's boss lasts: the boss follows the
// stage's boss stream, and a player who never dodges stays at the bottom of
// the field (y 200), slides under the boss at full speed and fires every
// volley, in STANDARD time (one game second per real second, 60 frames a
// second). Real play, with dodging, takes longer; the estimate is there to
// compare stages and to retune boss-hp, not to replace a play test.
#include <cmath>

#include "stagec.h"

namespace stagec {

namespace {

struct VolleyShot {
    int vx;
    int vy;
};

struct CharacterPlay {
    int speed;         // pixels per second
    float period;      // seconds between volleys
    int damage;        // boss hit points per hit
    int shotCount;
    VolleyShot shots[8];
};

constexpr CharacterPlay Characters[3] = {
    {130, 0.1111f, 9, 4, {{0, -300}, {75, -300}, {-75, -300}, {0, 300}}},
    {115, 0.1667f, 8, 6, {{120, -300}, {-120, -300}, {45, -300}, {-45, -300}, {75, 300}, {-75, 300}}},
    {100, 0.2222f, 7, 8,
     {{0, -300}, {75, -300}, {-75, -300}, {150, -300}, {-150, -300}, {0, 300}, {75, 300}, {-75, 300}}},
};

constexpr int PlayerShotSlots = 50;
constexpr float FrameStep = 1.0f / 60.0f;
constexpr int SeedCount = 5;

struct Shot {
    float x, y;
    int vx, vy;
    int active;
};

// The game's random generator, so random boss moves spread the same way.
struct Random {
    uint32_t state;
    int Draw(int n) {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF) % n;
    }
};

struct Boss {
    float x = 120, y = 50;
    int vx = 0, vy = 0;
};

void HomeOn(Boss& b, float tx, float ty, float k) {
    b.vx = static_cast<int>((tx - b.x) / k);
    b.vy = static_cast<int>((ty - b.y) / k);
}

// The boss's response to one boss-stream code, as the game steers it.
void Steer(Boss& b, int code, float playerX, float playerY, Random& r) {
    static constexpr int Straight[8][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0},
                                           {1, -1}, {1, 1}, {-1, -1}, {-1, 1}};
    if (code == 0) {
        b.vx = b.vy = 0;
    } else if (code >= 1 && code <= 32) {
        const int dir = (code - 1) / 4;
        const int speed = 100 * ((code - 1) % 4 + 1);
        b.vx = Straight[dir][0] * speed;
        b.vy = Straight[dir][1] * speed;
    } else if (code >= 33 && code <= 42) {
        static constexpr float Points[5][2] = {{120, 30}, {120, 210}, {30, 120}, {210, 120}, {120, 120}};
        const int p = (code - 33) / 2;
        HomeOn(b, Points[p][0], Points[p][1], static_cast<float>((code - 33) % 2 + 1));
    } else if (code >= 43 && code <= 45) {
        const float tx = static_cast<float>(r.Draw(180) + 30);
        const float ty = static_cast<float>(r.Draw(180) + 30);
        HomeOn(b, tx, ty, static_cast<float>(code - 42));
    } else if (code == 46) {
        b.x = static_cast<float>(r.Draw(180) + 30);
    } else if (code == 47) {
        b.y = static_cast<float>(r.Draw(180) + 30);
    } else if (code == 48 || code == 49) {
        HomeOn(b, playerX, playerY, static_cast<float>(code - 47));
    }
}

double RunOnce(const StageData& stage, const CharacterPlay& c, double limitSeconds, uint32_t seed) {
    Random random{seed};
    Boss boss;
    int bossHp = stage.bossHpByte * BossHpUnit;
    float playerX = 120, playerY = 200;
    float shotTimer = 0;
    Shot shots[PlayerShotSlots] = {};
    int cursor = 0;
    float moveDelay = 3.0f;
    size_t moveRead = 0;  // byte position in the boss stream
    const size_t moveBytes = stage.moves.size();
    const int frames = static_cast<int>(limitSeconds / FrameStep);

    for (int frame = 1; frame <= frames; frame++) {
        // The player: slide under the boss, fire, score hits.
        const float step = c.speed * FrameStep;
        if (boss.x > playerX + step) {
            playerX += step;
        } else if (boss.x < playerX - step) {
            playerX -= step;
        }
        playerX = std::fmin(230.0f, std::fmax(10.0f, playerX));
        shotTimer -= FrameStep;
        if (shotTimer < 0) {
            shotTimer += c.period;
            for (int i = 0; i < c.shotCount; i++) {
                cursor++;
                if (cursor + 1 >= PlayerShotSlots) cursor = 0;
                const int vy = c.shots[i].vy;
                shots[cursor] = {playerX, vy < 0 ? playerY - 20 : playerY + 20, c.shots[i].vx, vy, 1};
            }
        }
        for (Shot& s : shots) {
            if (!s.active) continue;
            if (boss.x - 30 < s.x && s.x < boss.x + 30 && boss.y - 30 < s.y && s.y < boss.y + 30) {
                s.active = 0;
                bossHp -= c.damage;
            }
            s.x += s.vx * FrameStep;
            s.y += s.vy * FrameStep;
            if (s.x < 0 || s.x > 240 || s.y < -20 || s.y > 260) s.active = 0;
        }
        if (bossHp < 0) return frame * static_cast<double>(FrameStep);

        // The boss stream, read as the game reads it: at its end one pass
        // of "no code, -1/20 s", then it starts over.
        moveDelay -= FrameStep;
        if (moveDelay < 0) {
            if (moveRead + MoveEntryBytes <= moveBytes) {
                Steer(boss, stage.moves[moveRead], playerX, playerY, random);
                moveDelay += stage.moves[moveRead + 1] / 20.0f;
                moveRead += MoveEntryBytes;
            } else {
                if (moveRead < moveBytes) Steer(boss, stage.moves[moveRead], playerX, playerY, random);
                moveDelay -= 1.0f / 20.0f;
                moveRead = 0;
            }
        }

        // The boss moves and bounces inside 30..210.
        boss.x += boss.vx * FrameStep;
        boss.y += boss.vy * FrameStep;
        if (boss.x < 30) {
            boss.x = 30;
            boss.vx = -boss.vx;
        } else if (boss.x > 210) {
            boss.x = 210;
            boss.vx = -boss.vx;
        }
        if (boss.y < 30) {
            boss.y = 30;
            boss.vy = -boss.vy;
        } else if (boss.y > 210) {
            boss.y = 210;
            boss.vy = -boss.vy;
        }
    }
    return -1;
}

}  // namespace

double EstimateBossSeconds(const StageData& stage, int character, double limitSeconds) {
    if (character < 0 || character > 2) return -1;
    double total = 0;
    for (int seed = 1; seed <= SeedCount; seed++) {
        const double seconds = RunOnce(stage, Characters[character], limitSeconds,
                                       static_cast<uint32_t>(seed) * 7919u);
        if (seconds < 0) return -1;
        total += seconds;
    }
    return total / SeedCount;
}

}  // namespace stagec
