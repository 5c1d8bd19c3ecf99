// Every game-wide value of Graze Runner: Zero Gravity, declared once, here.
// The game is plain functions over this state: fixed-size tables filled
// through ring cursors, integer handles into the engine's tables, and flags
// and counters. Nothing here is allocated during play.
//
// Engine values the game reads and writes live in ktSystem: `SceneId`
// (the current scene), `FrameSeconds` (the measured frame time),
// `AppActive` and `ShutdownState`.
#pragma once

#include <cstdint>
#include <cstdio>

// ---- Sizes of the tables ----------------------------------------------------
constexpr int DepthShotCount = 110;
constexpr int FlatShotCount = 250;
constexpr int PlayerShotCount = 50;
constexpr int BurstCount = 50;

// ---- Table entries -----------------------------------------------------------
struct DepthShotEntry {
    float x;         // field x in the player's plane
    float y;         // field y in the player's plane
    float z;         // depth: 100 (or 30) at spawn, can hit below 10, gone below 0
    int32_t vx;      // pixels per second added to x
    int32_t vy;      // pixels per second added to y
    int32_t vz;      // depth units per second taken from z
    int32_t kind;    // picture 0 to 4
    int32_t active;  // 1 in use, 0 free
};

struct FlatShotEntry {
    float x;         // field x
    float y;         // field y
    int32_t vx;      // pixels per second
    int32_t vy;      // pixels per second
    int32_t kind;    // picture 0 to 4
    int32_t active;  // 1 in use, 0 free
};

struct PlayerShotEntry {
    float x;         // field x
    float y;         // field y
    int32_t vx;      // pixels per second
    int32_t vy;      // pixels per second (-300 upward, +300 downward)
    int32_t active;  // 1 in use, 0 free
};

struct BurstEntry {
    int32_t x;       // screen x of the sprite's top-left corner
    int32_t y;       // screen y of the sprite's top-left corner
    int32_t active;  // 1 in use
    int32_t frame;   // 0 to 3
};

// ---- Game state and resource set ----------------------------------------------
extern int32_t GameMode;      // 0 MASTER, 1 STANDARD, 2 KIDS
extern int32_t Character;     // 0 ASTER, 1 BRIONY, 2 CALLA
extern int32_t StageNo;       // current stage, counted from 0
extern int32_t LastStage;     // number of the last stage, from stageno.txt
extern uint32_t Score;        // points
extern int32_t Lives;         // spare lives
extern int32_t Bombs;         // bombs in stock
extern int32_t Combo;         // current combo
extern float ComboTimer;      // combo gauge, 0 to 240
extern int32_t ComboRunning;  // 1 if the gauge was above 0 at the end of the previous frame
extern int32_t MaxCombo;      // best combo of the game, logged
// Scratch text: stage file names (a program folder's path in front of them
// may be as long as the engine's), the name tag.
constexpr int PathBufferSize = 4096 + 64;
extern char PathBuffer[PathBufferSize];
extern uint32_t GameRandom;   // state of the game's one random generator

// Resource handles: indexes into the engine's image and sound tables.
extern int32_t MenuBackImage;   // menu background, swapped between the menu pictures
extern int32_t StageImage;      // the stage's background strips and boss poses
extern int32_t ChipsImage2;     // sprite sheet: player, shots, bursts, labels
extern int32_t DigitsImage;     // large and small digits, the score panel
extern int32_t MenuBarImage;    // the two highlight strips of the menus
extern int32_t ShotSound;       // the player fires a volley
extern int32_t HitSound;        // a player shot hits the boss
extern int32_t BombSound;       // a shot hits the player
extern int32_t FlatShotSound;   // flat-shot patterns fire
extern int32_t MenuLoopSound;   // menu and results music
extern int32_t DepthShotSound;  // depth-shot patterns fire
extern int32_t ComboEndSound;   // a combo ends
extern int32_t StageMusic;      // stage music
extern int32_t LaserSound;      // a bomb is set off

// ---- Menu scenes ---------------------------------------------------------------
extern int32_t MenuRow;         // current row of the select scenes, 0 to 2
extern int32_t MenuStripPhase;  // which highlight strip is drawn, 0 or 1
extern int32_t MenuKeyLatch;    // 1 after a row move until up, down and the stick are released
extern int32_t ConfirmLatch;    // 1 from entering the character select until Z and button 1 are up
extern int32_t StickX;          // pad 0's horizontal direction as last read: -1, 0, +1
extern int32_t StickY;          // pad 0's vertical direction as last read: -1, 0, +1

// ---- Stage and scripts ----------------------------------------------------------
extern int32_t BossHp;          // boss hit points of the running stage
extern float StageTime;         // seconds of game time since the stage started
extern float Script1Delay;      // seconds until the next first-stream entry is read
extern float Script2Delay;      // seconds until the next second-stream entry is read
extern std::FILE* Script1File;  // the open first stream (.da1), null when none
extern std::FILE* Script2File;  // the open second stream (.da2), null when none
extern std::FILE* BossHpFile;   // bshp.dat, open only while StartStage reads it
extern int32_t StageDataSource; // where the last stage file came from: 0 the working
                                // folder's data/, 1 the program folder's data/

// ---- Play scene ------------------------------------------------------------------
extern float GameDelta;         // this frame's simulation step in seconds
extern float SideScroll;        // scroll offset of the side strips, 0 to 240
extern float CenterScroll;      // scroll offset of the centre tile, 0 to 120
extern int32_t ReverseStock;    // reverse uses left in the stage
extern float ReverseCooldown;   // seconds; the reverse action works while below 1.0
extern float HitTimer;          // 0, or the time left in the player's hit sequence

// ---- Player, player shots and combo --------------------------------------------------
extern float PlayerX;           // field x of the player's hit point, 10 to 230
extern float PlayerY;           // field y of the player's hit point, 10 to 230
extern int32_t PlayerSpeed;     // pixels per second of the character
extern int32_t PlayerFrame;     // animation frame 0, 1, 2
extern float ShotTimer;         // seconds until the next volley
extern PlayerShotEntry PlayerShot[PlayerShotCount];  // the player's shots
extern int32_t PlayerShotCursor;                     // slot written last

// ---- Enemy shots, boss and bursts ------------------------------------------------------
extern DepthShotEntry DepthShot[DepthShotCount];  // shots flying out of the distance
extern int32_t DepthShotCursor;                   // slot written last
extern FlatShotEntry FlatShot[FlatShotCount];     // shots crossing the field
extern int32_t FlatShotCursor;                    // slot written last
extern BurstEntry Burst[BurstCount];              // four-frame explosions
extern int32_t BurstCursor;                       // slot written last
extern float BossX;             // field x of the boss's centre
extern float BossY;             // field y of the boss's centre
extern int32_t BossVX;          // boss speed in pixels per second along x
extern int32_t BossVY;          // boss speed in pixels per second along y
extern int32_t BossPose;        // animation counter 0 to 3, advanced by every pattern call

// ---- Bomb ------------------------------------------------------------------------------
extern float BombTimer;         // 41 when a bomb starts, falls 20 per second; acts while above 0
