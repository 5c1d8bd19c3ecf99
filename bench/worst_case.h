// The busiest play frame there is: every shot, player-shot and burst table
// full, the bomb beam on, the combo gauge full, a frame of 16 ms. Timed by
// the native benchmark (bench_play_frame.cpp) and in the browser (the test
// site's timing page, tests/web/frame_timing.cpp).
#pragma once

#include "game.h"
#include "ktSystem.h"

namespace bench {

constexpr float FrameStep = 0.016f;

// Keeps a shot away from the player's hit box, so that the frame stays a
// playing frame (a hit would turn the player into the smaller explosion).
inline float AwayFromPlayer(float x, float y) {
    if (x > PlayerX - 15.0f && x < PlayerX + 15.0f && y > PlayerY - 15.0f && y < PlayerY + 15.0f)
        return x + 40.0f;
    return x;
}

// Puts the play scene in its busiest state. Called before every frame: the
// frame moves the shots, clears a column of them with the bomb and ends
// bursts, so the tables are filled again each time.
inline void FillWorstCase() {
    ktSystem::SceneId = 1;
    ktSystem::FrameSeconds = FrameStep;
    PlayerX = 120.0f;
    PlayerY = 200.0f;
    HitTimer = 0.0f;
    BossX = 120.0f;
    BossY = 80.0f;
    BossVX = 40;
    BossVY = 20;
    BossHp = 100000;         // the boss does not fall in this frame
    Script1Delay = 1000.0f;  // no script entry is read: the tables stay as set
    Script2Delay = 1000.0f;
    Score = 1234567890;
    Combo = 123456;
    ComboTimer = 240.0f;     // the gauge is full
    Bombs = 15;              // the most the stock holds, all drawn
    ReverseStock = 2;
    ReverseCooldown = 0.0f;
    BombTimer = 30.0f;       // the beam is on
    ShotTimer = 0.0f;        // a volley is due

    // Every usable slot (the last of each table is never used), spread over
    // the field and, for depth shots, over the depths: near ones are drawn
    // large.
    for (int i = 0; i < DepthShotCount - 1; i++) {
        DepthShotEntry& shot = DepthShot[i];
        shot.y = 5.0f + float((i * 53) % 230);
        shot.x = AwayFromPlayer(5.0f + float((i * 37) % 230), shot.y);
        shot.z = 1.0f + float((i * 29) % 99);
        shot.vx = (i % 7) - 3;
        shot.vy = (i % 5) - 2;
        shot.vz = 10;
        shot.kind = i % 5;
        shot.active = 1;
    }
    for (int i = 0; i < FlatShotCount - 1; i++) {
        FlatShotEntry& shot = FlatShot[i];
        shot.y = 2.0f + float((i * 71) % 226);
        shot.x = AwayFromPlayer(2.0f + float((i * 43) % 226), shot.y);
        shot.vx = (i % 9) - 4;
        shot.vy = (i % 7) - 3;
        shot.kind = i % 5;
        shot.active = 1;
    }
    for (int i = 0; i < PlayerShotCount - 1; i++) {
        PlayerShotEntry& shot = PlayerShot[i];
        shot.x = 10.0f + float((i * 31) % 220);
        shot.y = 20.0f + float((i * 17) % 200);
        shot.vx = 0;
        shot.vy = i % 4 == 0 ? 300 : -300;
        shot.active = 1;
    }
    for (int i = 0; i < BurstCount - 1; i++) {
        BurstEntry& burst = Burst[i];
        burst.x = 40 + (i * 41) % 220;
        burst.y = (i * 23) % 220;
        burst.frame = i % 3;
        burst.active = 1;
    }
    DepthShotCursor = 0;
    FlatShotCursor = 0;
    PlayerShotCursor = 0;
    BurstCursor = 0;
}

}  // namespace bench
