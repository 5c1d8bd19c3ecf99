// Replays: every game recorded from the frame that starts its first stage
// to its results (or to Escape), saved as a file beside the score log, and
// played again exactly: watched in the window, or verified headless.
//
// The file ("*.grr"), version 1. All numbers little-endian.
//   "GRReplay"            8 bytes
//   format version        u16 (ReplayFormat), then u16 0
//   chunks, in this order, each: id (4 ASCII bytes), payload length (u32),
//   payload, CRC-32 of id and payload (u32, the CRC of zlib and PNG):
//   INFO  text, "key=value" lines: game, version, platform, recorded (local
//         date and time), difficulty, ship, finished (1: reached the
//         results; 0: ended with Escape), result (the score log's line for
//         the game, without its line end), frames, milliseconds
//   STRT  the start: GameRandom u32; GameMode, Character, LastStage, StickX,
//         StickY i32; for pads 0 and 1: centred u8, centre x u16, centre y u16;
//         then what a new game leaves from before and every frame sets before
//         it reads it: FrameSeconds, GameDelta (f32 bits), PlayerSpeed i32
//   KEYS  the game's key list: count u8, then each key's virtual-key code u8
//         (bit i of a frame's keys is key i)
//   STGE  the stage files played: count u16, then each: name length u8,
//         name, length u32, bytes (stageno.txt, bshp.dat, stageN.da1/.da2)
//   INPT  frame count u32, then the frames' input log (input_log.h)
//   CHCK  interval in milliseconds u32, count u32, then each checkpoint's
//         PlayStateHash u32: the first at the start, then one after each
//         frame that ends a full interval of recorded time since the last,
//         and one after the last frame
//   END   empty
// Readers skip chunks they do not know; a newer format version is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ktSystem.h"

constexpr uint16_t ReplayFormat = 1;
constexpr uint32_t CheckpointMilliseconds = 1000;
// The largest replay file read: hours of play fit many times over.
constexpr size_t MaxReplayBytes = 16u * 1024 * 1024;
// The most stage file bytes a recording embeds.
constexpr size_t MaxStageBytes = 64 * 1024;

struct ReplayStart {
    uint32_t random;
    int32_t mode, character, lastStage, stickX, stickY;
    int32_t padCentred[2], padCentreX[2], padCentreY[2];
    float frameSeconds, gameDelta;
    int32_t playerSpeed;
};

struct ReplayStageFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// A replay file as read.
struct Replay {
    uint16_t format = 0;
    std::string game, version, platform, recorded, difficulty, ship, result;
    int finished = 0;
    uint32_t frames = 0;
    uint64_t milliseconds = 0;
    ReplayStart start = {};
    std::vector<int> keys;
    std::vector<ReplayStageFile> stages;
    std::vector<uint8_t> input;  // the input log
    uint32_t interval = CheckpointMilliseconds;
    std::vector<uint32_t> checkpoints;
};

// ---- replay_file.cpp: the file ------------------------------------------------
// Reads a replay file from bytes: 1, or 0 with what is wrong in `why` (not
// a replay, a newer format, damaged, cut short, a stage file that is not
// one).
int ParseReplay(const uint8_t* bytes, size_t size, Replay* out, std::string* why);
// Reads a replay file from disk (path in UTF-8).
int ReadReplayFile(const char* path, Replay* out, std::string* why);
// The stage files a replay may hold: stageno.txt, bshp.dat, stageN.da1 and
// stageN.da2 for N from 0 to 99.
bool IsStageFileName(const std::string& name);
// CRC-32 (the polynomial of zlib and PNG).
uint32_t Crc32(const uint8_t* bytes, size_t size, uint32_t crc = 0);

// ---- replay.cpp: recording ---------------------------------------------------------
// Starts recording the game whose first stage has just started (called by
// the character select, after StartStage): the start, the stage files, and
// every frame from the next one on.
void StartRecording();
// Ends the recording and saves it (finished: the game reached its results;
// else it ended with Escape). Nothing when none runs.
void FinishRecording(int finished);
// 1 while a game is recorded.
int Recording();
// The saved file's path, when the last recording was saved ("" when not).
const char* LastReplayPath();
// The score log's line for the game as it stands (point.txt's format, with
// its line end).
void FormatScoreLine(char* line, size_t size);
// A score log line read back (with or without its line end): what
// FormatScoreLine wrote for a game, nothing else. The difficulty and ship by
// the names the replay file uses (KIDS, STANDARD, MASTER; ASTER, BRIONY,
// CALLA).
struct ScoreLine {
    int32_t stage = 0, combo = 0;
    uint32_t points = 0;
    std::string difficulty, ship;
};
bool ParseScoreLine(const std::string& line, ScoreLine* out);

// ---- replay.cpp: playing again ---------------------------------------------------------
// Starts playing `replay` from its start: its stage files are written into
// `folder`/data/ (made when missing) and the game takes its stage data from
// there; the game's state is set as at the recorded start and its first
// stage started; frames then come from the recording. 1, or 0 with why in
// `why` (the stage files cannot be written; the recording was made with
// other keys; its start does not match its first checkpoint).
int StartPlayback(const Replay& replay, const std::string& folder, std::string* why);
// Ends playing: the machine's input again, stage data from where it was.
void StopPlayback();
// What playing has found so far: frames played, and the first checkpoint
// that did not match (-1: none) with the frame after which it was taken.
struct PlaybackState {
    uint32_t framesPlayed;
    int firstMismatch;
    uint32_t mismatchFrame;
    uint32_t mismatchRecorded, mismatchPlayed;
    int ended;  // every frame of the recording has run
};
const PlaybackState& Playback();

// Plays a whole replay headless (no picture is drawn, no sound mixed: the
// caller has neither opened), its stage files written into `folder`. The
// result line and *ok true when every checkpoint and the result match; else
// what is wrong: the first frame whose checkpoint differs, damaged input,
// another result (and the version that recorded it, if not this one).
std::string VerifyReplay(const Replay& replay, const std::string& folder, bool* ok);

// Watching in the window: the program was given a replay file (path in
// UTF-8) to show instead of the game. Once the game is loaded, WatchReplay
// plays its frames at their recorded pace (Space pauses and goes on; F runs
// it 2, 4 and 8 times as fast, then as recorded), with a sign over the
// picture; the program ends a few seconds after the last frame (Escape ends
// it at once). A replay that will not play gets the error box, and the
// program ends with status 1 (ReplayExitStatus).
void SetReplayToWatch(const char* path);
// 1 while a replay is watched in the window.
int WatchingReplay();
void WatchReplay();
void ReplayKeyPressed(int vk);
int ReplayExitStatus();
