// The platform layer: every call the engine makes to the operating system
// goes through the one table `Sys` below. Each layer fills it in a file of
// its own:
//   - the desktop layer (sys_sdl.cpp): a real window, keyboard, pads, sound
//     card through SDL2;
//   - the scripted layer (sys_script.cpp): a scripted clock, scripted keys and
//     pads, recorded error boxes and sound calls, frames kept in memory;
//   - the browser layer (sys_web.cpp): the page's canvas, keyboard, pads and
//     audio output, the data folder packed into the site;
//   - the Windows layer (sys_win32.cpp): the window, keys, pads, sound and
//     files through the system's own calls (USER32, GDI, WINMM).
// Nothing above this table names a platform, so the same engine and game
// run in a window, headless in the tests and in the simulator.
#pragma once

#include <cstdint>
#include <cstdio>

namespace ktDraw {
struct Picture;
}

namespace ktPlatform {

// A window message, as the window procedure receives it.
struct Message {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// Window messages the engine knows (values as the window system numbers them).
constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_MOVE = 0x0003;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_ACTIVATEAPP = 0x001C;
constexpr uint32_t WM_SETCURSOR = 0x0020;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t SC_SCREENSAVE = 0xF140;

// The engine's window procedure, as the window system calls it.
using WindowProcedure = intptr_t (*)(uint32_t message, uintptr_t wParam, intptr_t lParam);

// What OpenDisplay answers: the display is ready, or the step that failed.
enum DisplayResult : int {
    DisplayReady = 0,
    NoDisplayDevice = 1,  // no display device can be used
    NoFullScreen = 2,     // the window cannot take the whole screen
    NoDisplayMode = 3,    // the picture's size cannot be shown
};

// Virtual-key codes of the keys the game reads.
constexpr int VK_RETURN = 0x0D;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_C = 0x43;
constexpr int VK_X = 0x58;
constexpr int VK_Z = 0x5A;
constexpr int VK_NUMPAD5 = 0x65;
constexpr int VK_P = 0x50;
constexpr int VK_F4 = 0x73;
constexpr int VK_F10 = 0x79;
constexpr int VK_F11 = 0x7A;

// One joystick reading: raw axes 0..65535, bit n of `buttons` is button n+1
// (1 south, 2 east, 3 west, 4 Start on a pad whose layout is known), and the
// direction pad (or hat) held, as PadHat* bits.
struct PadReading {
    uint32_t x;
    uint32_t y;
    uint32_t buttons;
    uint32_t hat = 0;
};
constexpr uint32_t PadHatUp = 1, PadHatRight = 2, PadHatDown = 4, PadHatLeft = 8;

// The audio device's format: signed 16-bit stereo at `rate` samples/s.
// The mixer callback fills `frames` stereo frames (2 × frames samples).
using MixCallback = void (*)(int16_t* out, int frames);

// One turn of the message loop: every queued message, then one frame while
// the application is active (else a wait for the next message). 0 once the
// quit message has been taken, its exit code in *exitCode.
using LoopTurn = int (*)(int* exitCode);

struct Platform {
    // Window: create and show the one main window covering the screen
    // (1 ok, 0 failed), minimise it, and destroy it at the end. Messages
    // that the system sends to the window go straight to `proc`. Whether the
    // window is the active one is asked once it is shown (1 active).
    int (*CreateMainWindow)(const char* title, WindowProcedure proc);
    int (*WindowActive)();
    // Shows the game in a window of its own (1) or over the whole screen (0),
    // the window sized by ktDraw::WindowFactor: 1 done, 0 not (null where the
    // system keeps that choice, as a browser does).
    int (*SetWindowed)(int windowed);
    void (*MinimiseWindow)();
    void (*DestroyMainWindow)();
    // Input method editor on (1) or off (0).
    void (*SetIme)(int enable);
    // The next window message made from platform events, if any (1), or
    // none (0). With wait = 1 the call blocks until one arrives.
    int (*NextEvent)(Message* out, int wait);

    // Milliseconds since some fixed start, wrapping at 2^32.
    uint32_t (*TickCount)();
    // Calendar time in seconds.
    int64_t (*CalendarTime)();

    // Key state of a virtual key: negative (high bit set) while held. Keys
    // go by their labels in the keyboard's layout: VK_Z is the key labelled
    // Z wherever it sits.
    int16_t (*KeyState)(int vk);
    // Re-reads which pads are plugged in.
    void (*PadConfigChanged)();
    // Reads pad 0 or 1: 1 and the reading, or 0 when it cannot be read.
    int (*PadRead)(int pad, PadReading* out);

    // The system's default beep (null where the system has none: the
    // engine sounds its own), and a modal box with an OK button and a
    // warning icon (returns when it is answered).
    void (*Beep)();
    void (*MessageBox)(const char* text, const char* title);

    // The display: opened once at the game's size, taking the whole screen
    // (a DisplayResult: ready, or the step that failed; a failed open is
    // closed again with CloseDisplay), and shows a finished picture of that
    // size (RGB565), placed as ktDraw::PlacePicture says and paced to the
    // monitor. A layer whose system took what it shows the picture with
    // (a device reset) makes it anew itself and sends WM_PAINT: the engine
    // then presents its last picture again.
    int (*OpenDisplay)(int width, int height);
    void (*CloseDisplay)();
    void (*Present)(const ktDraw::Picture* picture);

    // The audio device: open (1 ok, `rate` filled in) with the mixer callback,
    // close, and hold the mixer off while the sound table changes.
    int (*OpenAudio)(MixCallback mix, int* rate);
    void (*CloseAudio)();
    void (*LockAudio)();
    void (*UnlockAudio)();
    // Told of every play, loop and stop of a loaded sound (may be null).
    void (*SoundCall)(const char* verb, const char* name);

    // The folder of the program file, ending in its folder separator.
    const char* (*BasePath)();
    // Opens a file by its path (UTF-8) with a standard `fopen` mode.
    std::FILE* (*OpenFile)(const char* path, const char* mode);

    // The player's own data folder for this game, ending in '/', made first
    // when it is not there yet (a desktop: $XDG_DATA_HOME/grazerunner/, by
    // default ~/.local/share/grazerunner/; Windows: the user's application
    // data folder); null when there is none or it cannot be made. Asked only
    // when a file is to be written there.
    const char* (*UserDataFolder)();
    // Runs the message loop where the system's own loop must keep control
    // (the browser's, which draws between turns): calls `turn` from that
    // loop, one turn per picture it draws, and does not return. Null where
    // the engine may turn the loop itself, until `turn` answers 0.
    int (*RunLoop)(LoopTurn turn);
    // Opens the file at `path` (UTF-8) again for reading, from its start, in
    // place of the file a stream reads: the same FILE and buffer, nothing
    // allocated. 1 ok; 0 when it cannot (the stream then reads on as it was).
    int (*ReopenFile)(std::FILE* file, const char* path);
    // Whether a file is there at `path` (UTF-8), asked without opening a
    // stream (nothing allocated): 1 yes, 0 no.
    int (*FileExists)(const char* path);
    // Makes the folder at `path` (UTF-8) unless it is there: 1 when it is a
    // folder then, 0 when it cannot be made.
    int (*MakeFolder)(const char* path);
    // The platform's name, as recordings say where they were made: "linux",
    // "windows", "browser", "script".
    const char* Name;
    // Argument `index` of the program's command line in UTF-8, or null when
    // there is none; null where the arguments main() gets are UTF-8 already.
    const char* (*Argument)(int index);
};

// The layer in use: each program links one layer, whose file defines it.
extern Platform Sys;

}  // namespace ktPlatform
