// ktSystem: the program itself — start-up, the one window, the message loop
// and frame loop, the window procedure and shutdown, keyboard and pad input,
// and the engine's error box.
#pragma once

#include <cstdint>
#include <cstdio>

#include "input_log.h"
#include "platform.h"

namespace ktSystem {

// A scene's per-frame handler.
using SceneHandler = void (*)();

// A picture built into the program (its icon), 32-bit ARGB pixels.
struct IconResource {
    const char* name;
    const uint32_t* pixels;
    int width;
    int height;
};

// What the game hands the entry point: the resource loader, the seed of its
// random generator, the scene table (`SceneId` → handler), its icons, the
// keys it reads (at most MaxGameKeys; a frame reads each once, and a
// recording holds them), and what it does before the shutdown and on every
// other key pressed than Escape (may be null).
struct GameEntry {
    void (*LoadResourceSet)();
    void (*SeedRandom)(uint32_t seed);
    const SceneHandler* Scenes;  // indexed by SceneId; null entries run nothing
    int SceneCount;
    const IconResource* Icons;
    int IconCount;
    const int* Keys = nullptr;
    int KeyCount = 0;
    void (*BeforeShutdown)() = nullptr;
    void (*KeyPressed)(int vk) = nullptr;
    // Called every turn of the loop while the game is active, before its
    // frames (outside them: what it reads is not part of a frame).
    void (*BetweenFrames)() = nullptr;
};

// The game's entry points, once the entry point has them.
extern const GameEntry* Game;

// The icon of that name among the game's built-in icons, or null.
const IconResource* FindIcon(const char* name);

// ---- Start-up, main window and frame loop -------------------------------
extern int MainWindow;        // 1 while the main window exists
extern int AppInstance;       // 1 once the entry point has run
extern int32_t AppActive;     // 1 while the application is the active one
extern float FrameSeconds;    // seconds since the previous frame's measurement
extern uint32_t LastFrameTick;  // tick count at the last measurement or reset
extern int32_t SceneId;       // the current scene

constexpr const char* WindowTitle = "Graze Runner: Zero Gravity";

// The whole program: start-up, then the message loop. Returns the exit code:
// the quit message's, or 1 when the window cannot be created.
int WinMain(const GameEntry& game);
// Start-up steps 2 to 10 (window, seed, IME off, resources, timer reset).
// 0 when the window cannot be created.
int StartUp(const GameEntry& game);
// Takes the game's entry points without starting anything (StartUp's first
// step; frames can then be run headless).
void UseGame(const GameEntry& game);
// The message loop until the quit message; returns its exit code. It turns
// here, one MessageLoopTurn at a time, unless the platform's own loop must
// keep control (Sys.RunLoop).
int MessageLoop();
// One turn of the message loop: every queued message, then one frame while
// active, else a wait for the next message. 0 once the quit message has been
// taken (its exit code in *exitCode), else 1.
int MessageLoopTurn(int* exitCode);
// Handles every queued message; 0 once the quit message has been taken
// (its exit code in *exitCode), else 1.
int DispatchMessages(int* exitCode);
// What one turn of the loop runs while the game is active: the game's
// between-frames step, then its frame (none while paused; those due of a
// recording being played).
void RunTurnFrames();
// One frame: take its input (measure FrameSeconds), call the scene's
// handler. While frames are played from a recording, the input comes from
// it; with none left, no frame runs.
void RunFrame();

// ---- Pause and the window ---------------------------------------------------
// 1 while the game is paused: no frame runs, the sound is held, the last
// picture stays; going on resets the frame timer, and keys and pad buttons
// held through the pause count as let go until they are.
extern int32_t Paused;
void PauseGame(int paused);
// 1 while the game shows in a window of its own; F11 and Alt+Enter switch.
extern int32_t Windowed;
void SwitchWindow();
// A pad button read now, outside any frame, without taking the pad's centre
// (1 held).
int PeekPadButton(int pad, int button);

// ---- Frames recorded and played again -------------------------------------
// What the running (or last) frame read: its tick steps, the game's keys
// (bit i: GameEntry::Keys[i]), the pads. A frame reads the machine once for
// each key and pad it asks about, and every later question in that frame
// has the same answer: a frame is played again exactly from its input.
extern FrameInput ThisFrame;
// Frames run since the program started.
extern uint64_t FramesRun;
// 1 when the game stood still (inactive) since the last frame.
extern int32_t StoodStill;
// Told of every frame's input once the frame has run (null: none).
using FrameRecorder = void (*)(const FrameInput& input);
void RecordFrames(FrameRecorder recorder);
// Frames played from a recording: how many are due in this turn of the
// loop (all but the last run without showing their picture), and each one's
// input (0 when there is none left). Null: the machine's input again.
struct FramePlayer {
    int (*Due)();
    int (*Next)(FrameInput* out);
};
void PlayFrames(const FramePlayer* player);
// The index of a key in the game's key list, or -1.
int GameKeyIndex(int vk);
// Test support: forget everything of a previous run (window, queue, globals).
void ResetForTests();

void ResetFrameTimer();
// The program's folder, ending in its separator; null when the system
// cannot say it or it is too long to hold (files beside the program then
// cannot be read).
const char* GetProgramFolder();
// Opens a file (path in UTF-8, a standard `fopen` mode); null when it cannot.
std::FILE* OpenFile(const char* path, const char* mode);
// The player's own data folder, ending in '/' (made when it was not there),
// or null when the machine has none.
const char* GetUserDataFolder();
// Opens the file at `path` again into the same stream, from its start,
// without allocating; 1 ok, 0 when it cannot.
int ReopenFile(std::FILE* file, const char* path);
// Whether a file is there (path in UTF-8), without opening a stream.
int FileExists(const char* path);
// Makes a folder (path in UTF-8) unless it is there; 1 when it is then.
int MakeFolder(const char* path);
// The calendar time in seconds, the tick counter now (milliseconds), and
// the platform's name ("linux", ...).
int64_t CalendarSeconds();
uint32_t TickNow();
// Argument `index` (1 the first) of the program's command line in UTF-8, or
// null: from main()'s own, or from the system where those are not UTF-8.
const char* ProgramArgument(int index, int argc, char** argv);
const char* PlatformName();
void SetIme(int enable);

// ---- Window procedure, focus and shutdown -------------------------------
extern int32_t ShutdownState;  // 0 running, 1 close request first, 2 done
extern int32_t ClientLeft;
extern int32_t ClientTop;

intptr_t WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);
int Shutdown();
// Escape shuts down (also when repeated); any other key pressed afresh goes to
// the game (GameEntry::KeyPressed).
void HandleKeyDown(int key, int repeated = 0);

// The message queue of the one window thread.
void PostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
void PostQuitMessage(int exitCode);
// Takes the next message without waiting (1) or reports an empty queue (0).
int PeekMessage(ktPlatform::Message* out);
// Blocks until a message is waiting.
void WaitMessage();
void DestroyWindow();

// ---- Keyboard and joystick input ----------------------------------------
// Key state of a virtual key: negative while held. In a frame, a key of the
// game's list is read once and answers alike for the rest of the frame
// (from the recording, when one plays); outside frames it is read live.
int16_t GetKeyState(int vk);

// Each pad's centre: the stick's position at the pad's first reading (at
// start-up, or later for a pad plugged in later); PadCentred is 1 once taken.
extern int32_t PadCentreX[2];
extern int32_t PadCentreY[2];
extern int32_t PadCentred[2];

void OpenPads();
int PadButton(int pad, int button);
void PadStick(int pad, int32_t* x, int32_t* y);

// ---- Error reporting -----------------------------------------------------
constexpr const char* ErrorBoxTitle = "エラー発生";

int ShowError(const char* caption, const char* text);
void Beep();

}  // namespace ktSystem
