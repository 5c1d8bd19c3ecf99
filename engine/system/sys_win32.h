// The Windows platform layer's translation rules, apart from its window so
// that they can be checked without one: which window messages reach the
// engine's window procedure and which then get the system's default
// processing, UTF-8 ↔ UTF-16 text and paths and the files opened by them,
// the keys and joystick readings. sys_win32.cpp is the layer itself.
//
// Include it after the engine's headers: <windows.h> defines macros named
// like some of theirs (WM_CLOSE, VK_RETURN, MessageBox, PostMessage).
#pragma once

#include "platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#undef MessageBox
#undef PostMessage
#undef PeekMessage

namespace ktWin32 {

// What the layer's window procedure does with a system message: hand it to
// the engine's procedure (whose answer is then the result), and/or give it
// the system's default processing (whose answer is the result when the
// engine does not see the message).
struct Routing {
    int toEngine;
    int defaultProcessing;
};

// `engineDestroying`: the engine destroys the window itself and tells its
// procedure of it on its own, so that WM_DESTROY is not handed on again.
inline Routing Route(UINT message, WPARAM wParam, int engineDestroying) {
    switch (message) {
    case WM_ACTIVATEAPP: return {1, 0};
    case WM_SETCURSOR: return {1, 0};      // no pointer over the window
    case WM_MOVE: return {1, 1};
    case WM_SYSCOMMAND:                    // the screen saver does not start
        return {1, (wParam & 0xFFF0) != SC_SCREENSAVE};
    case WM_KEYDOWN: return {1, 1};
    case WM_SYSKEYDOWN: return {1, 0};     // Alt+F4 and F10 never reach the system
    case WM_SYSCHAR: return {0, 0};        // nor Alt with a letter (no menu, no beep)
    case WM_RBUTTONDBLCLK: return {1, 0};
    case WM_CLOSE: return {1, 0};          // the engine shuts down and destroys the window
    case WM_DESTROY: return {!engineDestroying, 0};
    default: return {0, 1};
    }
}

// Takes the next message of the window's thread (1), or reports none (0).
// With `wait`, an empty queue is first waited on, and whatever ends the wait
// ends the call: a message the system sends (the activation above all) is
// handled inside the wait and leaves nothing in the queue, yet its caller
// must look at what it changed at once.
inline int NextSystemMessage(MSG* message, int wait) {
    if (PeekMessageW(message, nullptr, 0, 0, PM_REMOVE)) return 1;
    if (!wait) return 0;
    WaitMessage();
    return PeekMessageW(message, nullptr, 0, 0, PM_REMOVE) ? 1 : 0;
}

// Called by the window procedure for every message it hands on: one the
// system sent from another thread may be handled inside a wait that it does
// not end, so a posted message ends that wait.
inline void WakeAfterSentMessage(HWND window) {
    if (InSendMessage()) PostMessageW(window, WM_NULL, 0, 0);
}

// UTF-8 → UTF-16 into `out` (room for `capacity` characters, the ending
// zero included): 1, or 0 with `out` empty when the text is not UTF-8 or
// does not fit. Never cut short: a cut path would name another file.
inline int Utf8ToWide(const char* text, wchar_t* out, int capacity) {
    if (capacity < 1) return 0;
    out[0] = 0;
    if (!text) return 0;
    if (!text[0]) return 1;
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out, capacity);
    if (n <= 0) {
        out[0] = 0;
        return 0;
    }
    return 1;
}

// UTF-16 → UTF-8, the same way round.
inline int WideToUtf8(const wchar_t* text, char* out, int capacity) {
    if (capacity < 1) return 0;
    out[0] = 0;
    if (!text) return 0;
    if (!text[0]) return 1;
    const int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, out, capacity, nullptr, nullptr);
    if (n <= 0) {
        out[0] = 0;
        return 0;
    }
    return 1;
}

// A key's state as the system keeps it for the window's thread: the high
// bit set while held. Letters go by their labels in the keyboard's layout
// already. Keypad 5 with Num Lock off is the key VK_CLEAR: keypad 5 all the
// same.
inline int16_t KeyStateOf(int vk) {
    if (vk < 0 || vk > 255) return 0;
    SHORT state = GetKeyState(vk);
    if (vk == VK_NUMPAD5 && state >= 0) state = GetKeyState(VK_CLEAR);
    return int16_t(state);
}

// The longest path the layer converts: the system's own limit for paths.
constexpr int PathCharacters = 32768;

// Opens a file by its UTF-8 path with a standard `fopen` mode, through the
// wide-character call, so that any folder name works.
inline std::FILE* OpenByUtf8Path(const char* path, const char* mode) {
    static wchar_t widePath[PathCharacters];
    wchar_t wideMode[8];
    if (!Utf8ToWide(path, widePath, PathCharacters) || !Utf8ToWide(mode, wideMode, 8)) return nullptr;
    return _wfopen(widePath, wideMode);
}

// Opens the file at a UTF-8 path again in place of the one a stream reads:
// the new descriptor takes the old one's place, so the stream keeps its FILE
// and buffer. Binary, so that line ends and the byte 0x1A stay as they are.
inline int ReopenInPlace(std::FILE* file, const char* path) {
    static wchar_t widePath[PathCharacters];
    if (!file || !Utf8ToWide(path, widePath, PathCharacters)) return 0;
    const int descriptor = _wopen(widePath, _O_RDONLY | _O_BINARY);
    if (descriptor < 0) return 0;
    const int reopened = _dup2(descriptor, _fileno(file)) == 0;
    _close(descriptor);
    return reopened;
}

// The flags of every joystick read: all readings, with the driver's dead
// zone (JOY_RETURNALL | JOY_USEDEADZONE, 0x8FF).
constexpr DWORD PadReadFlags = JOY_RETURNALL | JOY_USEDEADZONE;

// A joyGetPosEx answer as the engine's reading: the raw axes (0 to 65535)
// and the buttons as the pad reports them; 0 when the read failed (no such
// pad, unplugged). A direction pad that the driver reports as a point of
// view (hundredths of a degree clockwise from up) is the reading's hat: up
// within a quarter turn of straight up, and so on round.
inline int PadReadingOf(MMRESULT result, const JOYINFOEX& info, ktPlatform::PadReading* out) {
    using namespace ktPlatform;
    if (result != JOYERR_NOERROR) return 0;
    out->x = info.dwXpos;
    out->y = info.dwYpos;
    out->buttons = info.dwButtons;
    out->hat = 0;
    const DWORD pov = info.dwPOV;
    if (pov < 36000) {
        if (pov > 27000 || pov < 9000) out->hat |= PadHatUp;
        if (pov > 0 && pov < 18000) out->hat |= PadHatRight;
        if (pov > 9000 && pov < 27000) out->hat |= PadHatDown;
        if (pov > 18000) out->hat |= PadHatLeft;
    }
    return 1;
}

}  // namespace ktWin32
