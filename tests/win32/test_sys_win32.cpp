// The Windows layer's translation rules, checked without a window: which
// system messages reach the engine's procedure and which get the default
// processing, UTF-8 ↔ UTF-16 paths, keys, joystick readings under the
// engine's half-way rule, and the picture's place on the monitor.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

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
        int engineDestroying;
        Routing want;
    } cases[] = {
        {WM_ACTIVATEAPP, 1, 0, {1, 0}},
        {WM_SETCURSOR, 0, 0, {1, 0}},
        {WM_MOVE, 0, 0, {1, 1}},
        {WM_SYSCOMMAND, SC_SCREENSAVE, 0, {1, 0}},      // no screen saver
        {WM_SYSCOMMAND, SC_SCREENSAVE | 3, 0, {1, 0}},  // the low four bits are the system's
        {WM_SYSCOMMAND, SC_CLOSE, 0, {1, 1}},           // the close request goes on to WM_CLOSE
        {WM_KEYDOWN, VK_ESCAPE, 0, {1, 1}},
        {WM_SYSKEYDOWN, VK_F4, 0, {1, 0}},              // Alt+F4 and F10 stop at the engine
        {WM_SYSCHAR, 'x', 0, {0, 0}},
        {WM_RBUTTONDBLCLK, 0, 0, {1, 0}},
        {WM_CLOSE, 0, 0, {1, 0}},                       // the engine destroys the window itself
        {WM_DESTROY, 0, 0, {1, 0}},
        {WM_DESTROY, 0, 1, {0, 0}},  // the engine's own destroying: it tells its procedure itself
        {WM_KEYUP, VK_ESCAPE, 0, {0, 1}},
        {WM_NCCREATE, 0, 0, {0, 1}},
    };
    for (const auto& c : cases) {
        const Routing r = Route(c.message, c.wParam, c.engineDestroying);
        EXPECT_EQ(r.toEngine, c.want.toEngine) << "message " << std::hex << c.message << " " << c.wParam;
        EXPECT_EQ(r.defaultProcessing, c.want.defaultProcessing) << "message " << std::hex << c.message << " " << c.wParam;
    }
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
    const char* path = reinterpret_cast<const char*>(name.c_str());

    std::FILE* file = OpenByUtf8Path(path, "rb");
    ASSERT_NE(file, nullptr);
    std::string read;
    for (int c; (c = std::fgetc(file)) != EOF;) read += char(c);
    EXPECT_EQ(read, first);
    // Read to its end, the file is opened again into the same stream.
    std::ofstream(folder / L"stage0.da1", std::ios::binary | std::ios::trunc) << second;
    ASSERT_EQ(ReopenInPlace(file, path), 1);
    std::rewind(file);
    read.clear();
    for (int c; (c = std::fgetc(file)) != EOF;) read += char(c);
    EXPECT_EQ(read, second);
    std::fclose(file);
    file = OpenByUtf8Path(path, "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ReopenInPlace(file, (std::string(path) + ".gone").c_str()), 0);
    EXPECT_EQ(ReopenInPlace(file, "\xFF"), 0);
    EXPECT_EQ(std::fgetc(file), 0x1A);  // still the stream it was
    std::fclose(file);
    EXPECT_EQ(OpenByUtf8Path((std::string(path) + ".gone").c_str(), "rb"), nullptr);
}

TEST(Win32Layer, KeysAreHeldWhileTheirHighBitIsSet) {
    BYTE keys[256] = {};
    keys['Z'] = 0x80;
    keys[VK_CLEAR] = 0x80;  // keypad 5 with Num Lock off
    ASSERT_TRUE(SetKeyboardState(keys));
    EXPECT_LT(KeyStateOf('Z'), 0);
    EXPECT_GE(KeyStateOf('X'), 0);
    EXPECT_LT(KeyStateOf(VK_NUMPAD5), 0);
    EXPECT_EQ(KeyStateOf(-1), 0);
    EXPECT_EQ(KeyStateOf(256), 0);
    keys['Z'] = 0x01;  // toggled, not held
    keys[VK_CLEAR] = 0;
    ASSERT_TRUE(SetKeyboardState(keys));
    EXPECT_GE(KeyStateOf('Z'), 0);
    EXPECT_GE(KeyStateOf(VK_NUMPAD5), 0);
}

// joyGetPosEx answers, as the layer hands them to the engine's pads.
void PlugPad(MMRESULT result, DWORD x, DWORD y, DWORD buttons, DWORD pov = JOY_POVCENTERED) {
    JOYINFOEX info = {};
    info.dwSize = sizeof info;
    info.dwXpos = x;
    info.dwYpos = y;
    info.dwButtons = buttons;
    info.dwPOV = pov;
    ktScript::State.pads[0].present = PadReadingOf(result, info, &ktScript::State.pads[0].reading);
}

TEST(Win32Layer, JoystickReadingsFollowTheHalfWayRule) {
    ktScript::UseScriptedPlatform();
    ktSystem::ResetForTests();
    PlugPad(JOYERR_NOERROR, 32767, 32767, 0);
    ktSystem::OpenPads();
    EXPECT_EQ(ktSystem::PadCentreX[0], 32767);
    const struct {
        DWORD x;
        int32_t direction;
    } cases[] = {{0, -1}, {16383, -1}, {16384, 0}, {49149, 0}, {49150, 1}, {65535, 1}};
    for (const auto& c : cases) {
        PlugPad(JOYERR_NOERROR, c.x, 32767, 0);
        int32_t x = 7, y = 7;
        ktSystem::PadStick(0, &x, &y);
        EXPECT_EQ(x, c.direction) << c.x;
        EXPECT_EQ(y, 0);
    }
    // The direction pad, reported as a point of view, pushes the stick to its ends.
    const struct {
        DWORD pov;
        int32_t x, y;
    } pads[] = {{0, 0, -1}, {4500, 1, -1}, {9000, 1, 0}, {13500, 1, 1}, {18000, 0, 1},
                {22500, -1, 1}, {27000, -1, 0}, {31500, -1, -1}, {JOY_POVCENTERED, 0, 0}};
    for (const auto& p : pads) {
        PlugPad(JOYERR_NOERROR, 32767, 32767, 0, p.pov);
        int32_t x = 7, y = 7;
        ktSystem::PadStick(0, &x, &y);
        EXPECT_EQ(x, p.x) << p.pov;
        EXPECT_EQ(y, p.y) << p.pov;
    }
    PlugPad(JOYERR_NOERROR, 32767, 32767, 0x8);
    EXPECT_EQ(ktSystem::PadButton(0, 4), 1);
    EXPECT_EQ(ktSystem::PadButton(0, 1), 0);
    // Unplugged (what joyGetPosEx answers without a pad): no button, and the
    // stick keeps the last direction.
    PlugPad(JOYERR_UNPLUGGED, 0, 0, 0xF);
    int32_t x = 1, y = -1;
    ktSystem::PadStick(0, &x, &y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, -1);
    EXPECT_EQ(ktSystem::PadButton(0, 1), 0);
}

TEST(Win32Layer, ThePictureIsScaledByWholeFactorsAndCentredOnTheMonitor) {
    const struct {
        int screenWidth, screenHeight;
        Placement want;
    } cases[] = {
        {1280, 720, {160, 0, 960, 720, 3}},
        {1920, 1080, {320, 60, 1280, 960, 4}},
        {1366, 768, {203, 24, 960, 720, 3}},
        {3840, 2160, {480, 0, 2880, 2160, 9}},
        {320, 240, {0, 0, 320, 240, 1}},
        {319, 240, {0, 0, 0, 0, 0}},  // too small: no place at all
    };
    for (const auto& c : cases) {
        const Placement p = Place(c.screenWidth, c.screenHeight, 320, 240);
        EXPECT_EQ(p.x, c.want.x) << c.screenWidth;
        EXPECT_EQ(p.y, c.want.y) << c.screenWidth;
        EXPECT_EQ(p.width, c.want.width) << c.screenWidth;
        EXPECT_EQ(p.height, c.want.height) << c.screenWidth;
        EXPECT_EQ(p.scale, c.want.scale) << c.screenWidth;
    }
}

}  // namespace
