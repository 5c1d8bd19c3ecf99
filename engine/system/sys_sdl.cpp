// The SDL platform layer: the one full-screen window, keyboard and pads,
// the message box, the display (a streaming texture placed and paced by the
// engine's rules) and the audio device.
#include <SDL.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "ktDraw.h"
#include "ktSystem.h"
#include "platform.h"
#include "reopen_descriptor.h"

namespace ktPlatform {

namespace {

SDL_Window* Window = nullptr;
SDL_Renderer* Renderer = nullptr;
SDL_Texture* Texture = nullptr;
int TextureWidth = 0;
int TextureHeight = 0;

// ---- Window ---------------------------------------------------------------

int CreateMainWindow(const char* title, WindowProcedure) {
    SDL_SetHint(SDL_HINT_WINDOWS_NO_CLOSE_ON_ALT_F4, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // SDL is shut down with the window, never from an exit handler: when the
    // display's connection breaks, the system's handler of that ends the
    // program at once, and SDL must not then wait on the dead connection.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return 0;
    SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
    // A borderless window over the whole first screen; the display takes
    // the screen for itself when it opens.
    SDL_Rect screen{0, 0, 960, 720};
    SDL_GetDisplayBounds(0, &screen);
    Window = SDL_CreateWindow(title, screen.x, screen.y, screen.w, screen.h,
                              SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (!Window) return 0;
    if (const ktSystem::IconResource* icon = ktSystem::FindIcon("MAIN")) {
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<uint32_t*>(icon->pixels), icon->width, icon->height, 32, icon->width * 4,
            SDL_PIXELFORMAT_ARGB8888);
        if (surface) {
            SDL_SetWindowIcon(Window, surface);
            SDL_FreeSurface(surface);
        }
    }
    SDL_ShowWindow(Window);
    SDL_RaiseWindow(Window);
    SDL_ShowCursor(SDL_DISABLE);
    SDL_DisableScreenSaver();
    return 1;
}

// A new window that is shown and raised is the active one; the system says
// so later if it gives the focus elsewhere.
int WindowActive() { return Window != nullptr; }

// A window of its own, of the engine's whole factor of the picture on the
// screen's free area (title bar and frame around it), centred and
// resizable; or the whole screen again.
int SetWindowed(int windowed) {
    if (!Window) return 0;
    const int display = SDL_GetWindowDisplayIndex(Window);
    if (!windowed) {
        // Back over the whole screen, as the window was made: also where no
        // window manager takes the full-screen request.
        SDL_Rect screen{0, 0, 1280, 720};
        SDL_GetDisplayBounds(display < 0 ? 0 : display, &screen);
        SDL_SetWindowResizable(Window, SDL_FALSE);
        SDL_SetWindowBordered(Window, SDL_FALSE);
        SDL_SetWindowPosition(Window, screen.x, screen.y);
        SDL_SetWindowSize(Window, screen.w, screen.h);
        return SDL_SetWindowFullscreen(Window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    }
    if (SDL_SetWindowFullscreen(Window, 0) != 0) return 0;
    SDL_Rect area{0, 0, 1280, 720};
    if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &area) != 0) SDL_GetDisplayBounds(0, &area);
    const int factor = ktDraw::WindowFactor(area.w, area.h, TextureWidth, TextureHeight);
    SDL_SetWindowBordered(Window, SDL_TRUE);
    SDL_SetWindowResizable(Window, SDL_TRUE);
    SDL_SetWindowSize(Window, TextureWidth * factor, TextureHeight * factor);
    SDL_SetWindowPosition(Window, SDL_WINDOWPOS_CENTERED_DISPLAY(display < 0 ? 0 : display),
                          SDL_WINDOWPOS_CENTERED_DISPLAY(display < 0 ? 0 : display));
    return 1;
}

void MinimiseWindow() {
    if (Window) SDL_MinimizeWindow(Window);
}

void DestroyMainWindow() {
    if (Texture) SDL_DestroyTexture(Texture);
    if (Renderer) SDL_DestroyRenderer(Renderer);
    if (Window) SDL_DestroyWindow(Window);
    Texture = nullptr;
    Renderer = nullptr;
    Window = nullptr;
    SDL_EnableScreenSaver();
    SDL_Quit();
}

void SetIme(int enable) {
    if (enable)
        SDL_StartTextInput();
    else
        SDL_StopTextInput();
}

// ---- Keyboard -------------------------------------------------------------

// The virtual-key code of a key, or 0 for keys the game has no code for.
int VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + int(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + int(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + int(key - SDLK_F1);
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_SPACE: return 0x20;
    case SDLK_KP_5: return VK_NUMPAD5;
    case SDLK_LALT:
    case SDLK_RALT: return 0x12;
    default: return 0;
    }
}

int16_t KeyState(int vk) {
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    auto held = [&](SDL_Scancode code) { return code != SDL_SCANCODE_UNKNOWN && int(code) < count && keys[code]; };
    bool down = false;
    // A letter is the key that gives it in the keyboard's layout (Z is
    // where the layout puts Z), as key presses are.
    if (vk >= 'A' && vk <= 'Z')
        down = held(SDL_GetScancodeFromKey(SDL_Keycode(SDLK_a + (vk - 'A'))));
    else
        switch (vk) {
        case VK_RETURN: down = held(SDL_SCANCODE_RETURN) || held(SDL_SCANCODE_KP_ENTER); break;
        case VK_ESCAPE: down = held(SDL_SCANCODE_ESCAPE); break;
        case VK_LEFT: down = held(SDL_SCANCODE_LEFT); break;
        case VK_UP: down = held(SDL_SCANCODE_UP); break;
        case VK_RIGHT: down = held(SDL_SCANCODE_RIGHT); break;
        case VK_DOWN: down = held(SDL_SCANCODE_DOWN); break;
        case VK_NUMPAD5: down = held(SDL_SCANCODE_KP_5); break;
        default: break;
        }
    return down ? int16_t(-32767 - 1) : int16_t(0);
}

// ---- Pads -----------------------------------------------------------------

SDL_Joystick* Joysticks[2] = {nullptr, nullptr};
SDL_GameController* Controllers[2] = {nullptr, nullptr};

void ClosePads() {
    for (int pad = 0; pad < 2; pad++) {
        if (Controllers[pad]) SDL_GameControllerClose(Controllers[pad]);
        else if (Joysticks[pad]) SDL_JoystickClose(Joysticks[pad]);
        Controllers[pad] = nullptr;
        Joysticks[pad] = nullptr;
    }
}

void PadConfigChanged() {
    ClosePads();
    int count = SDL_NumJoysticks();
    for (int pad = 0; pad < 2 && pad < count; pad++) {
        if (SDL_IsGameController(pad)) {
            Controllers[pad] = SDL_GameControllerOpen(pad);
            if (Controllers[pad]) Joysticks[pad] = SDL_GameControllerGetJoystick(Controllers[pad]);
        }
        if (!Joysticks[pad]) Joysticks[pad] = SDL_JoystickOpen(pad);
    }
}

// Raw axis −32768..32767 as the 0..65535 range of a joystick reading.
uint32_t AxisReading(Sint16 value) { return uint32_t(int32_t(value) + 32768); }

int PadRead(int pad, PadReading* out) {
    if (pad < 0 || pad > 1 || !Joysticks[pad] || !SDL_JoystickGetAttached(Joysticks[pad]))
        return 0;
    SDL_JoystickUpdate();
    if (SDL_GameController* c = Controllers[pad]) {
        out->x = AxisReading(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX));
        out->y = AxisReading(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY));
        out->hat = 0;
        if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP)) out->hat |= PadHatUp;
        if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) out->hat |= PadHatRight;
        if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN)) out->hat |= PadHatDown;
        if (SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT)) out->hat |= PadHatLeft;
        constexpr SDL_GameControllerButton Buttons[4] = {
            SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_X,
            SDL_CONTROLLER_BUTTON_START};
        out->buttons = 0;
        for (int b = 0; b < 4; b++)
            if (SDL_GameControllerGetButton(c, Buttons[b])) out->buttons |= 1u << b;
        return 1;
    }
    SDL_Joystick* j = Joysticks[pad];
    out->x = SDL_JoystickNumAxes(j) > 0 ? AxisReading(SDL_JoystickGetAxis(j, 0)) : 32767;
    out->y = SDL_JoystickNumAxes(j) > 1 ? AxisReading(SDL_JoystickGetAxis(j, 1)) : 32767;
    // SDL's hat bits are the engine's: up 1, right 2, down 4, left 8.
    out->hat = SDL_JoystickNumHats(j) > 0 ? SDL_JoystickGetHat(j, 0) & 15u : 0;
    out->buttons = 0;
    int buttons = SDL_JoystickNumButtons(j);
    for (int b = 0; b < 4 && b < buttons; b++)
        if (SDL_JoystickGetButton(j, b)) out->buttons |= 1u << b;
    return 1;
}

// ---- Events ---------------------------------------------------------------

int CreateTexture();

// Turns one SDL event into a window message; 0 when it means nothing here.
int Translate(const SDL_Event& e, Message* out) {
    switch (e.type) {
    case SDL_QUIT:
        *out = {WM_CLOSE, 0, 0};
        return 1;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: *out = {WM_CLOSE, 0, 0}; return 1;
        case SDL_WINDOWEVENT_FOCUS_GAINED: *out = {WM_ACTIVATEAPP, 1, 0}; return 1;
        case SDL_WINDOWEVENT_FOCUS_LOST: *out = {WM_ACTIVATEAPP, 0, 0}; return 1;
        case SDL_WINDOWEVENT_EXPOSED: *out = {WM_PAINT, 0, 0}; return 1;
        default: return 0;
        }
    case SDL_KEYDOWN: {
        int vk = VirtualKey(e.key.keysym.sym);
        if (!vk) return 0;
        bool system = (e.key.keysym.mod & KMOD_ALT) || vk == 0x12 || vk == VK_F10;
        // An auto-repeat says so in bit 30, as the system's key messages do.
        *out = {system ? WM_SYSKEYDOWN : WM_KEYDOWN, uintptr_t(vk), e.key.repeat ? intptr_t(1) << 30 : 0};
        return 1;
    }
    case SDL_KEYUP: {
        int vk = VirtualKey(e.key.keysym.sym);
        if (!vk) return 0;
        *out = {WM_KEYUP, uintptr_t(vk), 0};
        return 1;
    }
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_RIGHT && e.button.clicks == 2) {
            *out = {WM_RBUTTONDBLCLK, 0, 0};
            return 1;
        }
        return 0;
    case SDL_RENDER_DEVICE_RESET:
        // The renderer's texture went with its device: a new one, and the
        // picture again.
        if (Renderer) CreateTexture();
        *out = {WM_PAINT, 0, 0};
        return 1;
    case SDL_RENDER_TARGETS_RESET:
        *out = {WM_PAINT, 0, 0};
        return 1;
    case SDL_JOYDEVICEADDED:
    case SDL_JOYDEVICEREMOVED:
        // Reading works again once a pad is back (the engine takes the
        // centre of a new one from its first reading).
        PadConfigChanged();
        return 0;
    default:
        return 0;
    }
}

int NextEvent(Message* out, int wait) {
    SDL_Event e;
    while (wait ? SDL_WaitEvent(&e) : SDL_PollEvent(&e))
        if (Translate(e, out)) return 1;
    return 0;
}

uint32_t TickCount() { return SDL_GetTicks(); }
int64_t CalendarTime() { return int64_t(std::time(nullptr)); }

// ---- Error box ---------------------------------------------------------------

// The desktop has no beep of its own: the engine sounds its own (Beep null).
void MessageBox(const char* text, const char* title) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, title, text, Window);
}

// ---- Display --------------------------------------------------------------

int CreateTexture() {
    if (Texture) SDL_DestroyTexture(Texture);
    Texture = SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                TextureWidth, TextureHeight);
    return Texture != nullptr;
}

void CloseDisplay() {
    if (Texture) SDL_DestroyTexture(Texture);
    if (Renderer) SDL_DestroyRenderer(Renderer);
    Texture = nullptr;
    Renderer = nullptr;
}

// Pacing: one monitor refresh in counter ticks, and when the last picture
// was shown.
Uint64 RefreshPeriod = 0;
Uint64 LastPresent = 0;

int OpenDisplay(int width, int height) {
    if (!Window) return NoDisplayDevice;
    CloseDisplay();
    Renderer = SDL_CreateRenderer(Window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!Renderer) Renderer = SDL_CreateRenderer(Window, -1, SDL_RENDERER_SOFTWARE);
    if (!Renderer) return NoDisplayDevice;
    if (SDL_SetWindowFullscreen(Window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return NoFullScreen;
    TextureWidth = width;
    TextureHeight = height;
    if (!CreateTexture()) return NoDisplayMode;
    SDL_DisplayMode mode;
    const int hertz = SDL_GetWindowDisplayMode(Window, &mode) == 0 && mode.refresh_rate >= 24 &&
                              mode.refresh_rate <= 500 ? mode.refresh_rate : 60;
    RefreshPeriod = SDL_GetPerformanceFrequency() / Uint64(hertz);
    LastPresent = 0;
    return DisplayReady;
}

// Pictures are paced to the monitor by the renderer's vertical sync; where
// it has none (a software renderer, a driver or SDL_RENDER_VSYNC=0 that
// turns it off), by waiting out the rest of a refresh, so that the game
// never runs frames faster than they are shown.
void PaceToDisplay() {
    Uint64 now = SDL_GetPerformanceCounter();
    const int64_t wait = ktDraw::PresentWait(int64_t(now - LastPresent), int64_t(RefreshPeriod));
    if (LastPresent != 0 && wait > 0) {
        SDL_Delay(Uint32(uint64_t(wait) * 1000 / SDL_GetPerformanceFrequency()));
        now = SDL_GetPerformanceCounter();
    }
    LastPresent = now;
}

void Present(const ktDraw::Picture* picture) {
    if (!Renderer || !Texture) return;
    int areaWidth = 0, areaHeight = 0;
    SDL_GetRendererOutputSize(Renderer, &areaWidth, &areaHeight);
    const ktDraw::Placement place = ktDraw::PlacePicture(areaWidth, areaHeight, picture->width, picture->height);
    SDL_UpdateTexture(Texture, nullptr, picture->pixels, picture->pitch * 2);
    SDL_SetRenderDrawColor(Renderer, 0, 0, 0, 255);
    SDL_RenderClear(Renderer);
    if (place.scale > 0) {
        const SDL_Rect to{place.x, place.y, place.width, place.height};
        SDL_RenderCopy(Renderer, Texture, nullptr, &to);
    }
    SDL_RenderPresent(Renderer);
    PaceToDisplay();
}

// ---- Audio ----------------------------------------------------------------

SDL_AudioDeviceID AudioDevice = 0;
MixCallback Mixer = nullptr;

void AudioCallback(void*, Uint8* stream, int length) {
    SDL_memset(stream, 0, size_t(length));
    if (Mixer) Mixer(reinterpret_cast<int16_t*>(stream), length / 4);
}

// A program that ends without shutting down (the display's connection
// broke, and its handler ends the program) stops the mixer before the
// sound table it reads is destroyed. Pausing touches no display.
void StopMixerAtExit() {
    if (AudioDevice) SDL_PauseAudioDevice(AudioDevice, 1);
}

int OpenAudio(MixCallback mix, int* rate) {
    static const int stopAtExit = std::atexit(StopMixerAtExit);
    (void)stopAtExit;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = AudioCallback;
    SDL_AudioSpec have{};
    Mixer = mix;
    AudioDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!AudioDevice) {
        Mixer = nullptr;
        return 0;
    }
    *rate = have.freq;
    SDL_PauseAudioDevice(AudioDevice, 0);
    return 1;
}

void CloseAudio() {
    if (AudioDevice) SDL_CloseAudioDevice(AudioDevice);
    AudioDevice = 0;
    Mixer = nullptr;
}

void LockAudio() {
    if (AudioDevice) SDL_LockAudioDevice(AudioDevice);
}
void UnlockAudio() {
    if (AudioDevice) SDL_UnlockAudioDevice(AudioDevice);
}

// ---- Folders --------------------------------------------------------------

const char* BasePath() {
    static char* path = SDL_GetBasePath();
    return path ? path : "./";
}

std::FILE* OpenFile(const char* path, const char* mode) { return std::fopen(path, mode); }

// Makes every missing folder along `path` (which ends in '/'), each new one
// private to the player. 1 when the whole path is then a folder.
int MakeFolders(char* path) {
    for (char* at = path + 1; *at; at++) {
        if (*at != '/') continue;
        *at = 0;
        const bool there = ::mkdir(path, 0700) == 0 || errno == EEXIST;
        *at = '/';
        if (!there) return 0;
    }
    struct stat info;
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// $XDG_DATA_HOME/grazerunner/, or ~/.local/share/grazerunner/ when that is
// not set; a setting that is empty or not an absolute path counts as unset.
const char* UserDataFolder() {
    static char folder[4096];
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    int length = -1;
    if (data && data[0] == '/')
        length = std::snprintf(folder, sizeof folder, "%s/grazerunner/", data);
    else if (home && home[0] == '/')
        length = std::snprintf(folder, sizeof folder, "%s/.local/share/grazerunner/", home);
    if (length < 0 || size_t(length) >= sizeof folder) return nullptr;
    return MakeFolders(folder) ? folder : nullptr;
}

#if defined(__linux__)
constexpr const char* PlatformName = "linux";
#elif defined(__APPLE__)
constexpr const char* PlatformName = "macos";
#else
constexpr const char* PlatformName = "desktop";
#endif

constexpr Platform SdlPlatform = {
    .CreateMainWindow = CreateMainWindow, .WindowActive = WindowActive, .SetWindowed = SetWindowed,
    .MinimiseWindow = MinimiseWindow,
    .DestroyMainWindow = DestroyMainWindow, .SetIme = SetIme, .NextEvent = NextEvent,
    .TickCount = TickCount, .CalendarTime = CalendarTime,
    .KeyState = KeyState, .PadConfigChanged = PadConfigChanged, .PadRead = PadRead,
    .Beep = nullptr, .MessageBox = MessageBox,
    .OpenDisplay = OpenDisplay, .CloseDisplay = CloseDisplay, .Present = Present,
    .OpenAudio = OpenAudio, .CloseAudio = CloseAudio, .LockAudio = LockAudio, .UnlockAudio = UnlockAudio,
    .SoundCall = nullptr,
    .BasePath = BasePath, .OpenFile = OpenFile, .UserDataFolder = UserDataFolder, .RunLoop = nullptr,
    .ReopenFile = ReopenByDescriptor, .FileExists = FileExistsByDescriptor,
    .MakeFolder = MakeFolderByPath, .Name = PlatformName, .Argument = nullptr,
};

}  // namespace

Platform Sys = SdlPlatform;

}  // namespace ktPlatform
