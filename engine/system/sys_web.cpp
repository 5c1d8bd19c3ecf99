// The browser platform layer (emscripten): the page is the window. Its
// canvas shows the picture, the page's key, focus and visibility events
// become window messages, the Gamepad API gives the pads, the page's audio
// output plays what the engine's mixer makes, and the data folder is packed
// into the site and unpacked into the file system before the game starts.
// The message loop runs one turn per animation frame of the browser. The
// page's side (web/page.js, web/audio.js) is reached through the Js*
// functions below; the rules that need no browser are in sys_web.h.
#include "sys_web.h"

#include <emscripten.h>
#include <emscripten/html5.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "ktDraw.h"
#include "platform.h"
#include "reopen_descriptor.h"

// ---- The page's side --------------------------------------------------------

EM_JS(void, JsSetTitle, (const char* title), { document.title = UTF8ToString(title); });
EM_JS(int, JsPageVisible, (), { return document.hidden ? 0 : 1; });
EM_JS(int, JsPageFocused, (), { return document.hasFocus() ? 1 : 0; });
EM_JS(void, JsSetActive, (int active), { Graze.setActive(active !== 0); });
EM_JS(int, JsOpenDisplay, (int width, int height), { return Graze.openDisplay(width, height) ? 1 : 0; });
EM_JS(void, JsShowScreen, (int shown), { Graze.showScreen(shown !== 0); });
EM_JS(int, JsAreaWidth, (), { return Math.floor(innerWidth * (window.devicePixelRatio || 1)); });
EM_JS(int, JsAreaHeight, (), { return Math.floor(innerHeight * (window.devicePixelRatio || 1)); });
EM_JS(void, JsPlace, (int x, int y, int width, int height), { Graze.place(x, y, width, height); });
EM_JS(void, JsPresent, (const uint8_t* rgba, int bytes), { Graze.present(HEAPU8.subarray(rgba, rgba + bytes)); });
EM_JS(void, JsMessageBox, (const char* text, const char* title), {
    Graze.messageBox(UTF8ToString(text), UTF8ToString(title));
});
EM_JS(int, JsOpenAudio, (), { return Graze.audio.open(); });
EM_JS(void, JsCloseAudio, (), { Graze.audio.close(); });
EM_JS(int, JsAudioFramesDue, (double ahead), { return Graze.audio.framesDue(ahead); });
EM_JS(void, JsAudioSend, (const int16_t* samples, int frames), {
    const from = HEAP16.subarray(samples >> 1, (samples >> 1) + frames * 2);
    const block = new Float32Array(frames * 2);
    for (let i = 0; i < block.length; i++) block[i] = from[i] / 32768;
    Graze.audio.send(block);
});
EM_JS(void, JsKeep, (const char* path, double from), { Graze.keep(UTF8ToString(path), from); });
EM_JS(void, JsEnded, (int exitCode), { Graze.ended(exitCode); });

namespace ktPlatform {

namespace {

// ---- Messages ---------------------------------------------------------------

// Messages made from the page's events, oldest first, until NextEvent takes them.
constexpr int EventQueueSize = 64;
Message Events[EventQueueSize];
int EventHead = 0;
int EventCount = 0;

void QueueEvent(uint32_t message, uintptr_t wParam, intptr_t lParam = 0) {
    if (EventCount == EventQueueSize) return;  // a full queue drops the newest, as the system's would
    Events[(EventHead + EventCount) % EventQueueSize] = {message, wParam, lParam};
    EventCount++;
}

int NextEvent(Message* out, int /*wait*/) {
    // The browser cannot be waited on: a wait returns at once, the turn ends,
    // and the next animation frame comes back with what arrived meanwhile.
    if (EventCount == 0) return 0;
    *out = Events[EventHead];
    EventHead = (EventHead + 1) % EventQueueSize;
    EventCount--;
    return 1;
}

// ---- Window: the page --------------------------------------------------------

int WindowOpen = 0;
uint8_t Held[256];  // 1 while the key of that virtual-key code is down
int Focused = 0;
int Visible = 0;
int Active = 0;

// The game is active while the page is shown and has the focus. A change
// is a WM_ACTIVATEAPP message (the engine then silences its own sound).
void UpdateActivation() {
    const int active = Focused && Visible;
    if (active == Active) return;
    Active = active;
    // Keys let go while the page had no focus send no release: none is held.
    if (!active) std::memset(Held, 0, sizeof Held);
    QueueEvent(WM_ACTIVATEAPP, uintptr_t(active));
    JsSetActive(active);
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* e, void*) {
    const int vk = ktWeb::VirtualKey(e->keyCode);
    if (!vk) return EM_FALSE;
    if (type == EMSCRIPTEN_EVENT_KEYDOWN) {
        Held[vk] = 1;
        QueueEvent(ktWeb::KeyDownMessage(vk, e->altKey), uintptr_t(vk), e->repeat ? intptr_t(1) << 30 : 0);
    } else {
        Held[vk] = 0;
        QueueEvent(WM_KEYUP, uintptr_t(vk));
    }
    return ktWeb::IsGameKey(vk) ? EM_TRUE : EM_FALSE;  // true: the browser does nothing else with it
}

EM_BOOL OnFocus(int type, const EmscriptenFocusEvent*, void*) {
    Focused = type == EMSCRIPTEN_EVENT_FOCUS;
    UpdateActivation();
    return EM_FALSE;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
    Visible = !e->hidden;
    UpdateActivation();
    return EM_FALSE;
}

void Listen(int on) {
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, nullptr, EM_FALSE, on ? OnKey : nullptr);
    emscripten_set_keyup_callback(window, nullptr, EM_FALSE, on ? OnKey : nullptr);
    emscripten_set_focus_callback(window, nullptr, EM_FALSE, on ? OnFocus : nullptr);
    emscripten_set_blur_callback(window, nullptr, EM_FALSE, on ? OnFocus : nullptr);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, on ? OnVisibility : nullptr);
}

int CreateMainWindow(const char* title, WindowProcedure) {
    JsSetTitle(title);
    std::memset(Held, 0, sizeof Held);
    Listen(1);
    WindowOpen = 1;
    JsShowScreen(1);
    // The page was opened by the player: it is active when it is shown and
    // has the focus, and says so before the window is reported made.
    Visible = JsPageVisible();
    Focused = JsPageFocused();
    Active = Focused && Visible;
    JsSetActive(Active);
    return 1;
}

// The page was opened by the player: the game is active when the page is
// shown and has the focus.
int WindowActive() { return Active; }

void MinimiseWindow() { JsShowScreen(0); }

void DestroyMainWindow() {
    if (!WindowOpen) return;
    Listen(0);
    JsShowScreen(0);
    WindowOpen = 0;
}

void SetIme(int) {}  // the page has no text input

uint32_t TickCount() { return ktWeb::TickFromMilliseconds(emscripten_get_now()); }
int64_t CalendarTime() { return int64_t(std::time(nullptr)); }

int16_t KeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    return Held[vk] ? int16_t(-32767 - 1) : int16_t(0);
}

// ---- Pads -------------------------------------------------------------------

// Pads 0 and 1 are the first two pads the browser shows, read once a turn.
// A browser shows a pad only once one of its buttons has been pressed on the
// page: until then its slot cannot be read, and the engine takes the pad's
// centre from its first reading.
PadReading Pads[2];
int PadsShown = 0;

void SamplePads() {
    PadsShown = 0;
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return;  // no Gamepad API
    int pad = 0;
    for (int i = 0, n = emscripten_get_num_gamepads(); i < n && pad < 2; i++) {
        EmscriptenGamepadEvent e;
        if (emscripten_get_gamepad_status(i, &e) != EMSCRIPTEN_RESULT_SUCCESS || !e.connected) continue;
        ktWeb::Gamepad g{};
        g.standard = std::strcmp(e.mapping, "standard") == 0;
        g.axisCount = e.numAxes < 2 ? e.numAxes : 2;
        for (int a = 0; a < g.axisCount; a++) g.axes[a] = e.axis[a];
        g.buttonCount = e.numButtons < 17 ? e.numButtons : 17;
        for (int b = 0; b < g.buttonCount; b++) g.buttons[b] = e.digitalButton[b] != 0;
        Pads[pad++] = ktWeb::ReadingOf(g);
    }
    PadsShown = pad;
}

void PadConfigChanged() { SamplePads(); }

int PadRead(int pad, PadReading* out) {
    if (pad < 0 || pad >= PadsShown) return 0;
    *out = Pads[pad];
    return 1;
}

// ---- Error box ---------------------------------------------------------------

void FeedAudio(double ahead);

// The page has no beep of its own: the engine mixes its own (Beep null),
// which is handed to the output before the box stops the page.
void MessageBox(const char* text, const char* title) {
    FeedAudio(0.2);
    JsMessageBox(text, title);
}

// ---- Display: the canvas ------------------------------------------------------

int DisplayWidth = 0;
int DisplayHeight = 0;
uint32_t* Rgba = nullptr;     // the picture as the canvas takes it, made once
uint32_t RgbaOf565[65536];  // each RGB565 pixel as R, G, B, A bytes

// The canvas's place in the browser window, in device pixels, by the
// engine's rule; asked again every turn, so that it follows the window. A
// window smaller than the picture shows it at its own size from the corner.
int AreaWidth = 0;
int AreaHeight = 0;

void PlaceCanvas() {
    const int width = JsAreaWidth(), height = JsAreaHeight();
    if (!DisplayWidth || (width == AreaWidth && height == AreaHeight)) return;
    AreaWidth = width;
    AreaHeight = height;
    ktDraw::Placement place = ktDraw::PlacePicture(width, height, DisplayWidth, DisplayHeight);
    if (place.scale < 1) place = {0, 0, DisplayWidth, DisplayHeight, 1};
    JsPlace(place.x, place.y, place.width, place.height);
}

int OpenDisplay(int width, int height) {
    if (!WindowOpen) return NoDisplayDevice;
    if (!JsOpenDisplay(width, height)) return NoDisplayDevice;
    AreaWidth = AreaHeight = 0;
    delete[] Rgba;
    Rgba = new uint32_t[size_t(width) * size_t(height)];
    DisplayWidth = width;
    DisplayHeight = height;
    PlaceCanvas();
    for (uint32_t p = 0; p < 65536; p++) {
        // Each channel widened by repeating its top bits, so white stays white.
        const uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
        RgbaOf565[p] = ((r << 3) | (r >> 2)) | ((g << 2) | (g >> 4)) << 8 | ((b << 3) | (b >> 2)) << 16 |
                       0xFF000000u;
    }
    return DisplayReady;
}

void CloseDisplay() {
    delete[] Rgba;
    Rgba = nullptr;
    DisplayWidth = DisplayHeight = 0;
}

void Present(const ktDraw::Picture* picture) {
    if (!Rgba || picture->width != DisplayWidth || picture->height != DisplayHeight) return;
    uint32_t* to = Rgba;
    for (int y = 0; y < picture->height; y++) {
        const uint16_t* from = picture->pixels + ptrdiff_t(y) * picture->pitch;
        for (int x = 0; x < picture->width; x++) *to++ = RgbaOf565[from[x]];
    }
    JsPresent(reinterpret_cast<const uint8_t*>(Rgba), DisplayWidth * DisplayHeight * 4);
}

// ---- Audio --------------------------------------------------------------------

// The page asks for the frames it wants each turn: enough to stay a little
// ahead of its output, or, before the first gesture of the player's lets the
// page start sound, the frames that the time since the last turn would have
// played, mixed and dropped, so that sounds go on silently.
constexpr int MixBlockFrames = 4096;
int16_t MixBuffer[MixBlockFrames * 2];
MixCallback Mixer = nullptr;

// `ahead`: seconds more than the page's usual lead (the beep before a box
// that stops the page).
void FeedAudio(double ahead) {
    if (!Mixer) return;
    for (int due = JsAudioFramesDue(ahead); due > 0;) {
        const int frames = due < MixBlockFrames ? due : MixBlockFrames;
        std::memset(MixBuffer, 0, sizeof(int16_t) * 2 * size_t(frames));
        Mixer(MixBuffer, frames);
        JsAudioSend(MixBuffer, frames);
        due -= frames;
    }
}

int OpenAudio(MixCallback mix, int* rate) {
    const int deviceRate = JsOpenAudio();
    if (deviceRate <= 0) return 0;
    Mixer = mix;
    *rate = deviceRate;
    return 1;
}

void CloseAudio() {
    if (!Mixer) return;
    Mixer = nullptr;
    JsCloseAudio();
}

// The mixer runs on this thread, between turns: nothing to hold off.
void LockAudio() {}
void UnlockAudio() {}

// ---- Files ---------------------------------------------------------------------

// The program folder is the working folder: where the page unpacked the data.
const char* BasePath() {
    static char path[512];
    if (!path[0]) {
        if (!getcwd(path, sizeof path - 1)) std::strcpy(path, "/");
        const size_t length = std::strlen(path);
        if (path[length - 1] != '/') std::strcpy(path + length, "/");
    }
    return path;
}

// Files opened for writing this turn. At the end of the turn the page keeps
// what was written in the browser's storage: the bytes appended (`from` the
// size the file had before), or the whole file (`from` -1). The game closes
// the files it writes before its frame ends.
struct WrittenFile {
    char path[256];
    long from;
};
constexpr int WrittenFileCount = 8;
WrittenFile Written[WrittenFileCount];
int WrittenCount = 0;

void NoteWritten(const char* path, long from) {
    // The temporary folder is the program's scratch (the stage files of a
    // replay being watched, a dozen at once): nothing there is kept.
    if (std::strncmp(path, "/tmp/", 5) == 0) return;
    for (int i = 0; i < WrittenCount; i++) {
        WrittenFile& file = Written[i];
        if (std::strcmp(file.path, path) != 0) continue;
        // Opened again in the same turn: the first opening's start covers both.
        if (from < 0 || file.from < 0) file.from = -1;
        return;
    }
    if (WrittenCount == WrittenFileCount || std::strlen(path) >= sizeof Written[0].path) {
        std::fprintf(stderr, "grazerunner: %s is written but cannot be kept in the browser\n", path);
        return;
    }
    std::strcpy(Written[WrittenCount].path, path);
    Written[WrittenCount].from = from;
    WrittenCount++;
}

void KeepWrittenFiles() {
    for (int i = 0; i < WrittenCount; i++) JsKeep(Written[i].path, double(Written[i].from));
    WrittenCount = 0;
}

std::FILE* OpenFile(const char* path, const char* mode) {
    const bool appends = mode[0] == 'a';
    const bool writes = appends || std::strpbrk(mode, "w+") != nullptr;
    long from = -1;
    if (appends) {
        struct stat before;
        from = stat(path, &before) == 0 ? long(before.st_size) : 0;
    }
    std::FILE* file = std::fopen(path, mode);
    if (file && writes) NoteWritten(path, from);
    return file;
}

// ---- The loop: one turn per animation frame -------------------------------------

LoopTurn Turn = nullptr;

void AnimationFrame() {
    SamplePads();
    PlaceCanvas();
    int exitCode = 0;
    const int running = Turn(&exitCode);
    if (running) FeedAudio(0);
    KeepWrittenFiles();
    if (!running) {
        emscripten_cancel_main_loop();
        JsEnded(exitCode);
    }
}

int RunLoop(LoopTurn turn) {
    Turn = turn;
    // Does not return: the browser calls AnimationFrame before it draws each
    // picture, and the program lives on in the page.
    emscripten_set_main_loop(AnimationFrame, 0, 1);
    return 0;
}

// The page's one folder is always written to (the score log is kept from
// there, see NoteWritten): there is no other folder for the player.
const char* UserDataFolder() { return nullptr; }

constexpr Platform WebPlatform = {
    .CreateMainWindow = CreateMainWindow, .WindowActive = WindowActive, .SetWindowed = nullptr,
    .MinimiseWindow = MinimiseWindow,
    .DestroyMainWindow = DestroyMainWindow, .SetIme = SetIme, .NextEvent = NextEvent,
    .TickCount = TickCount, .CalendarTime = CalendarTime,
    .KeyState = KeyState, .PadConfigChanged = PadConfigChanged, .PadRead = PadRead,
    .Beep = nullptr, .MessageBox = MessageBox,
    .OpenDisplay = OpenDisplay, .CloseDisplay = CloseDisplay, .Present = Present,
    .OpenAudio = OpenAudio, .CloseAudio = CloseAudio, .LockAudio = LockAudio, .UnlockAudio = UnlockAudio,
    .SoundCall = nullptr,
    .BasePath = BasePath, .OpenFile = OpenFile, .UserDataFolder = UserDataFolder, .RunLoop = RunLoop,
    .ReopenFile = ReopenByDescriptor, .FileExists = FileExistsByDescriptor,
    .MakeFolder = MakeFolderByPath, .Name = "browser", .Argument = nullptr,
};

}  // namespace

Platform Sys = WebPlatform;

}  // namespace ktPlatform
