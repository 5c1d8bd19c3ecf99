// What the game reads from outside in one frame, and a compact log of it:
// the frames of a game as one stream of bytes, coded with an adaptive binary
// range coder, so that a game can be played again exactly from its log.
//
// Each frame holds the tick counts the frame loop read, the keys of the
// game's key list as the frame read them, each pad as the game sees it (a
// direction per axis by the half-way rule, its first four buttons, and the
// centre it got if this frame gave its first reading), and whether the game
// stood still (inactive) just before it. Nothing is allocated: the writer
// fills a buffer it is given, the reader reads one it is given and never
// reads past its end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ktSystem {

struct PadInput {
    uint8_t readable;     // 1: the pad gave a reading this frame
    int8_t x, y;          // -1, 0, +1 by the half-way rule around its centre
    uint8_t buttons;      // bit n: button n + 1 held (buttons 1 to 4)
    uint8_t centreTaken;  // 1: this reading was the pad's first; its centre follows
    uint16_t centreX, centreY;
};

// The most keys a game may read (its key list, GameEntry::Keys).
constexpr int MaxGameKeys = 16;

struct FrameInput {
    uint32_t ticks;       // milliseconds from the last measurement (or timer reset) to the frame's
    uint32_t ticksAfter;  // milliseconds from then until the frame's second reading
    uint32_t keys;        // bit i: the game's key i held
    uint8_t standStill;   // 1: the game stood still (inactive) just before this frame
    PadInput pads[2];
};

// The coder's probabilities for every decision of a frame, as they adapt.
struct InputModel {
    uint16_t tickRecent[9];     // the step is the last one
    uint16_t tickBefore[9];     // ... the one before it
    uint16_t tickValue[256];    // any other step, 0 to 254 (255: a 32-bit step follows)
    uint16_t afterZero;         // the second reading in the same millisecond
    uint16_t afterValue[256];
    uint16_t standStill;
    uint16_t keysChanged[2];
    uint16_t keyToggled[16];
    uint16_t padSame[2];
    uint16_t padReadable[2];
    uint16_t padCentre[2];
    uint16_t padAxis[2][2][4];  // pad, axis, bit tree of the direction
    uint16_t padButtons[2][16];
    // What the decisions are taken against.
    uint32_t recent, before;    // the last two distinct tick steps
    int outcomes;               // how the last two steps were coded, 0 to 8
    uint8_t lastChanged;
    FrameInput last;
};
void ResetModel(InputModel& model);

// Writes frames into `buffer`. Done() finishes the stream and gives its
// length, or 0 when the buffer was too small for it.
class InputWriter {
public:
    InputWriter(uint8_t* buffer, size_t capacity);
    void Write(const FrameInput& frame);
    size_t Done();
    size_t Written() const { return at_; }
    bool Full() const { return full_; }

    // The coder's own steps (public for the frame model's one shared coding).
    int Bit(uint16_t& probability, int bit);
    uint32_t Direct(uint32_t value, int bits);

private:
    void ShiftLow();
    uint8_t* buffer_;
    size_t capacity_;
    size_t at_ = 0;
    bool full_ = false;
    uint64_t low_ = 0;
    uint32_t range_ = 0xFFFFFFFFu;
    uint8_t cache_ = 0;
    uint64_t cacheSize_ = 1;
    InputModel model_;
};

// Reads the frames of a stream. Read() gives 0 once the stream is damaged
// (it ran past its end, or holds what no frame can).
class InputReader {
public:
    InputReader(const uint8_t* bytes, size_t size);
    int Read(FrameInput* frame);

    int Bit(uint16_t& probability, int bit);
    uint32_t Direct(uint32_t value, int bits);

private:
    uint8_t Next();
    const uint8_t* bytes_;
    size_t size_;
    size_t at_ = 0;
    bool overrun_ = false;
    uint32_t range_ = 0xFFFFFFFFu;
    uint32_t code_ = 0;
    InputModel model_;
};

}  // namespace ktSystem
