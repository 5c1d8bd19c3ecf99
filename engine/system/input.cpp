// Keyboard and joystick input: key states by virtual-key code, and pads 0
// and 1, each steered around its centre: the position its stick gave at its
// first reading, at start-up or whenever the pad first answered.
#include "ktSystem.h"

namespace ktSystem {

using namespace ktPlatform;

int32_t PadCentreX[2] = {0, 0};
int32_t PadCentreY[2] = {0, 0};
int32_t PadCentred[2] = {0, 0};

int16_t GetKeyState(int vk) { return Sys.KeyState(vk); }

namespace {

// Reads a pad: 0 when it cannot be read. The direction pad (or hat) pushes
// the stick to the ends of its axes. The first reading a pad gives is its
// centre.
int ReadPad(int pad, PadReading* reading) {
    *reading = PadReading{};
    if (pad < 0 || pad > 1 || !Sys.PadRead(pad, reading)) return 0;
    if (!PadCentred[pad]) {
        PadCentreX[pad] = int32_t(reading->x);
        PadCentreY[pad] = int32_t(reading->y);
        PadCentred[pad] = 1;
    }
    if (reading->hat & PadHatLeft) reading->x = 0;
    if (reading->hat & PadHatRight) reading->x = 65535;
    if (reading->hat & PadHatUp) reading->y = 0;
    if (reading->hat & PadHatDown) reading->y = 65535;
    return 1;
}

// -1 when the stick is pushed past half-way toward 0, +1 past half-way toward
// twice the centre, else 0.
int32_t Direction(int32_t position, int32_t centre) {
    int32_t half = centre / 2;
    if (position <= half) return -1;
    if (position >= centre + half) return 1;
    return 0;
}

}  // namespace

void OpenPads() {
    Sys.PadConfigChanged();
    for (int pad = 0; pad < 2; pad++) {
        PadCentreX[pad] = PadCentreY[pad] = 0;
        PadCentred[pad] = 0;
        PadReading reading;
        ReadPad(pad, &reading);
    }
}

int PadButton(int pad, int button) {
    PadReading reading;
    if (!ReadPad(pad, &reading)) return 0;
    if (button < 1 || button > 32) return 0;
    return int((reading.buttons >> (button - 1)) & 1u);
}

void PadStick(int pad, int32_t* x, int32_t* y) {
    PadReading reading;
    if (!ReadPad(pad, &reading)) return;  // keep the last direction
    *x = Direction(int32_t(reading.x), PadCentreX[pad]);
    *y = Direction(int32_t(reading.y), PadCentreY[pad]);
}

}  // namespace ktSystem
