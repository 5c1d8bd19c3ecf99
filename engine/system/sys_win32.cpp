// The Windows platform layer, on the system's own calls: one popup window
// over the whole monitor (USER32), the picture presented with GDI, the keys
// by GetKeyState, the pads and the sound card through WINMM (joyGetPosEx,
// waveOut), the tick counter, the message box, and files by their UTF-16
// names. The translation rules it follows are in sys_win32.h.
//
// Test mode, only in the test build of the program (grazerunner-traced.exe,
// made with GRAZE_TEST_TRACE; never in the program that is shipped): when
// the environment names a file in GRAZE_TRACE, the layer appends one line
// there for each thing a test of the real program wants to see and cannot
// read from the screen (the window, the activation, the display's placement,
// every file opened, every error box as it reads in its window, the sound
// card and the pads). Without it the layer writes nothing.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>

#include "ktDraw.h"
#include "ktSystem.h"
#include "platform.h"
#include "sys_win32.h"

#include <dwmapi.h>
#include <imm.h>
#include <shellapi.h>
#include <shlobj.h>

// WINMM's call for rereading the joystick set-up; the import library has it,
// the cross toolchain's header does not declare it.
extern "C" MMRESULT WINAPI joyConfigChanged(DWORD flags);

namespace ktPlatform {

namespace {

using namespace ktWin32;

HWND Window = nullptr;
WindowProcedure EngineProc = nullptr;
int EngineDestroying = 0;
int Activated = 0;  // what the last WM_ACTIVATEAPP said

// ---- Test mode ---------------------------------------------------------------

#ifdef GRAZE_TEST_TRACE
constexpr bool TraceBuild = true;
#else
constexpr bool TraceBuild = false;
#endif

std::FILE* TraceFile = nullptr;
int TraceChecked = 0;

int Tracing() {
    if (!TraceBuild) return 0;
    if (!TraceChecked) {
        TraceChecked = 1;
        if (const wchar_t* path = _wgetenv(L"GRAZE_TRACE"); path && path[0])
            TraceFile = _wfopen(path, L"ab");
    }
    return TraceFile != nullptr;
}

void Trace(const char* format, ...) {
    if (!Tracing()) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(TraceFile, format, args);
    va_end(args);
    std::fputc('\n', TraceFile);
    std::fflush(TraceFile);
}

// Wide text as UTF-8 for the trace (a fixed buffer; tracing only).
const char* Utf8For(const wchar_t* text) {
    static char buffer[4096];
    if (!WideToUtf8(text, buffer, sizeof buffer)) std::strcpy(buffer, "?");
    return buffer;
}

// ---- Window ------------------------------------------------------------------

constexpr const wchar_t* ClassName = L"DEFAULT";

// The display: the picture's place on the monitor and its bitmap header.
struct DisplayState {
    int open;
    int width, height;        // the picture's size
    int screenWidth, screenHeight;
    int windowed;             // a window of its own rather than the whole monitor
    int areaWidth, areaHeight;  // the window's client area
    ktDraw::Placement place;
    int bordersDirty;         // the black around the picture needs painting
    LONGLONG period;          // one refresh of the monitor, in counter ticks
    LONGLONG lastPresent;
    LONGLONG counterFrequency;
    int composition;          // the desktop composes windows: DwmFlush paces
};
DisplayState Display = {};

// A bitmap header with the three colour masks of RGB565.
struct Rgb565Info {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};
Rgb565Info BitmapInfo = {};
// Bitmap rows start on 4-byte boundaries: a picture of an odd width is
// copied into rows of one pixel more, set aside when the display opens.
uint16_t* EvenRows = nullptr;
// The picture last presented (the engine's Front, which lives as long as the
// display): the window paints it again whenever the system asks, also while
// the game stands still in the background.
const ktDraw::Picture* Shown = nullptr;

void DrawPicture(HDC dc, const ktDraw::Picture* picture);

// The picture's place in the window's client area, by the engine's rule; a
// window smaller than the picture shows it at its own size from the corner.
void PlaceInClient() {
    RECT client = {0, 0, Display.screenWidth, Display.screenHeight};
    if (Window) GetClientRect(Window, &client);
    Display.areaWidth = client.right;
    Display.areaHeight = client.bottom;
    if (Display.open) {
        Display.place = ktDraw::PlacePicture(Display.areaWidth, Display.areaHeight, Display.width, Display.height);
        if (Display.place.scale < 1 && Display.windowed) Display.place = {0, 0, Display.width, Display.height, 1};
    }
    Display.bordersDirty = 1;
}

void CoverMonitor() {
    Display.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    Display.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (Window && !Display.windowed)
        SetWindowPos(Window, nullptr, 0, 0, Display.screenWidth, Display.screenHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceInClient();
}

LRESULT CALLBACK WindowProcedureOfWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        Display.bordersDirty = 1;
        if (dc && Display.open && Shown) DrawPicture(dc, Shown);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DISPLAYCHANGE:
        // Another mode on the monitor: the window covers it again and is
        // painted anew. GDI draws into the window whatever the mode, so the
        // engine loses nothing; a locked or remote session loses nothing
        // either, and the system repaints the window when it is back.
        CoverMonitor();
        InvalidateRect(window, nullptr, TRUE);
        Trace("display changed %dx%d", Display.screenWidth, Display.screenHeight);
        break;
    case WM_SETCURSOR:
        // No pointer over the picture; the frame of a window keeps its own.
        if (LOWORD(lParam) != HTCLIENT) return DefWindowProcW(window, message, wParam, lParam);
        SetCursor(nullptr);
        break;
    case WM_SIZE:
        PlaceInClient();
        InvalidateRect(window, nullptr, TRUE);
        break;
    case WM_ACTIVATEAPP:
        Activated = wParam != 0;
        Trace("activate %d", Activated);
        break;
    default: break;
    }
    const Routing routing = Route(message, wParam, EngineDestroying);
    LRESULT result = 0;
    if (routing.defaultProcessing) result = DefWindowProcW(window, message, wParam, lParam);
    if (routing.toEngine && EngineProc) {
        const LRESULT answer = EngineProc(message, uintptr_t(wParam), intptr_t(lParam));
        if (!routing.defaultProcessing) result = answer;
        WakeAfterSentMessage(window);
    }
    return result;
}

// Test mode: the icon the window class got from the program's resources,
// its size and whether its pixels are those of the game's own icon "MAIN".
void TraceIcon(HICON icon) {
    ICONINFO info = {};
    BITMAP colour = {};
    if (!icon || !GetIconInfo(icon, &info)) {
        Trace("icon MAIN missing");
        return;
    }
    const char* match = "differs from the game's";
    const ktSystem::IconResource* own = ktSystem::FindIcon("MAIN");
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof colour, &colour) && own &&
        colour.bmWidth == own->width && colour.bmHeight == own->height && own->width * own->height <= 256 * 256) {
        static uint32_t pixels[256 * 256];
        BITMAPINFO wanted = {};
        wanted.bmiHeader.biSize = sizeof wanted.bmiHeader;
        wanted.bmiHeader.biWidth = own->width;
        wanted.bmiHeader.biHeight = -own->height;
        wanted.bmiHeader.biPlanes = 1;
        wanted.bmiHeader.biBitCount = 32;
        wanted.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        if (GetDIBits(screen, info.hbmColor, 0, UINT(own->height), pixels, &wanted, DIB_RGB_COLORS) == own->height &&
            std::memcmp(pixels, own->pixels, size_t(own->width * own->height) * 4) == 0)
            match = "the game's own";
        ReleaseDC(nullptr, screen);
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    Trace("icon MAIN %dx%d, %s", int(colour.bmWidth), int(colour.bmHeight), match);
}

int CreateMainWindow(const char* title, WindowProcedure proc) {
    // The window is as large as the monitor in real pixels, not scaled up
    // behind the program's back on a monitor of high density.
    SetProcessDPIAware();
    timeBeginPeriod(1);  // the tick counter and short sleeps to the millisecond

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const HICON icon = LoadIconW(instance, L"MAIN");
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProcedureOfWindow;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = ClassName;
    windowClass.lpszClassName = ClassName;
    RegisterClassExW(&windowClass);

    wchar_t wideTitle[256];
    if (!Utf8ToWide(title, wideTitle, 256)) wideTitle[0] = 0;
    EngineProc = proc;
    EngineDestroying = 0;
    Display = {};
    Display.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    Display.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    Window = CreateWindowExW(0, ClassName, wideTitle, WS_POPUP | WS_SYSMENU, 0, 0, Display.screenWidth,
                             Display.screenHeight, nullptr, nullptr, instance, nullptr);
    if (!Window) {
        Trace("window failed %lu", GetLastError());
        EngineProc = nullptr;
        timeEndPeriod(1);
        return 0;
    }
    Trace("window %s %dx%d", title, Display.screenWidth, Display.screenHeight);
    if (Tracing()) TraceIcon(icon);
    // Showing the window activates it: the system sends WM_ACTIVATEAPP to
    // the procedure above, which hands it to the engine, before ShowWindow
    // returns. The show command is the one the program was started with.
    ShowWindow(Window, SW_SHOWDEFAULT);
    UpdateWindow(Window);
    SetForegroundWindow(Window);
    // No pointer over the window (WM_SETCURSOR keeps it so); a box of the
    // program's still shows it.
    SetCursor(nullptr);
    // Neither the screen saver nor the monitor's sleep while the game runs.
    SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED);
    return 1;
}

int WindowActive() { return Activated; }

// A window of its own, of the engine's whole factor of the picture on the
// monitor's work area (the frame around it), centred and resizable; or the
// whole monitor again, as a popup.
int SetWindowed(int windowed) {
    if (!Window) return 0;
    Display.windowed = windowed;
    if (!windowed) {
        SetWindowLongPtrW(Window, GWL_STYLE, WS_POPUP | WS_SYSMENU | WS_VISIBLE);
        SetWindowPos(Window, HWND_TOP, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     SWP_FRAMECHANGED | SWP_SHOWWINDOW);
        CoverMonitor();
        Trace("full screen %dx%d", Display.areaWidth, Display.areaHeight);
        return 1;
    }
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int factor = ktDraw::WindowFactor(work.right - work.left, work.bottom - work.top, Display.width, Display.height);
    RECT frame = {0, 0, Display.width * factor, Display.height * factor};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    SetWindowLongPtrW(Window, GWL_STYLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetWindowPos(Window, HWND_TOP, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, w, h, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    PlaceInClient();
    Trace("windowed %dx%d scale %d", Display.areaWidth, Display.areaHeight, Display.place.scale);
    return 1;
}

void MinimiseWindow() {
    if (Window) ShowWindow(Window, SW_MINIMIZE);
}

void DestroyMainWindow() {
    if (!Window) return;
    // The engine tells its own procedure that the window is gone.
    EngineDestroying = 1;
    DestroyWindow(Window);
    Window = nullptr;
    EngineProc = nullptr;
    SetThreadExecutionState(ES_CONTINUOUS);
    timeEndPeriod(1);
    Trace("window destroyed");
}

void SetIme(int enable) {
    if (Window) ImmAssociateContextEx(Window, nullptr, enable ? IACE_DEFAULT : 0);
}

// One system message is dispatched to the window procedure above, which
// hands it to the engine's; the engine's loop is then answered with a
// WM_NULL, so that it comes back for the next message before it runs a
// frame. The system's quit message is handed on as the engine's. A wait
// ends with whatever woke it: the engine's loop looks again at its state
// (a sent activation changes it without any message of its own).
int NextEvent(Message* out, int wait) {
    MSG message;
    if (!NextSystemMessage(&message, wait)) return 0;
    if (message.message == WM_QUIT) {
        *out = {WM_QUIT, uintptr_t(message.wParam), 0};
        return 1;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    *out = {WM_NULL, 0, 0};
    return 1;
}

uint32_t TickCount() { return timeGetTime(); }
int64_t CalendarTime() { return int64_t(std::time(nullptr)); }

// ---- Keyboard ------------------------------------------------------------------

int16_t KeyState(int vk) { return KeyStateOf(vk); }

// ---- Pads ----------------------------------------------------------------------

void PadConfigChanged() {
    joyConfigChanged(0);
    for (UINT pad = 0; pad < 2; pad++) {
        JOYINFOEX info = {};
        info.dwSize = sizeof info;
        info.dwFlags = PadReadFlags;
        Trace("pad %u %u", pad, unsigned(joyGetPosEx(JOYSTICKID1 + pad, &info)));
    }
}

int PadRead(int pad, PadReading* out) {
    if (pad < 0 || pad > 1) return 0;
    JOYINFOEX info = {};
    info.dwSize = sizeof info;
    info.dwFlags = PadReadFlags;
    const MMRESULT result = joyGetPosEx(JOYSTICKID1 + UINT(pad), &info);
    return PadReadingOf(result, info, out);
}

// ---- Error box and beep -----------------------------------------------------------

void Beep() { MessageBeep(0xFFFFFFFF); }

// In test mode, what the box shows is read back from its window once it is
// up and filled in (a moment after it becomes active, on a timer that the
// box's own message loop runs): its title, and the text of its message, the
// static control that holds text (the other one holds the icon).
HHOOK BoxHook = nullptr;
HWND ShownBox = nullptr;

BOOL CALLBACK FindBoxText(HWND child, LPARAM into) {
    wchar_t kind[16];
    auto* text = reinterpret_cast<wchar_t*>(into);
    if (GetClassNameW(child, kind, 16) && lstrcmpiW(kind, L"Static") == 0 && GetWindowTextW(child, text, 1024) > 0)
        return FALSE;
    text[0] = 0;
    return TRUE;
}

void CALLBACK ReadShownBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (!ShownBox || !IsWindow(ShownBox)) return;
    wchar_t title[256], text[1024] = {};
    if (!GetWindowTextW(ShownBox, title, 256)) title[0] = 0;
    EnumChildWindows(ShownBox, FindBoxText, reinterpret_cast<LPARAM>(text));
    char utf8Title[1024];
    if (!WideToUtf8(title, utf8Title, sizeof utf8Title)) std::strcpy(utf8Title, "?");
    Trace("box %s | %s", utf8Title, Utf8For(text));
    ShownBox = nullptr;
}

LRESULT CALLBACK BoxWatch(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && !ShownBox) {
        ShownBox = reinterpret_cast<HWND>(wParam);
        SetTimer(nullptr, 0, 200, ReadShownBox);
    }
    return CallNextHookEx(BoxHook, code, wParam, lParam);
}

void MessageBox(const char* text, const char* title) {
    static wchar_t wideText[2048];
    wchar_t wideTitle[256];
    if (!Utf8ToWide(text, wideText, 2048)) std::wcscpy(wideText, L"?");
    if (!Utf8ToWide(title, wideTitle, 256)) std::wcscpy(wideTitle, L"?");
    if (Tracing()) BoxHook = SetWindowsHookExW(WH_CBT, BoxWatch, nullptr, GetCurrentThreadId());
    // The pointer shows over the box (only the game's window hides it).
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
    MessageBoxW(Window, wideText, wideTitle, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
    if (BoxHook) UnhookWindowsHookEx(BoxHook);
    BoxHook = nullptr;
    ShownBox = nullptr;
    // The box took the place of the picture: paint all of the window again.
    Display.bordersDirty = 1;
}

// ---- Display ------------------------------------------------------------------------

// The monitor's refresh period, for pacing when the desktop cannot.
void ReadRefreshPeriod() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Display.counterFrequency = frequency.QuadPart;
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    DWORD hertz = 60;
    if (EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency >= 24 &&
        mode.dmDisplayFrequency <= 500)
        hertz = mode.dmDisplayFrequency;
    Display.period = Display.counterFrequency / LONGLONG(hertz);
    BOOL composition = FALSE;
    Display.composition = SUCCEEDED(DwmIsCompositionEnabled(&composition)) && composition;
}

int OpenDisplay(int width, int height) {
    if (!Window || width <= 0 || height <= 0) return NoDisplayDevice;
    // GDI draws on the window whatever the monitor's colour depth: it
    // converts the 16-bit picture itself.
    HDC dc = GetDC(Window);
    if (!dc) return NoDisplayDevice;
    ReleaseDC(Window, dc);
    Display.width = width;
    Display.height = height;
    Display.open = 1;
    // The window takes the whole monitor: the picture is scaled by the
    // largest whole factor that fits and centred on black.
    CoverMonitor();
    RECT client;
    if (!GetClientRect(Window, &client) || client.right < Display.screenWidth ||
        client.bottom < Display.screenHeight) {
        Display.open = 0;
        return NoFullScreen;
    }
    if (Display.place.scale < 1) {
        Display.open = 0;
        return NoDisplayMode;
    }
    std::free(EvenRows);
    EvenRows = nullptr;
    if (width % 2) {
        EvenRows = static_cast<uint16_t*>(std::calloc(size_t(width + 1) * size_t(height), sizeof(uint16_t)));
        if (!EvenRows) {
            Display.open = 0;
            return NoDisplayMode;
        }
    }
    BitmapInfo = {};
    BitmapInfo.header.biSize = sizeof(BITMAPINFOHEADER);
    BitmapInfo.header.biPlanes = 1;
    BitmapInfo.header.biBitCount = 16;
    BitmapInfo.header.biCompression = BI_BITFIELDS;
    BitmapInfo.masks[0] = 0xF800;
    BitmapInfo.masks[1] = 0x07E0;
    BitmapInfo.masks[2] = 0x001F;
    ReadRefreshPeriod();
    Trace("display %dx%d scale %d at %d,%d", Display.screenWidth, Display.screenHeight,
          Display.place.scale, Display.place.x, Display.place.y);
    return DisplayReady;
}

void CloseDisplay() {
    Display.open = 0;
    Shown = nullptr;
    std::free(EvenRows);
    EvenRows = nullptr;
    if (Window) InvalidateRect(Window, nullptr, TRUE);
}

// One picture per refresh of the monitor: where the desktop composes the
// windows, DwmFlush waits for its next composition. A desktop that answers
// at once (or none) leaves the wait to a timer, by the engine's rule.
void PaceToDisplay() {
    if (Display.composition) DwmFlush();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const int64_t wait = ktDraw::PresentWait(now.QuadPart - Display.lastPresent, Display.period);
    if (wait > 0) {
        const DWORD ms = DWORD(wait * 1000 / Display.counterFrequency);
        if (ms > 0) Sleep(ms);
        QueryPerformanceCounter(&now);
    }
    Display.lastPresent = now.QuadPart;
}

// Draws the picture in its place, the black around it first when that
// needs painting.
void DrawPicture(HDC dc, const ktDraw::Picture* picture) {
    if (Display.bordersDirty) {
        RECT all = {0, 0, Display.areaWidth, Display.areaHeight};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        Display.bordersDirty = 0;
    }
    // Rows are `pitch` pixels apart: an even pitch is shown straight from
    // the picture, an odd one from a copy in even rows.
    const uint16_t* rows = picture->pixels;
    int stride = picture->pitch;
    if (stride % 2) {
        if (!EvenRows || picture->width != Display.width || picture->height != Display.height) return;
        stride = picture->width + 1;
        for (int y = 0; y < picture->height; y++)
            std::memcpy(EvenRows + size_t(y) * size_t(stride), picture->pixels + size_t(y) * size_t(picture->pitch),
                        size_t(picture->width) * 2);
        rows = EvenRows;
    }
    BitmapInfo.header.biWidth = stride;
    BitmapInfo.header.biHeight = -picture->height;  // top row first
    StretchDIBits(dc, Display.place.x, Display.place.y, Display.place.width, Display.place.height, 0, 0,
                  picture->width, picture->height, rows, reinterpret_cast<const BITMAPINFO*>(&BitmapInfo),
                  DIB_RGB_COLORS, SRCCOPY);
}

void Present(const ktDraw::Picture* picture) {
    if (!Window || !Display.open || !picture || !picture->pixels) return;
    HDC dc = GetDC(Window);
    if (!dc) return;
    DrawPicture(dc, picture);
    ReleaseDC(Window, dc);
    GdiFlush();
    Shown = picture;
    PaceToDisplay();
}


// ---- Sound: the engine's mixer through waveOut -------------------------------------------

constexpr int AudioRate = 44100;
constexpr int AudioBuffers = 4;
constexpr int AudioFrames = 1024;  // 23 ms a buffer

struct AudioState {
    HWAVEOUT device;
    HANDLE bufferDone;   // set by the device whenever a buffer has been played
    HANDLE thread;
    CRITICAL_SECTION lock;
    int lockReady;
    volatile LONG stopping;
    MixCallback mix;
    WAVEHDR headers[AudioBuffers];
    int16_t samples[AudioBuffers][AudioFrames * 2];
};
AudioState* Audio = nullptr;

void FillAndQueue(WAVEHDR& header) {
    auto* out = reinterpret_cast<int16_t*>(header.lpData);
    std::memset(out, 0, sizeof Audio->samples[0]);
    EnterCriticalSection(&Audio->lock);
    if (Audio->mix) Audio->mix(out, AudioFrames);
    LeaveCriticalSection(&Audio->lock);
    waveOutWrite(Audio->device, &header, sizeof header);
}

// The audio thread: every buffer the device has played is mixed again and
// queued behind the others.
DWORD WINAPI AudioThread(LPVOID) {
    while (!Audio->stopping) {
        WaitForSingleObject(Audio->bufferDone, INFINITE);
        if (Audio->stopping) break;
        for (WAVEHDR& header : Audio->headers)
            if (header.dwFlags & WHDR_DONE) FillAndQueue(header);
    }
    return 0;
}

void CloseAudio();

int OpenAudio(MixCallback mix, int* rate) {
    if (Audio) CloseAudio();
    // Everything the device needs is set aside here, once: nothing is
    // allocated while sounds play.
    Audio = static_cast<AudioState*>(std::calloc(1, sizeof(AudioState)));
    if (!Audio) return 0;
    InitializeCriticalSection(&Audio->lock);
    Audio->lockReady = 1;
    Audio->bufferDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = AudioRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = AudioRate * 4;
    const MMRESULT result =
        Audio->bufferDone
            ? waveOutOpen(&Audio->device, WAVE_MAPPER, &format, DWORD_PTR(Audio->bufferDone), 0, CALLBACK_EVENT)
            : MMSYSERR_NOMEM;
    if (result != MMSYSERR_NOERROR) {
        // No sound card: the game runs silent, without a word.
        Trace("audio none %u", unsigned(result));
        Audio->device = nullptr;
        CloseAudio();
        return 0;
    }
    Audio->mix = mix;
    for (int i = 0; i < AudioBuffers; i++) {
        WAVEHDR& header = Audio->headers[i];
        header.lpData = reinterpret_cast<LPSTR>(Audio->samples[i]);
        header.dwBufferLength = sizeof Audio->samples[i];
        waveOutPrepareHeader(Audio->device, &header, sizeof header);
    }
    for (WAVEHDR& header : Audio->headers) FillAndQueue(header);
    Audio->thread = CreateThread(nullptr, 0, AudioThread, nullptr, 0, nullptr);
    if (!Audio->thread) {
        CloseAudio();
        return 0;
    }
    SetThreadPriority(Audio->thread, THREAD_PRIORITY_TIME_CRITICAL);
    Trace("audio %d", AudioRate);
    *rate = AudioRate;
    return 1;
}

void CloseAudio() {
    if (!Audio) return;
    Audio->stopping = 1;
    if (Audio->thread) {
        SetEvent(Audio->bufferDone);
        WaitForSingleObject(Audio->thread, INFINITE);
        CloseHandle(Audio->thread);
    }
    if (Audio->device) {
        waveOutReset(Audio->device);
        for (WAVEHDR& header : Audio->headers)
            if (header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(Audio->device, &header, sizeof header);
        waveOutClose(Audio->device);
    }
    if (Audio->bufferDone) CloseHandle(Audio->bufferDone);
    if (Audio->lockReady) DeleteCriticalSection(&Audio->lock);
    std::free(Audio);
    Audio = nullptr;
}

void LockAudio() {
    if (Audio) EnterCriticalSection(&Audio->lock);
}
void UnlockAudio() {
    if (Audio) LeaveCriticalSection(&Audio->lock);
}

// ---- Files ------------------------------------------------------------------------------

const char* BasePath() {
    static char path[PathCharacters * 3];
    static wchar_t wide[PathCharacters];
    const DWORD length = GetModuleFileNameW(nullptr, wide, PathCharacters);
    if (length == 0 || length >= DWORD(PathCharacters)) return ".\\";
    // Cut after the last separator: the folder, ending in its separator.
    DWORD cut = length;
    while (cut > 0 && wide[cut - 1] != L'\\' && wide[cut - 1] != L'/') cut--;
    wide[cut] = 0;
    if (!WideToUtf8(wide, path, sizeof path)) return ".\\";
    return path;
}

std::FILE* OpenFile(const char* path, const char* mode) {
    std::FILE* file = OpenByUtf8Path(path, mode);
    Trace("open %s %s %s", mode, path, file ? "ok" : "failed");
    return file;
}

int ReopenFile(std::FILE* file, const char* path) {
    const int reopened = ReopenInPlace(file, path);
    Trace("reopen %s %s", path, reopened ? "ok" : "failed");
    return reopened;
}

// The player's own data folder for this game, ending in its separator and
// made when it is not there yet: "GrazeRunner" in the user's application
// data folder; null when there is none or it cannot be made.
const char* UserDataFolder() {
    static char folder[PathCharacters * 3];
    PWSTR appData = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &appData))) return nullptr;
    static wchar_t wide[PathCharacters];
    const int fits = std::wcslen(appData) + 16 < size_t(PathCharacters);
    if (fits) {
        std::wcscpy(wide, appData);
        std::wcscat(wide, L"\\GrazeRunner\\");
    }
    CoTaskMemFree(appData);
    if (!fits) return nullptr;
    if (!CreateDirectoryW(wide, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
    if (!WideToUtf8(wide, folder, sizeof folder)) return nullptr;
    return folder;
}

// Whether a file is there, asked of the system by its wide-character path.
int FileExists(const char* path) {
    static wchar_t widePath[PathCharacters];
    return Utf8ToWide(path, widePath, PathCharacters) && GetFileAttributesW(widePath) != INVALID_FILE_ATTRIBUTES;
}

// Makes a folder by its wide-character path unless it is there.
int MakeFolder(const char* path) {
    static wchar_t widePath[PathCharacters];
    if (!Utf8ToWide(path, widePath, PathCharacters)) return 0;
    if (!CreateDirectoryW(widePath, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return 0;
    const DWORD attributes = GetFileAttributesW(widePath);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

// The command line's arguments as the system keeps them, in UTF-8 (main()
// gets them in the system's code page, which cannot name every file).
const char* Argument(int index) {
    static char utf8[PathCharacters * 3];
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return nullptr;
    const bool there = index >= 0 && index < count && WideToUtf8(arguments[index], utf8, sizeof utf8);
    LocalFree(arguments);
    return there ? utf8 : nullptr;
}

constexpr Platform Win32Platform = {
    .CreateMainWindow = CreateMainWindow, .WindowActive = WindowActive, .SetWindowed = SetWindowed,
    .MinimiseWindow = MinimiseWindow,
    .DestroyMainWindow = DestroyMainWindow, .SetIme = SetIme, .NextEvent = NextEvent,
    .TickCount = TickCount, .CalendarTime = CalendarTime,
    .KeyState = KeyState, .PadConfigChanged = PadConfigChanged, .PadRead = PadRead,
    .Beep = Beep, .MessageBox = MessageBox,
    .OpenDisplay = OpenDisplay, .CloseDisplay = CloseDisplay, .Present = Present,
    .OpenAudio = OpenAudio, .CloseAudio = CloseAudio, .LockAudio = LockAudio, .UnlockAudio = UnlockAudio,
    .SoundCall = nullptr,
    .BasePath = BasePath, .OpenFile = OpenFile, .UserDataFolder = UserDataFolder, .RunLoop = nullptr,
    .ReopenFile = ReopenFile, .FileExists = FileExists,
    .MakeFolder = MakeFolder, .Name = "windows", .Argument = Argument,
};

}  // namespace

Platform Sys = Win32Platform;

}  // namespace ktPlatform
