// The game's operations, one group per piece of the game. Each piece lives
// in its own source file, named in the group's heading.
#pragma once

#include <cstdint>

#include "globals.h"
#include "ktSystem.h"

// ---- game_state.cpp: the resource set, a new game, decimal helpers, random ----
void LoadResourceSet();
void ResetGame();
int32_t ParseDecimal(const char* text);
const char* FormatDecimal(int32_t n);
int32_t PowerOfTen(int32_t n);
int32_t IntPower(int32_t base, int32_t n);
// One draw of GameRandom: 0 to 32767.
int32_t Random();
// R(n): one draw reduced modulo n.
int32_t Random(int32_t n);
void SeedRandom(uint32_t seed);
// Adds points to Score without wrapping past 4294967295.
void AddScore(uint64_t points);
// The path of a stage data file ("bshp.dat", "stage3.da1") in PathBuffer:
// under the working folder's data/ when it holds stageno.txt, else under the
// program folder's data/; null when the path would not fit.
const char* StageDataPath(const char* name);
// Takes every stage file from `folder` (ending in its separator) from now
// on, as a replay being played does; null or "" goes back to the rule above.
void SetStageFolder(const char* folder);

// ---- menus.cpp: title, mode select and character select ----------------------
void TitleFrame();
void ModeSelectFrame();
void CharacterSelectFrame();

// ---- stage_script.cpp: stage loading and the two script streams ----------------
void StartStage();
void StepScript1();
void StepScript2();
void CheckStageClear();
// Closes both script streams (a closed stream is left null).
void CloseScripts();

// ---- play_frame.cpp: the play scene's frame --------------------------------------
void PlayFrame();

// ---- depth_patterns.cpp: first-stream codes 0 to 49 --------------------------------
void FireDepthPattern(int32_t code);
void NextDepthShotSlot();

// ---- flat_patterns.cpp: first-stream codes 50 to 100 -------------------------------
void FireFlatPattern(int32_t code);
void SpawnFlatShot();
void AimFlatShot(float tx, float ty, int32_t slot, int32_t speed);

// ---- boss_steering.cpp: second-stream codes 0 to 49 ---------------------------------
void SteerBoss(int32_t code);

// ---- enemy_shots.cpp: depth shots, flat shots, the boss and bursts -------------------
void UpdateDepthShots();
void UpdateFlatShots();
void UpdateBoss();
void UpdateBursts();
void NextBurstSlot();
void SpawnBurst(int32_t x, int32_t y);

// ---- player.cpp: the player, the player's shots and the combo gauge -------------------
struct VolleyShot {
    int32_t vx;
    int32_t vy;  // -300 upward, +300 downward
};

// One playable character: speed, rate of fire, the shape of its volley (in
// firing order), its combo gain per boss hit by difficulty, and its damage.
struct CharacterRow {
    int32_t speed;          // pixels per second
    float volleyPeriod;     // seconds between volleys
    int32_t volleySize;     // shots used in `volley`
    VolleyShot volley[8];
    int32_t gainKids;
    int32_t gainStandard;
    int32_t gainMaster;
    int32_t damage;         // boss hit points per hit
};

constexpr int32_t CharacterCount = 3;
// The characters in the order of the character select's rows.
extern const CharacterRow CharacterTable[CharacterCount];

void UpdatePlayer();
void NextPlayerShotSlot();

// ---- bomb.cpp: the bomb and the stock icons ---------------------------------------------
void UpdateBomb();

// ---- results.cpp: the results scene and the score log -----------------------------------
void ResultsFrame();
// The results scene's picture (the score as a wall of digits), drawn and shown.
void DrawResultsScreen();

// ---- pause.cpp: the pause ---------------------------------------------------------------
// P pressed (a fresh press): pauses play, or goes on.
void PauseKeyPressed(int vk);
// Every turn of the loop: pad button 4 pressed afresh does the same.
void PauseBetweenFrames();

// ---- player_files.cpp: the score log's and the replays' folder ----------------------------
// Opens `name` (relative: "point.txt", "replays/x.grr"; a folder in front is
// made when missing) in the working folder, else in the player's own data
// folder (*inPlayersFolder then true). `where` gets the path opened, or the
// one tried last ("" when the player has no data folder). With `fresh` the
// file opened is a new one: a name taken gets "-2", "-3" ... before its
// extension. Null when it can be opened nowhere.
std::FILE* OpenPlayerFile(const char* name, const char* mode, bool fresh, char (&where)[PathBufferSize],
                          bool* inPlayersFolder);

// ---- scene_table.cpp: what the engine's entry point needs of the game ---------------------
extern const ktSystem::GameEntry GameEntryPoints;
