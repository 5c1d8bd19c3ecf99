// Keyboard and joystick input: key states by virtual-key code, and pads 0
// and 1, each steered around its centre: the position its stick gave at its
// first reading, at start-up or whenever the pad first answered.
//
// Within a frame each key of the game's list and each pad is read from the
// machine once, at the first question, and kept in the frame's input
// (ThisFrame) for the rest of the frame; a frame played from a recording
// answers from the recorded input instead, and never asks the machine.
// Outside frames (start-up, tests) every question reads the machine.
#include "ktSystem.h"

namespace ktSystem {

using namespace ktPlatform;

int32_t PadCentreX[2] = {0, 0};
int32_t PadCentreY[2] = {0, 0};
int32_t PadCentred[2] = {0, 0};

// The frame's reading state (frame_loop.cpp sets them for every frame).
extern int InFrame;
extern int Playing;
extern uint32_t KeysRead;
extern uint32_t PadsRead;
extern uint32_t KeysHeldThrough;
extern uint32_t ButtonsHeldThrough[2];

namespace {

// Reads a pad: 0 when it cannot be read. The direction pad (or hat) pushes
// the stick to the ends of its axes. The first reading a pad gives is its
// centre (*centreTaken is then 1).
int ReadPad(int pad, PadReading* reading, int* centreTaken) {
    *reading = PadReading{};
    *centreTaken = 0;
    if (pad < 0 || pad > 1 || !Sys.PadRead(pad, reading)) return 0;
    if (!PadCentred[pad]) {
        PadCentreX[pad] = int32_t(reading->x);
        PadCentreY[pad] = int32_t(reading->y);
        PadCentred[pad] = 1;
        *centreTaken = 1;
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

// The pad as the running frame sees it: read at the frame's first question
// (the game sees a direction per axis and its first four buttons), or as
// the recording says (a pad's first reading there brings its centre).
const PadInput& FramePad(int pad) {
    PadInput& in = ThisFrame.pads[pad];
    const uint32_t bit = 1u << pad;
    if (PadsRead & bit) return in;
    PadsRead |= bit;
    if (Playing) {
        if (in.centreTaken) {
            PadCentreX[pad] = in.centreX;
            PadCentreY[pad] = in.centreY;
            PadCentred[pad] = 1;
        }
        return in;
    }
    PadReading reading;
    int centreTaken = 0;
    in = PadInput{};
    if (!ReadPad(pad, &reading, &centreTaken)) return in;
    in.readable = 1;
    in.x = int8_t(Direction(int32_t(reading.x), PadCentreX[pad]));
    in.y = int8_t(Direction(int32_t(reading.y), PadCentreY[pad]));
    // A button held through a pause counts as let go until it is.
    ButtonsHeldThrough[pad] &= reading.buttons;
    in.buttons = uint8_t(reading.buttons & 15u & ~ButtonsHeldThrough[pad]);
    in.centreTaken = uint8_t(centreTaken);
    in.centreX = uint16_t(PadCentreX[pad]);
    in.centreY = uint16_t(PadCentreY[pad]);
    return in;
}

}  // namespace

int16_t GetKeyState(int vk) {
    const int key = GameKeyIndex(vk);
    if (!InFrame || key < 0) return Playing ? 0 : Sys.KeyState(vk);
    const uint32_t bit = 1u << key;
    if (!Playing && !(KeysRead & bit)) {
        KeysRead |= bit;
        const bool held = Sys.KeyState(vk) < 0;
        // A key held through a pause counts as let go until it is.
        if (!held) KeysHeldThrough &= ~bit;
        if (held && !(KeysHeldThrough & bit))
            ThisFrame.keys |= bit;
        else
            ThisFrame.keys &= ~bit;
    }
    return (ThisFrame.keys & bit) ? int16_t(-32767 - 1) : int16_t(0);
}

void OpenPads() {
    Sys.PadConfigChanged();
    for (int pad = 0; pad < 2; pad++) {
        PadCentreX[pad] = PadCentreY[pad] = 0;
        PadCentred[pad] = 0;
        PadReading reading;
        int centreTaken = 0;
        ReadPad(pad, &reading, &centreTaken);
    }
}

int PadButton(int pad, int button) {
    if (button < 1 || button > 32 || pad < 0 || pad > 1) return 0;
    if (InFrame) {
        const PadInput& in = FramePad(pad);
        return in.readable && button <= 4 ? int((in.buttons >> (button - 1)) & 1u) : 0;
    }
    PadReading reading;
    int centreTaken = 0;
    if (!ReadPad(pad, &reading, &centreTaken)) return 0;
    return int((reading.buttons >> (button - 1)) & 1u);
}

int PeekPadButton(int pad, int button) {
    PadReading reading{};
    if (pad < 0 || pad > 1 || button < 1 || button > 32 || !Sys.PadRead(pad, &reading)) return 0;
    return int((reading.buttons >> (button - 1)) & 1u);
}

void PadStick(int pad, int32_t* x, int32_t* y) {
    if (pad < 0 || pad > 1) return;
    if (InFrame) {
        const PadInput& in = FramePad(pad);
        if (!in.readable) return;  // keep the last direction
        *x = in.x;
        *y = in.y;
        return;
    }
    PadReading reading;
    int centreTaken = 0;
    if (!ReadPad(pad, &reading, &centreTaken)) return;  // keep the last direction
    *x = Direction(int32_t(reading.x), PadCentreX[pad]);
    *y = Direction(int32_t(reading.y), PadCentreY[pad]);
}

}  // namespace ktSystem
