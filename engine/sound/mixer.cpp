// The mixer: runs on the audio device's thread and adds every sounding copy
// of every sound into the device's buffer. The table only changes while the
// mixer is held off, so one call sees it whole.
#include <cstddef>
#include <cstdint>

#include "ktSound.h"

namespace ktSound {

namespace {

// Frames summed at a time in 32 bits before they are clipped to 16.
constexpr int ChunkFrames = 256;

int16_t Clip(int32_t value) {
    if (value > 32767) return 32767;
    if (value < -32768) return -32768;
    return int16_t(value);
}

// Adds `frames` frames of one voice into `sum`, moving it on; a looping
// voice starts over at the end, any other stops there and is rewound.
void AddVoice(SoundBuffer& voice, const int16_t* samples, uint32_t length, int32_t* sum, int frames) {
    int done = 0;
    while (done < frames && voice.playing) {
        if (voice.position >= length) voice.position = 0;
        uint32_t run = length - voice.position;
        if (run > uint32_t(frames - done)) run = uint32_t(frames - done);
        const int16_t* from = samples + size_t(voice.position) * 2;
        int32_t* to = sum + done * 2;
        for (uint32_t i = 0; i < run * 2; i++) to[i] += from[i];
        done += int(run);
        voice.position += run;
        if (voice.position == length) {
            voice.position = 0;
            if (!voice.looping) voice.playing = 0;
        }
    }
}

// The beep: an 880 Hz square wave of an eighth of a second, faded out over
// its last 1000 frames, added over the sounds into the 32-bit sum.
void AddBeep(int32_t* sum, int frames) {
    for (int i = 0; i < frames && BeepFramesLeft > 0; i++, BeepFramesLeft--) {
        const int phase = int(int64_t(BeepFramesLeft) * 880 * 2 / DeviceRate) & 1;
        const int level = BeepFramesLeft < 1000 ? 6000 * BeepFramesLeft / 1000 : 6000;
        sum[2 * i] += phase ? level : -level;
        sum[2 * i + 1] += phase ? level : -level;
    }
}

}  // namespace

void Mix(int16_t* out, int frames) {
    if (!out || frames <= 0 || !SoundAvailable) return;
    // Held silent: nothing is added and no voice moves on.
    if (SoundHeld && BeepFramesLeft == 0) return;
    for (int start = 0; start < frames; start += ChunkFrames) {
        const int count = frames - start < ChunkFrames ? frames - start : ChunkFrames;
        int16_t* chunk = out + size_t(start) * 2;
        int32_t sum[ChunkFrames * 2];
        for (int i = 0; i < count * 2; i++) sum[i] = chunk[i];
        for (SoundObject& slot : SoundObjects) {
            if (SoundHeld || !slot.hasBuffers || slot.samples.size() < 2) continue;
            const uint32_t length = uint32_t(slot.samples.size() / 2);
            for (SoundBuffer& voice : slot.buffers) {
                if (voice.playing) AddVoice(voice, slot.samples.data(), length, sum, count);
            }
        }
        AddBeep(sum, count);
        for (int i = 0; i < count * 2; i++) chunk[i] = Clip(sum[i]);
    }
}

}  // namespace ktSound
