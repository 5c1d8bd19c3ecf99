// The browser layer's own rules (see sys_web.cpp), apart from the browser so
// that they can be checked natively: which key events are the game's, pad
// axes and buttons as a joystick reading, and the tick counter.
#pragma once

#include <cmath>
#include <cstdint>

#include "platform.h"

namespace ktWeb {

// The virtual-key code of a browser key event, from its keyCode: for every
// key the game reads, the browser's keyCode is that code (letters by their
// labels in the layout, keypad 5 with Num Lock 0x65, keypad Enter 0x0D).
// 0 for keys without a code.
inline int VirtualKey(unsigned long keyCode) { return keyCode > 0 && keyCode < 256 ? int(keyCode) : 0; }

// The keys the game reads: the page keeps their own meaning in the browser
// (scrolling, finding, submitting) from happening while the game runs.
inline bool IsGameKey(int vk) {
    using namespace ktPlatform;
    switch (vk) {
    case VK_RETURN: case VK_ESCAPE: case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
    case VK_C: case VK_X: case VK_Z: case VK_NUMPAD5:
        return true;
    default:
        return false;
    }
}

// The message of a key press: with Alt held, or for F10 and Alt themselves,
// the system key message, which the game leaves alone.
inline uint32_t KeyDownMessage(int vk, bool alt) {
    return alt || vk == ktPlatform::VK_F10 || vk == 0x12 ? ktPlatform::WM_SYSKEYDOWN : ktPlatform::WM_KEYDOWN;
}

// The tick counter from the browser's clock (milliseconds since the page
// opened), wrapping at 2^32 as the desktop's does.
inline uint32_t TickFromMilliseconds(double ms) {
    if (!(ms >= 0.0)) return 0;
    return uint32_t(uint64_t(std::fmod(ms, 4294967296.0)));
}

// A Gamepad API axis (-1 left or up … 1 right or down) as a joystick axis
// 0…65535; the rest position 0 reads 32768.
inline uint32_t AxisReading(double value) {
    if (!(value >= -1.0)) value = -1.0;  // NaN too
    if (value > 1.0) value = 1.0;
    return uint32_t(std::lround((value + 1.0) * 32767.5));
}

// One pad as the Gamepad API shows it; entries past the counts are unused.
struct Gamepad {
    bool standard;  // the browser maps it to the standard layout
    int axisCount;
    double axes[2];
    int buttonCount;
    bool buttons[17];
};

// Buttons of the standard layout.
constexpr int StandardSouth = 0, StandardEast = 1, StandardWest = 2, StandardStart = 9;
constexpr int StandardUp = 12, StandardDown = 13, StandardLeft = 14, StandardRight = 15;

// A pad's reading: the first stick, the direction pad of a standard pad,
// and buttons 1 to 4 from the south, east and west buttons and Start of a
// standard pad, else its raw buttons 0 to 3. A missing axis rests in the
// middle.
inline ktPlatform::PadReading ReadingOf(const Gamepad& pad) {
    using namespace ktPlatform;
    auto held = [&](int b) { return b < pad.buttonCount && b < 17 && pad.buttons[b]; };
    PadReading reading{AxisReading(pad.axisCount > 0 ? pad.axes[0] : 0.0),
                       AxisReading(pad.axisCount > 1 ? pad.axes[1] : 0.0), 0, 0};
    if (pad.standard) {
        const struct {
            int button;
            uint32_t hat;
        } directions[] = {{StandardUp, PadHatUp}, {StandardRight, PadHatRight}, {StandardDown, PadHatDown},
                          {StandardLeft, PadHatLeft}};
        for (const auto& d : directions)
            if (held(d.button)) reading.hat |= d.hat;
    }
    const int map[4] = {StandardSouth, StandardEast, StandardWest, StandardStart};
    for (int b = 0; b < 4; b++)
        if (held(pad.standard ? map[b] : b)) reading.buttons |= 1u << b;
    return reading;
}

}  // namespace ktWeb
