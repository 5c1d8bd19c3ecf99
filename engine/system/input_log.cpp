// The log of frames (see input_log.h). The coder is a binary range coder
// with adaptive probabilities of 11 bits, each moved a thirty-second of the
// way toward what it sees; one function codes a frame for both the writer
// and the reader, so that the two can never disagree on the format.
#include "input_log.h"

#include <cstring>

namespace ktSystem {

namespace {

constexpr int ProbabilityBits = 11;
constexpr uint16_t Half = 1 << (ProbabilityBits - 1);  // a probability of one half
constexpr int MoveBits = 5;
constexpr uint32_t Top = 1u << 24;
// A tick step or a second reading of 255 ms or more is written whole.
constexpr uint32_t LongStep = 255;
constexpr int KeyBits = 16;

// A value of `bits` bits, its highest bit first, each bit's probability
// chosen by the bits above it.
template <typename Coder>
uint32_t Tree(Coder& coder, uint16_t* probabilities, int bits, uint32_t value) {
    uint32_t node = 1;
    for (int i = bits - 1; i >= 0; i--) node = (node << 1) | uint32_t(coder.Bit(probabilities[node], (value >> i) & 1));
    return node - (1u << bits);
}

// A step in milliseconds: below 255 by its bits, else 255 and all 32 bits.
template <typename Coder>
uint32_t Step(Coder& coder, uint16_t* probabilities, uint32_t value) {
    const uint32_t small = Tree(coder, probabilities, 8, value < LongStep ? value : LongStep);
    return small < LongStep ? small : coder.Direct(value, 32);
}

// One frame, written (the writer takes the bits from `f`) or read (the
// reader fills `f`).
template <typename Coder>
void CodeFrame(Coder& c, InputModel& m, FrameInput& f) {
    // The tick step: most frames take the last step or the one before it.
    int outcome = 2;
    if (c.Bit(m.tickRecent[m.outcomes], f.ticks == m.recent)) {
        f.ticks = m.recent;
        outcome = 0;
    } else if (c.Bit(m.tickBefore[m.outcomes], f.ticks == m.before)) {
        f.ticks = m.before;
        outcome = 1;
    } else {
        f.ticks = Step(c, m.tickValue, f.ticks);
    }
    if (outcome != 0) {
        m.before = m.recent;
        m.recent = f.ticks;
    }
    m.outcomes = (m.outcomes * 3 + outcome) % 9;
    f.ticksAfter = c.Bit(m.afterZero, f.ticksAfter == 0) ? 0 : Step(c, m.afterValue, f.ticksAfter);
    f.standStill = uint8_t(c.Bit(m.standStill, f.standStill != 0));

    // The keys: whether any changed, then which.
    const int changed = c.Bit(m.keysChanged[m.lastChanged], f.keys != m.last.keys);
    if (changed) {
        uint32_t keys = m.last.keys;
        for (int i = 0; i < KeyBits; i++)
            if (c.Bit(m.keyToggled[i], ((f.keys ^ m.last.keys) >> i) & 1)) keys ^= 1u << i;
        f.keys = keys;
    } else {
        f.keys = m.last.keys;
    }
    m.lastChanged = uint8_t(changed);

    // Each pad: as before, or what it reads now.
    for (int p = 0; p < 2; p++) {
        PadInput& pad = f.pads[p];
        const PadInput& was = m.last.pads[p];
        const bool same = !pad.centreTaken && pad.readable == was.readable && pad.x == was.x && pad.y == was.y &&
                          pad.buttons == was.buttons;
        if (c.Bit(m.padSame[p], same)) {
            pad = was;
            continue;
        }
        pad.readable = uint8_t(c.Bit(m.padReadable[p], pad.readable != 0));
        if (!pad.readable) {
            pad = PadInput{};
            continue;
        }
        pad.centreTaken = uint8_t(c.Bit(m.padCentre[p], pad.centreTaken != 0));
        if (pad.centreTaken) {
            pad.centreX = uint16_t(c.Direct(pad.centreX, 16));
            pad.centreY = uint16_t(c.Direct(pad.centreY, 16));
        } else {
            pad.centreX = pad.centreY = 0;
        }
        pad.x = int8_t(int(Tree(c, m.padAxis[p][0], 2, uint32_t(pad.x + 1))) - 1);
        pad.y = int8_t(int(Tree(c, m.padAxis[p][1], 2, uint32_t(pad.y + 1))) - 1);
        pad.buttons = uint8_t(Tree(c, m.padButtons[p], 4, pad.buttons & 15u));
    }
    m.last = f;
    for (PadInput& pad : m.last.pads) pad.centreTaken = 0, pad.centreX = pad.centreY = 0;
}

template <size_t N>
void SetHalf(uint16_t (&probabilities)[N]) {
    for (uint16_t& p : probabilities) p = Half;
}

}  // namespace

void ResetModel(InputModel& m) {
    std::memset(&m, 0, sizeof m);
    SetHalf(m.tickRecent);
    SetHalf(m.tickBefore);
    SetHalf(m.tickValue);
    m.afterZero = Half;
    SetHalf(m.afterValue);
    m.standStill = Half;
    SetHalf(m.keysChanged);
    SetHalf(m.keyToggled);
    SetHalf(m.padSame);
    SetHalf(m.padReadable);
    SetHalf(m.padCentre);
    for (auto& pad : m.padAxis)
        for (auto& axis : pad) SetHalf(axis);
    for (auto& pad : m.padButtons) SetHalf(pad);
}

// ---- Writing ------------------------------------------------------------------

InputWriter::InputWriter(uint8_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {
    ResetModel(model_);
}

void InputWriter::ShiftLow() {
    if (uint32_t(low_) < 0xFF000000u || (low_ >> 32) != 0) {
        const uint8_t carry = uint8_t(low_ >> 32);
        uint8_t byte = cache_;
        do {
            if (at_ < capacity_)
                buffer_[at_++] = uint8_t(byte + carry);
            else
                full_ = true;
            byte = 0xFF;
        } while (--cacheSize_ != 0);
        cache_ = uint8_t(low_ >> 24);
    }
    cacheSize_++;
    low_ = (low_ & 0x00FFFFFFu) << 8;
}

int InputWriter::Bit(uint16_t& probability, int bit) {
    const uint32_t bound = (range_ >> ProbabilityBits) * probability;
    if (!bit) {
        range_ = bound;
        probability = uint16_t(probability + (((1u << ProbabilityBits) - probability) >> MoveBits));
    } else {
        low_ += bound;
        range_ -= bound;
        probability = uint16_t(probability - (probability >> MoveBits));
    }
    while (range_ < Top) {
        range_ <<= 8;
        ShiftLow();
    }
    return bit;
}

uint32_t InputWriter::Direct(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; i--) {
        range_ >>= 1;
        if ((value >> i) & 1) low_ += range_;
        while (range_ < Top) {
            range_ <<= 8;
            ShiftLow();
        }
    }
    return value;
}

void InputWriter::Write(const FrameInput& frame) {
    FrameInput f = frame;
    CodeFrame(*this, model_, f);
}

size_t InputWriter::Done() {
    for (int i = 0; i < 5; i++) ShiftLow();
    return full_ ? 0 : at_;
}

// ---- Reading ------------------------------------------------------------------

InputReader::InputReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {
    ResetModel(model_);
    if (Next() != 0) overrun_ = true;  // a stream always starts with a zero byte
    for (int i = 0; i < 4; i++) code_ = (code_ << 8) | Next();
}

uint8_t InputReader::Next() {
    if (at_ < size_) return bytes_[at_++];
    overrun_ = true;
    return 0;
}

int InputReader::Bit(uint16_t& probability, int) {
    const uint32_t bound = (range_ >> ProbabilityBits) * probability;
    int bit;
    if (code_ < bound) {
        range_ = bound;
        probability = uint16_t(probability + (((1u << ProbabilityBits) - probability) >> MoveBits));
        bit = 0;
    } else {
        code_ -= bound;
        range_ -= bound;
        probability = uint16_t(probability - (probability >> MoveBits));
        bit = 1;
    }
    while (range_ < Top) {
        range_ <<= 8;
        code_ = (code_ << 8) | Next();
    }
    return bit;
}

uint32_t InputReader::Direct(uint32_t, int bits) {
    uint32_t value = 0;
    for (int i = 0; i < bits; i++) {
        range_ >>= 1;
        const uint32_t bit = code_ >= range_ ? 1u : 0u;
        if (bit) code_ -= range_;
        value = (value << 1) | bit;
        while (range_ < Top) {
            range_ <<= 8;
            code_ = (code_ << 8) | Next();
        }
    }
    return value;
}

int InputReader::Read(FrameInput* frame) {
    if (overrun_) return 0;
    FrameInput f{};
    CodeFrame(*this, model_, f);
    // A direction is -1, 0 or +1: the fourth code of its two bits is damage.
    for (const PadInput& pad : f.pads)
        if (pad.x > 1 || pad.y > 1) overrun_ = true;
    if (overrun_) return 0;
    *frame = f;
    return 1;
}

}  // namespace ktSystem
