// Start-up, the main window, the message loop and the frame loop.
#include "ktSystem.h"

#include <cstring>

#include "ktDraw.h"
#include "ktSound.h"

namespace ktSystem {

using namespace ktPlatform;

const GameEntry* Game = nullptr;
int MainWindow = 0;
int AppInstance = 0;
int32_t AppActive = 0;
float FrameSeconds = 0.0f;
uint32_t LastFrameTick = 0;
int32_t SceneId = 0;

FrameInput ThisFrame = {};
uint64_t FramesRun = 0;
int32_t StoodStill = 0;
int32_t Paused = 0;
int32_t Windowed = 0;
// Keys (bit i: the game's key i) and pad buttons held through a pause, which
// count as let go until they are (input.cpp).
uint32_t KeysHeldThrough = 0;
uint32_t ButtonsHeldThrough[2] = {0, 0};
// The running frame's reading state (input.cpp reads through it).
int InFrame = 0;
int Playing = 0;
uint32_t KeysRead = 0;
uint32_t PadsRead = 0;

namespace {

const SceneHandler* Scenes = nullptr;
int SceneCount = 0;
const IconResource* Icons = nullptr;
int IconCount = 0;
const int* Keys = nullptr;
int KeyCount = 0;
FrameRecorder Recorder = nullptr;
const FramePlayer* Player = nullptr;

// Messages posted to the one window thread, oldest first.
constexpr int QueueSize = 64;
Message Queue[QueueSize];
int QueueHead = 0;
int QueueCount = 0;

// The program folder, rebuilt by every GetProgramFolder call.
char ProgramFolder[4096];

// Sets LastFrameTick from the tick counter before anything else runs, as a
// static initialiser: a frame before the first reset still measures sanely.
struct FirstTick {
    FirstTick() { LastFrameTick = Sys.TickCount ? Sys.TickCount() : 0; }
} firstTick;

}  // namespace

const IconResource* FindIcon(const char* name) {
    for (int i = 0; i < IconCount; i++)
        if (std::strcmp(Icons[i].name, name) == 0) return &Icons[i];
    return nullptr;
}

void ResetFrameTimer() {
    FrameSeconds = 0.0f;
    LastFrameTick = Sys.TickCount();
}

const char* GetProgramFolder() {
    const char* base = Sys.BasePath();
    const size_t length = base ? std::strlen(base) : 0;
    // A folder that the system cannot name, or one too long to hold, is no
    // folder: never a path cut short, nor the working folder in its place.
    if (length == 0 || length >= sizeof ProgramFolder) return nullptr;
    std::memcpy(ProgramFolder, base, length + 1);
    return ProgramFolder;
}

std::FILE* OpenFile(const char* path, const char* mode) { return Sys.OpenFile(path, mode); }
int FileExists(const char* path) { return Sys.FileExists(path); }
int MakeFolder(const char* path) { return Sys.MakeFolder(path); }
int64_t CalendarSeconds() { return Sys.CalendarTime(); }
uint32_t TickNow() { return Sys.TickCount(); }

const char* ProgramArgument(int index, int argc, char** argv) {
    if (Sys.Argument) return Sys.Argument(index);
    return index >= 0 && index < argc ? argv[index] : nullptr;
}
const char* PlatformName() { return Sys.Name; }
const char* GetUserDataFolder() { return Sys.UserDataFolder ? Sys.UserDataFolder() : nullptr; }

int ReopenFile(std::FILE* file, const char* path) { return Sys.ReopenFile(file, path); }

void SetIme(int enable) { Sys.SetIme(enable); }

void PostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (QueueCount == QueueSize) return;  // a full queue drops the newest, as the system's would
    Queue[(QueueHead + QueueCount) % QueueSize] = {message, wParam, lParam};
    QueueCount++;
}

void PostQuitMessage(int exitCode) { PostMessage(WM_QUIT, uintptr_t(exitCode), 0); }

int PeekMessage(Message* out) {
    if (QueueCount > 0) {
        *out = Queue[QueueHead];
        QueueHead = (QueueHead + 1) % QueueSize;
        QueueCount--;
        return 1;
    }
    return Sys.NextEvent(out, 0);
}

void WaitMessage() {
    if (QueueCount > 0) return;
    Message message;
    if (Sys.NextEvent(&message, 1)) PostMessage(message.message, message.wParam, message.lParam);
}

void DestroyWindow() {
    if (!MainWindow) return;
    Sys.DestroyMainWindow();
    MainWindow = 0;
    WindowProc(WM_DESTROY, 0, 0);
}

int GameKeyIndex(int vk) {
    for (int i = 0; i < KeyCount; i++)
        if (Keys[i] == vk) return i;
    return -1;
}

void RecordFrames(FrameRecorder recorder) { Recorder = recorder; }

void PlayFrames(const FramePlayer* player) {
    Player = player;
    Playing = player != nullptr;
}

void RunFrame() {
    // The frame's input: the tick steps now, keys and pads at their first
    // question (input.cpp); or all of it from the recording being played.
    if (Playing) {
        if (!Player->Next(&ThisFrame)) return;
    } else {
        const uint32_t now = Sys.TickCount();
        ThisFrame.ticks = now - LastFrameTick;
        ThisFrame.ticksAfter = Sys.TickCount() - now;
        ThisFrame.standStill = uint8_t(StoodStill != 0);
        for (PadInput& pad : ThisFrame.pads) pad.centreTaken = 0;
    }
    StoodStill = 0;
    FrameSeconds = float(double(ThisFrame.ticks) / 1000.0);
    LastFrameTick += ThisFrame.ticks + ThisFrame.ticksAfter;
    KeysRead = PadsRead = 0;
    FramesRun++;
    InFrame = 1;
    if (SceneId >= 0 && SceneId < SceneCount && Scenes[SceneId]) Scenes[SceneId]();
    InFrame = 0;
    // A key the frame did not read is no key held in its input: an earlier
    // frame's reading kept there would act, played again, as a key held
    // where the game never asked (a replay that drifts into its results
    // early would leave them with an Enter read on the title).
    if (!Playing) ThisFrame.keys &= KeysRead;
    if (Recorder) Recorder(ThisFrame);
}

int DispatchMessages(int* exitCode) {
    Message message;
    while (PeekMessage(&message)) {
        if (message.message == WM_QUIT) {
            *exitCode = int(message.wParam);
            return 0;
        }
        WindowProc(message.message, message.wParam, message.lParam);
    }
    return 1;
}

void PauseGame(int paused) {
    paused = paused ? 1 : 0;
    if (paused == Paused) return;
    Paused = paused;
    if (paused) {
        StoodStill = 1;
        ktSound::Hold(ktSound::HeldPaused);
        return;
    }
    ResetFrameTimer();
    ktSound::Release(ktSound::HeldPaused);
    KeysHeldThrough = 0;
    for (int i = 0; i < KeyCount; i++)
        if (Sys.KeyState(Keys[i]) < 0) KeysHeldThrough |= 1u << i;
    for (int pad = 0; pad < 2; pad++) {
        PadReading reading{};
        ButtonsHeldThrough[pad] = Sys.PadRead(pad, &reading) ? reading.buttons & 15u : 0;
    }
}

void SwitchWindow() {
    if (Sys.SetWindowed && Sys.SetWindowed(!Windowed)) Windowed = !Windowed;
}

void RunTurnFrames() {
    if (Game && Game->BetweenFrames) Game->BetweenFrames();
    if (Paused) {
        ktDraw::Repaint();  // the paused picture stays, at the monitor's pace
    } else if (Playing) {
        // The frames of a recording that are due by now: only the last one's
        // picture is shown; with none due the last picture stays.
        const int due = Player->Due();
        for (int i = 0; i < due; i++) {
            ktDraw::PresentPictures = i == due - 1;
            RunFrame();
        }
        ktDraw::PresentPictures = 1;
        if (due <= 0) ktDraw::Repaint();
    } else {
        RunFrame();
    }
}

// Messages always go before frames: a frame runs only once the queue is
// empty, so none runs after the quit message.
int MessageLoopTurn(int* exitCode) {
    if (!DispatchMessages(exitCode)) return 0;
    if (AppActive)
        RunTurnFrames();
    else
        WaitMessage();
    return 1;
}

int MessageLoop() {
    if (Sys.RunLoop) return Sys.RunLoop(MessageLoopTurn);
    int exitCode = 0;
    while (MessageLoopTurn(&exitCode)) {
    }
    return exitCode;
}

void UseGame(const GameEntry& game) {
    Game = &game;
    Scenes = game.Scenes;
    SceneCount = game.SceneCount;
    Icons = game.Icons;
    IconCount = game.IconCount;
    Keys = game.Keys;
    KeyCount = game.KeyCount < MaxGameKeys ? game.KeyCount : MaxGameKeys;
}

int StartUp(const GameEntry& game) {
    UseGame(game);
    char title[27];
    std::memcpy(title, WindowTitle, sizeof title);
    if (!Sys.CreateMainWindow(title, WindowProc)) return 0;
    MainWindow = 1;
    // A window that is shown becomes the active one: the game is active
    // from the start, unless the system gave the focus elsewhere meanwhile.
    WindowProc(WM_ACTIVATEAPP, uintptr_t(Sys.WindowActive()), 0);
    AppInstance = 1;
    game.SeedRandom(uint32_t(Sys.CalendarTime()));
    SetIme(0);
    game.LoadResourceSet();
    ResetFrameTimer();
    return 1;
}

int WinMain(const GameEntry& game) {
    // A program whose window cannot be made has failed, and says so by its
    // status: nothing else is started.
    if (!StartUp(game)) return 1;
    return MessageLoop();
}

void ResetForTests() {
    MainWindow = 0;
    AppInstance = 0;
    AppActive = 0;
    FrameSeconds = 0.0f;
    LastFrameTick = 0;
    SceneId = 0;
    ShutdownState = 0;
    ClientLeft = 0;
    ClientTop = 0;
    QueueHead = 0;
    QueueCount = 0;
    Scenes = nullptr;
    SceneCount = 0;
    Icons = nullptr;
    IconCount = 0;
    Keys = nullptr;
    KeyCount = 0;
    Game = nullptr;
    Recorder = nullptr;
    PlayFrames(nullptr);
    ThisFrame = FrameInput{};
    StoodStill = 0;
    InFrame = 0;
    Paused = 0;
    Windowed = 0;
    KeysHeldThrough = 0;
    ButtonsHeldThrough[0] = ButtonsHeldThrough[1] = 0;
    PadCentreX[0] = PadCentreX[1] = 0;
    PadCentreY[0] = PadCentreY[1] = 0;
    PadCentred[0] = PadCentred[1] = 0;
    ktSound::SoundHeld = 0;
}

}  // namespace ktSystem
