// The Windows layer's translation rules: which system messages reach the
// engine's procedure and which get the default processing, the wait for
// messages, UTF-8 ↔ UTF-16 paths, keys, and joystick readings under the
// engine's half-way rule.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "ktSystem.h"
#include "sys_script.h"
#include "../test_support.h"
#include "sys_win32.h"

namespace {

using namespace ktWin32;

TEST(Win32Layer, MessagesReachTheEngineAndTheDefaultProcessingAsTheWindowProcedureSays) {
    const struct {
        UINT message;
        WPARAM wParam;
        int engineDestroying, toEngine, defaultProcessing;
    } cases[] = {
        {WM_ACTIVATEAPP, 1, 0, 1, 0},  {WM_SETCURSOR, 0, 0, 1, 0},  {WM_MOVE, 0, 0, 1, 1},
        // No screen saver (the low four bits are the system's); the close request goes on to WM_CLOSE.
        {WM_SYSCOMMAND, SC_SCREENSAVE, 0, 1, 0},  {WM_SYSCOMMAND, SC_SCREENSAVE | 3, 0, 1, 0},
        {WM_SYSCOMMAND, SC_CLOSE, 0, 1, 1},  {WM_KEYDOWN, VK_ESCAPE, 0, 1, 1},
        // Alt+F4 and F10 stop at the engine; Alt with a letter reaches nothing.
        {WM_SYSKEYDOWN, VK_F4, 0, 1, 0},  {WM_SYSCHAR, 'x', 0, 0, 0},
        // The engine destroys the window itself, and tells its procedure of its own destroying.
        {WM_RBUTTONDBLCLK, 0, 0, 1, 0},  {WM_CLOSE, 0, 0, 1, 0},  {WM_DESTROY, 0, 0, 1, 0},  {WM_DESTROY, 0, 1, 0, 0},
        {WM_KEYUP, VK_ESCAPE, 0, 0, 1},  {WM_NCCREATE, 0, 0, 0, 1},
    };
    for (const auto& c : cases) {
        const Routing r = Route(c.message, c.wParam, c.engineDestroying);
        EXPECT_EQ(std::pair(r.toEngine, r.defaultProcessing), std::pair(c.toEngine, c.defaultProcessing))
            << "message " << std::hex << c.message << " " << c.wParam;
    }
}

// An activation that another program's thread sends while the game waits
// in the background reaches the game's loop at once: the wait ends, with no
// other message needed to end it.
std::atomic<int> Activated{0};
LRESULT CALLBACK ActivationWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_ACTIVATEAPP) return DefWindowProcW(window, message, wParam, lParam);
    Activated = int(wParam);
    WakeAfterSentMessage(window);
    return 0;
}

TEST(Win32Layer, AnActivationSentDuringTheWaitEndsIt) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ActivationWindow;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ActivationTest";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, L"ActivationTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    MSG message;
    while (NextSystemMessage(&message, 0)) DispatchMessageW(&message);
    std::atomic<int> returned{0}, rescued{0};
    // Another thread activates the window, then, should the wait not have
    // ended 3 s later, ends it with a posted message of its own.
    struct Other {
        HWND window;
        std::atomic<int>* returned;
        std::atomic<int>* rescued;
    } other{window, &returned, &rescued};
    const HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* o = static_cast<Other*>(p);
            Sleep(200);
            SendMessageW(o->window, WM_ACTIVATEAPP, 1, 0);
            for (int i = 0; i < 30 && !*o->returned; i++) Sleep(100);
            if (!*o->returned) {
                *o->rescued = 1;
                PostMessageW(o->window, WM_USER, 0, 0);
            }
            return 0;
        },
        &other, 0, nullptr);
    while (!Activated || !returned) {
        if (NextSystemMessage(&message, 1)) DispatchMessageW(&message);
        returned = Activated.load();
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    DestroyWindow(window);
    EXPECT_EQ(std::tuple(Activated.load(), rescued.load()), std::tuple(1, 0));
}

TEST(Win32Layer, TextGoesBetweenUtf8AndUtf16WholeOrNotAtAll) {
    const char* utf8 = "C:\\\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0\\data\\\xC3\xA9t\xC3\xA9.bmp";  // C:\ゲーム\data\été.bmp
    const wchar_t* utf16 = L"C:\\\u30B2\u30FC\u30E0\\data\\\u00E9t\u00E9.bmp";
    wchar_t wide[64];
    char back[64];
    ASSERT_EQ(Utf8ToWide(utf8, wide, 64), 1);
    EXPECT_EQ(std::wstring(wide), utf16);
    ASSERT_EQ(WideToUtf8(wide, back, 64), 1);
    EXPECT_STREQ(back, utf8);
    // Not UTF-8, or too long for the buffer: refused and empty, never cut.
    EXPECT_EQ(Utf8ToWide("ab\xFF", wide, 64), 0);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(Utf8ToWide(utf8, wide, 10), 0);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(WideToUtf8(utf16, back, 10), 0);
    EXPECT_EQ(back[0], 0);
    EXPECT_EQ(Utf8ToWide("", wide, 1), 1);
}

TEST(Win32Layer, FilesInAFolderOfAnyNameOpenAndStartOverInPlaceByteForByte) {
    // Bytes that a C library's text mode would change or stop at.
    const std::string first("\x0D\x0A\x1A\x0D", 4), second("\x1A\x0A\x0D", 3);
    testutil::ScratchFolder scratch;
    const std::filesystem::path folder = std::filesystem::path(scratch.path()) / L"\u30B2\u30FC\u30E0 \u00E9t\u00E9";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / L"stage0.da1", std::ios::binary) << first;
    const std::u8string name = (folder / L"stage0.da1").u8string();
    const std::string path(name.begin(), name.end()), gone = path + ".gone";
    auto readAll = [](std::FILE* file) {
        std::string read;
        for (int c; (c = std::fgetc(file)) != EOF;) read += char(c);
        return read;
    };

    std::FILE* file = OpenByUtf8Path(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(readAll(file), first);
    // Read to its end, the file is opened again into the same stream.
    std::ofstream(folder / L"stage0.da1", std::ios::binary | std::ios::trunc) << second;
    ASSERT_EQ(ReopenInPlace(file, path.c_str()), 1);
    std::rewind(file);
    EXPECT_EQ(readAll(file), second);
    std::rewind(file);
    EXPECT_EQ(ReopenInPlace(file, gone.c_str()), 0);
    EXPECT_EQ(ReopenInPlace(file, "\xFF"), 0);
    EXPECT_EQ(std::fgetc(file), 0x1A);  // still the stream it was
    std::fclose(file);
    EXPECT_EQ(OpenByUtf8Path(gone.c_str(), "rb"), nullptr);
}

TEST(Win32Layer, KeysAreHeldWhileTheirHighBitIsSet) {
    // Z and VK_CLEAR (keypad 5 with Num Lock off) held; then Z toggled, not held.
    const struct {
        BYTE z, clear;
        bool held;
    } cases[] = {{0x80, 0x80, true}, {0x01, 0, false}};
    for (const auto& c : cases) {
        BYTE keys[256] = {};
        keys['Z'] = c.z, keys[VK_CLEAR] = c.clear;
        ASSERT_TRUE(SetKeyboardState(keys));
        EXPECT_EQ(std::pair(KeyStateOf('Z') < 0, KeyStateOf(VK_NUMPAD5) < 0), std::pair(c.held, c.held));
        EXPECT_GE(KeyStateOf('X'), 0);
    }
    EXPECT_EQ(KeyStateOf(-1), 0);
    EXPECT_EQ(KeyStateOf(256), 0);
}

// A joyGetPosEx answer, as the layer hands it to the engine's pads.
void PlugPad(MMRESULT result, DWORD x, DWORD buttons, DWORD pov = JOY_POVCENTERED) {
    JOYINFOEX info = {};
    info.dwXpos = x, info.dwYpos = 32767, info.dwButtons = buttons, info.dwPOV = pov;
    ktScript::State.pads[0].present = PadReadingOf(result, info, &ktScript::State.pads[0].reading);
}

std::pair<int32_t, int32_t> Stick(int32_t x = 7, int32_t y = 7) {
    ktSystem::PadStick(0, &x, &y);
    return {x, y};
}

TEST(Win32Layer, JoystickReadingsFollowTheHalfWayRule) {
    ktScript::UseScriptedPlatform();
    ktSystem::ResetForTests();
    PlugPad(JOYERR_NOERROR, 32767, 0);
    ktSystem::OpenPads();
    EXPECT_EQ(ktSystem::PadCentreX[0], 32767);
    // The stick, then the direction pad, reported as a point of view, pushing
    // the stick to its ends.
    const struct {
        DWORD x, pov;
        std::pair<int32_t, int32_t> direction;
    } cases[] = {
        {0, JOY_POVCENTERED, {-1, 0}},     {16383, JOY_POVCENTERED, {-1, 0}}, {16384, JOY_POVCENTERED, {0, 0}},
        {49149, JOY_POVCENTERED, {0, 0}},  {49150, JOY_POVCENTERED, {1, 0}},  {65535, JOY_POVCENTERED, {1, 0}},
        {32767, 0, {0, -1}},     {32767, 4500, {1, -1}},   {32767, 9000, {1, 0}},   {32767, 13500, {1, 1}},
        {32767, 18000, {0, 1}},  {32767, 22500, {-1, 1}},  {32767, 27000, {-1, 0}}, {32767, 31500, {-1, -1}},
    };
    for (const auto& c : cases) {
        PlugPad(JOYERR_NOERROR, c.x, 0, c.pov);
        EXPECT_EQ(Stick(), c.direction) << c.x << " " << c.pov;
    }
    PlugPad(JOYERR_NOERROR, 32767, 0x8);
    EXPECT_EQ(ktSystem::PadButton(0, 4), 1);
    EXPECT_EQ(ktSystem::PadButton(0, 1), 0);
    // Unplugged (what joyGetPosEx answers without a pad): no button, and the
    // stick keeps the last direction.
    PlugPad(JOYERR_UNPLUGGED, 0, 0xF);
    EXPECT_EQ(Stick(1, -1), std::pair(1, -1));
    EXPECT_EQ(ktSystem::PadButton(0, 1), 0);
}

}  // namespace
