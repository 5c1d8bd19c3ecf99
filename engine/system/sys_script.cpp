// The scripted platform layer (see sys_script.h).
#include "sys_script.h"

#include <cstddef>
#include <cstring>
#include <filesystem>

#include "ktDraw.h"
#include "reopen_descriptor.h"

namespace ktScript {

ScriptState State;

namespace {

int CreateMainWindow(const char*, ktPlatform::WindowProcedure) {
    if (State.windowFails) return 0;
    State.windowOpen = 1;
    return 1;
}
int WindowActive() { return State.windowActive; }
int SetWindowed(int windowed) {
    if (State.windowFixed) return 0;
    State.windowed = windowed;
    return 1;
}
void MinimiseWindow() { State.minimises++; }
void DestroyMainWindow() { State.windowOpen = 0; }
void SetIme(int enable) { State.imeEnabled = enable; }

int NextEvent(ktPlatform::Message* out, int) {
    // A wait on an empty queue returns at once: a script has nothing more to
    // say, and the caller loops back to its own queue.
    if (State.events.empty()) return 0;
    *out = State.events.front();
    State.events.pop_front();
    return 1;
}

uint32_t TickCount() { return State.tick; }
int64_t CalendarTime() { return State.calendarTime; }

int16_t KeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    return State.keys[vk] ? int16_t(-32767 - 1) : int16_t(0);
}

void PadConfigChanged() { State.padConfigReads++; }

int PadRead(int pad, ktPlatform::PadReading* out) {
    if (pad < 0 || pad > 1 || !State.pads[pad].present) return 0;
    *out = State.pads[pad].reading;
    return 1;
}

void Beep() { State.beeps++; }
void MessageBox(const char* text, const char*) { State.boxes.emplace_back(text); }

int OpenDisplay(int, int) {
    // A failing display has made part of itself, as a real one may have,
    // which CloseDisplay must let go.
    State.displayOpen = 1;
    return State.displayFails ? State.displayFails : ktPlatform::DisplayReady;
}
void CloseDisplay() { State.displayOpen = 0; }

void Present(const ktDraw::Picture* picture) {
    State.presents++;
    State.presentedWidth = picture->width;
    State.presentedHeight = picture->height;
    State.presented.resize(size_t(picture->width) * size_t(picture->height));
    if (picture->pitch == picture->width)  // rows one after another: one copy
        std::memcpy(State.presented.data(), picture->pixels, State.presented.size() * 2);
    else
        for (int y = 0; y < picture->height; y++)
            std::memcpy(&State.presented[size_t(y) * size_t(picture->width)],
                        picture->pixels + ptrdiff_t(y) * picture->pitch, size_t(picture->width) * 2);
}

int OpenAudio(ktPlatform::MixCallback mix, int* rate) {
    if (State.audioFails) return 0;
    State.audioOpen = 1;
    State.mix = mix;
    *rate = 44100;
    return 1;
}
void CloseAudio() {
    State.audioOpen = 0;
    State.mix = nullptr;
}
void LockAudio() {}
void UnlockAudio() {}

void SoundCall(const char* verb, const char* name) {
    std::string call = verb;
    call += ' ';
    call += name;
    State.sounds.push_back(std::move(call));
}

const char* BasePath() { return State.basePath.c_str(); }

std::FILE* OpenFile(const char* path, const char* mode) { return std::fopen(path, mode); }

// As on a desktop: made when it is asked for; null when it cannot be.
const char* UserDataFolder() {
    if (State.userDataFolder.empty()) return nullptr;
    std::error_code error;
    std::filesystem::create_directories(State.userDataFolder, error);
    if (!std::filesystem::is_directory(State.userDataFolder, error)) return nullptr;
    if (State.userDataFolder.back() != '/') State.userDataFolder += '/';
    return State.userDataFolder.c_str();
}

constexpr ktPlatform::Platform ScriptedPlatform = {
    .CreateMainWindow = CreateMainWindow, .WindowActive = WindowActive, .SetWindowed = SetWindowed,
    .MinimiseWindow = MinimiseWindow,
    .DestroyMainWindow = DestroyMainWindow, .SetIme = SetIme, .NextEvent = NextEvent,
    .TickCount = TickCount, .CalendarTime = CalendarTime,
    .KeyState = KeyState, .PadConfigChanged = PadConfigChanged, .PadRead = PadRead,
    .Beep = Beep, .MessageBox = MessageBox,
    .OpenDisplay = OpenDisplay, .CloseDisplay = CloseDisplay, .Present = Present,
    .OpenAudio = OpenAudio, .CloseAudio = CloseAudio, .LockAudio = LockAudio, .UnlockAudio = UnlockAudio,
    .SoundCall = SoundCall,
    .BasePath = BasePath, .OpenFile = OpenFile, .UserDataFolder = UserDataFolder, .RunLoop = nullptr,
    .ReopenFile = ktPlatform::ReopenByDescriptor, .FileExists = ktPlatform::FileExistsByDescriptor,
    .MakeFolder = ktPlatform::MakeFolderByPath, .Name = "script", .Argument = nullptr,
};

}  // namespace

void UseScriptedPlatform() {
    State = ScriptState{};
    ktPlatform::Sys = ScriptedPlatform;
}

void PressKey(int vk) {
    if (vk < 0 || vk > 255) return;
    // A key pressed while held is its auto-repeat: bit 30 says so.
    const intptr_t repeat = State.keys[vk] ? intptr_t(1) << 30 : 0;
    State.keys[vk] = 1;
    // Alt with a key is a system key: the window procedure ignores it.
    bool alt = State.keys[0x12] && vk != 0x12;
    State.events.push_back({alt ? ktPlatform::WM_SYSKEYDOWN : ktPlatform::WM_KEYDOWN,
                            uintptr_t(vk), repeat});
}

void ReleaseKey(int vk) {
    if (vk < 0 || vk > 255) return;
    State.keys[vk] = 0;
    State.events.push_back({ktPlatform::WM_KEYUP, uintptr_t(vk), 0});
}

}  // namespace ktScript

ktPlatform::Platform ktPlatform::Sys = ktScript::ScriptedPlatform;
