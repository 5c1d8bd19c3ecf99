// Keyboard and joystick input: key states by virtual-key code, and pads 0
// and 1 with their centres read once at start.
#include "ktSystem.h"

namespace ktSystem {

using namespace ktPlatform;

int32_t PadCentreX[2] = {0, 0};
int32_t PadCentreY[2] = {0, 0};

int16_t GetKeyState(int vk) { return Sys.KeyState(vk); }

void OpenPads() {
    Sys.PadConfigChanged();
    for (int pad = 0; pad < 2; pad++) {
        PadReading reading;
        if (Sys.PadRead(pad, &reading)) {
            PadCentreX[pad] = int32_t(reading.x);
            PadCentreY[pad] = int32_t(reading.y);
        } else {
            PadCentreX[pad] = 0;
            PadCentreY[pad] = 0;
        }
    }
}

int PadButton(int pad, int button) {
    PadReading reading;
    if (!Sys.PadRead(pad, &reading)) return 0;
    if (button < 1 || button > 32) return 0;
    return int((reading.buttons >> (button - 1)) & 1u);
}

namespace {
// -1 when the stick is pushed past half-way toward 0, +1 past half-way toward
// twice the centre, else 0.
int32_t Direction(int32_t position, int32_t centre) {
    int32_t half = centre / 2;
    if (position <= half) return -1;
    if (position >= centre + half) return 1;
    return 0;
}
}  // namespace

void PadStick(int pad, int32_t* x, int32_t* y) {
    PadReading reading;
    if (pad < 0 || pad > 1 || !Sys.PadRead(pad, &reading)) return;  // keep the last direction
    *x = Direction(int32_t(reading.x), PadCentreX[pad]);
    *y = Direction(int32_t(reading.y), PadCentreY[pad]);
}

}  // namespace ktSystem
