// The browser layer's rules that need no browser (sys_web.h): the key
// events it turns into messages, the tick counter, and pads as joystick
// readings. The browser side itself is tested in headless Chromium
// (tests/web/browser_test.js).
#include "engine_fixture.h"
#include "sys_web.h"

using namespace ktPlatform;

TEST(WebLayer, KeyEventsBecomeTheGamesMessagesAndTheTickCounterWraps) {
    const struct {
        unsigned long keyCode;  // the browser's
        bool alt;
        int vk;                 // 0: no message
        bool gameKey;           // the page keeps the browser's own action off
        uint32_t message;
    } cases[] = {
        {13, false, VK_RETURN, true, WM_KEYDOWN},  // Enter, the keypad's too
        {27, false, VK_ESCAPE, true, WM_KEYDOWN},  {37, false, VK_LEFT, true, WM_KEYDOWN},
        {38, false, VK_UP, true, WM_KEYDOWN},      {39, false, VK_RIGHT, true, WM_KEYDOWN},
        {40, false, VK_DOWN, true, WM_KEYDOWN},    {90, false, VK_Z, true, WM_KEYDOWN},
        {88, false, VK_X, true, WM_KEYDOWN},       {67, false, VK_C, true, WM_KEYDOWN},
        {101, false, VK_NUMPAD5, true, WM_KEYDOWN},  // keypad 5 with Num Lock
        {12, false, 0x0C, false, WM_KEYDOWN},        // ... without it: not the skip key
        {32, false, 0x20, false, WM_KEYDOWN},        // Space is the page's
        {27, true, VK_ESCAPE, true, WM_SYSKEYDOWN},  // Alt+Escape does not end the game
        {121, false, VK_F10, false, WM_SYSKEYDOWN},  {18, false, 0x12, false, WM_SYSKEYDOWN},  // Alt itself
        {0, false, 0, false, 0},  {300, false, 0, false, 0},  // keys the browser cannot name
    };
    for (const auto& c : cases) {
        const int vk = ktWeb::VirtualKey(c.keyCode);
        EXPECT_EQ(vk, c.vk) << c.keyCode;
        EXPECT_EQ(ktWeb::IsGameKey(vk), c.gameKey) << c.keyCode;
        EXPECT_EQ(vk ? ktWeb::KeyDownMessage(vk, c.alt) : 0u, c.message) << c.keyCode;
    }
    const std::pair<double, uint32_t> ticks[] = {{0.0, 0u}, {1234.9, 1234u}, {4294967295.5, 4294967295u},
                                                 {4294967296.0, 0u}, {4294967296.0 + 16.2, 16u}, {-1.0, 0u}};
    for (const auto& [ms, tick] : ticks) EXPECT_EQ(ktWeb::TickFromMilliseconds(ms), tick) << ms;
    // A frame across the wrap measures its true step.
    EXPECT_EQ(ktWeb::TickFromMilliseconds(4294967296.0 + 6.0) - ktWeb::TickFromMilliseconds(4294967286.0), 16u);
}

// Gamepad API pads read as on the desktop. The browser shows a pad only
// after its first press, long after start-up: its centre is then its first
// reading, the browser's rest position, and it steers by the half-way rule
// from there.
TEST_F(EngineTest, WebPadsReadAsOnTheDesktopAndSteerFromTheirFirstReading) {
    auto pad = [](bool standard, int axisCount, double x, double y, std::initializer_list<int> held) {
        ktWeb::Gamepad g{standard, axisCount, {x, y}, 17, {}};
        for (int b : held) g.buttons[b] = true;
        return g;
    };
    const struct {
        ktWeb::Gamepad pad;
        PadReading reading;
    } cases[] = {
        // Axes: -1 … 1 onto 0 … 65535, the rest position in the middle; no axes: at rest.
        {pad(true, 2, -1.0, 1.0, {}), {0, 65535, 0, 0}},          {pad(true, 2, 0.0, 0.5, {}), {32768, 49151, 0, 0}},
        {pad(false, 0, 0.7, 0.7, {}), {32768, 32768, 0, 0}},      {pad(false, 2, -7.0, 9.0, {}), {0, 65535, 0, 0}},
        // A standard pad: south, east, west and Start are buttons 1 to 4;
        // its direction pad is the hat.
        {pad(true, 2, 0.0, 0.0, {0, 1, 2, 9}), {32768, 32768, 0xF, 0}},  {pad(true, 2, 0, 0, {3, 8}), {32768, 32768, 0, 0}},
        {pad(true, 2, 0.3, 0.3, {14, 12}), {42598, 42598, 0, PadHatLeft | PadHatUp}},
        {pad(true, 2, 0.0, 0.0, {15, 13}), {32768, 32768, 0, PadHatRight | PadHatDown}},
        // Any other pad: its raw buttons 0 to 3, no direction pad.
        {pad(false, 2, 0.0, 0.0, {3, 9, 14}), {32768, 32768, 0x8, 0}},
    };
    for (const auto& c : cases) {
        const PadReading r = ktWeb::ReadingOf(c.pad);
        EXPECT_EQ(std::tie(r.x, r.y, r.buttons, r.hat), std::tie(c.reading.x, c.reading.y, c.reading.buttons, c.reading.hat));
    }

    ktSystem::OpenPads();  // no pad shown yet
    ktScript::State.pads[0] = {1, ktWeb::ReadingOf(pad(true, 2, 0.0, 0.0, {0}))};
    EXPECT_EQ(ktSystem::PadButton(0, 1), 1);
    // Half-way from the centre 32768 is 16384 and 49152: -0.5 reads 16384, 0.5 reads 49151.
    const std::pair<double, int32_t> axes[] = {{-1.0, -1}, {-0.5, -1}, {-0.49997, 0}, {0.0, 0}, {0.5, 0}, {0.50002, 1}};
    for (const auto& [axis, direction] : axes) {
        ktScript::State.pads[0].reading = ktWeb::ReadingOf(pad(true, 2, axis, axis, {}));
        int32_t x = 7, y = 7;
        ktSystem::PadStick(0, &x, &y);
        EXPECT_EQ(std::pair(x, y), std::pair(direction, direction)) << axis;
    }
}
