// ktSound: the sound-object table, loading wave files into it, and starting,
// looping and stopping its copies. The voices themselves are mixed by Mix
// (mixer.cpp) on the audio device's thread; every change of a voice here is
// made while the mixer is held off.
#include "ktSound.h"

#include <cstring>
#include <utility>

#include "ktSystem.h"

namespace ktSound {

using ktPlatform::Sys;

SoundObject SoundObjects[SoundObjectCount];
int SoundAvailable = 0;
int DeviceRate = 0;
int SoundHeld = 0;
int BeepFramesLeft = 0;  // mixer.cpp sounds the beep while this runs down

namespace {

constexpr const char* LoadCaption = "ktSound::LoadObject";
constexpr const char* TooManyObjects = "オブジェクト数が多すぎます";
constexpr const char* WaveNotFound = "WAVEリソースが見つかりません";
constexpr const char* NoSoundBuffer = "サウンドバッファが生成できません";
constexpr const char* NameTooLong = "ファイル名またはリソース名が長すぎます";

constexpr uint64_t MaxBufferBytes = MaxWaveBytes;

// Room for the program folder (up to 4095 characters) and a file name.
constexpr size_t PathSize = 4096 + 256;

void HoldMixer() {
    if (Sys.LockAudio) Sys.LockAudio();
}

void ReleaseMixer() {
    if (Sys.UnlockAudio) Sys.UnlockAudio();
}

void TellSoundCall(const char* verb, const SoundObject& slot) {
    if (Sys.SoundCall) Sys.SoundCall(verb, slot.name);
}

// Silences every copy of a slot and lets go of its samples. The caller holds
// the mixer off.
void DropBuffers(SoundObject& slot) {
    for (SoundBuffer& buffer : slot.buffers) buffer = SoundBuffer{0, 0, 0};
    slot.hasBuffers = 0;
    std::vector<int16_t>().swap(slot.samples);
}

// The program has no wave resources built in, so a sound that cannot be read
// from its file is never found here either.
int FindWaveResource(const char* /*name*/, WaveData* /*out*/) { return 0; }

// How the samples of a wave that can be played are stored: PCM of 8, 16,
// 24 or 32 bits or IEEE float of 32 bits, one to two channels, interleaved.
// `bytes` is the size of one sample, `frameBytes` of one frame.
constexpr uint16_t PcmTag = 1, FloatTag = 3, ExtensibleTag = 0xFFFE;
struct SampleLayout {
    uint16_t coding;  // PcmTag or FloatTag
    uint32_t bytes;
    uint64_t frameBytes;
};

// The tail that every sub-format of the extensible format shares after its
// first two bytes (which give the plain format's tag):
// xxxx0000-0000-0010-8000-00AA00389B71.
constexpr uint8_t SubFormatTail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};

// The layout of a wave's samples; false when the device cannot be fed them.
// An extensible format's extra bytes are the valid bits (2 bytes), the
// channel mask (4), then the sub-format (16); the samples sit in the high
// bits of their container, so the valid bits change nothing here.
bool LayoutOf(const WaveData& wave, SampleLayout* layout) {
    uint16_t coding = wave.formatTag;
    if (coding == ExtensibleTag) {
        if (wave.extra.size() < 22 || std::memcmp(wave.extra.data() + 8, SubFormatTail, 14) != 0) return false;
        coding = uint16_t(wave.extra[6] | wave.extra[7] << 8);
    }
    const uint32_t bits = wave.bitsPerSample;
    if (coding == PcmTag) {
        if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    } else if (coding != FloatTag || bits != 32) {
        return false;
    }
    if (wave.channels < 1 || wave.channels > 2) return false;
    *layout = SampleLayout{coding, bits / 8, uint64_t(wave.channels) * (bits / 8)};
    return wave.blockAlign == layout->frameBytes;
}

// One sample of the wave as signed 16-bit: 8-bit samples are unsigned around
// 128, the others signed little-endian, of which the top 16 bits are kept;
// float samples are clamped to -1 .. 1 and scaled, NaN taken as 0.
int SampleAt(const WaveData& wave, const SampleLayout& layout, uint64_t frame, int channel) {
    const uint8_t* p = wave.data.data() + frame * layout.frameBytes + uint64_t(channel) * layout.bytes;
    if (layout.coding == FloatTag) {
        const uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (value != value) return 0;  // NaN
        if (value > 1.0f) value = 1.0f;
        if (value < -1.0f) value = -1.0f;
        const float scaled = value * 32768.0f;
        const int sample = int(scaled < 0.0f ? scaled - 0.5f : scaled + 0.5f);
        return sample > 32767 ? 32767 : sample;
    }
    if (layout.bytes == 1) return (int(p[0]) - 128) * 256;
    const uint8_t* top = p + layout.bytes - 2;
    return int16_t(uint16_t(top[0] | (top[1] << 8)));
}

// Converts the wave once into the device's format: signed 16-bit stereo
// frames at `rate`, resampled by linear interpolation between neighbouring
// frames, a mono sound on both sides. A last frame that the data holds only
// in part is left out. 0 when the wave's format cannot be played (which is
// where a sound buffer could not be made for it).
int ConvertToDevice(const WaveData& wave, int rate, std::vector<int16_t>* out) {
    SampleLayout layout;
    if (!LayoutOf(wave, &layout)) return 0;
    if (wave.samplesPerSec == 0 || rate <= 0) return 0;
    const uint64_t bytes = wave.data.size();
    const uint64_t frameBytes = layout.frameBytes;
    if (bytes < frameBytes || bytes > MaxBufferBytes) return 0;

    const uint64_t frames = bytes / frameBytes;
    const uint64_t from = wave.samplesPerSec;
    const uint64_t to = uint64_t(rate);
    // Enough frames that the last one still starts inside the source.
    const uint64_t outFrames = (frames * to + from - 1) / from;
    if (outFrames * 4 > MaxBufferBytes) return 0;

    out->resize(size_t(outFrames * 2));
    int16_t* samples = out->data();
    if (from == to) {
        // Already at the device's rate: each frame is taken as it is (the
        // long music files are, so start-up stays quick).
        for (uint64_t i = 0; i < frames; i++)
            for (int side = 0; side < 2; side++)
                samples[i * 2 + side] = int16_t(SampleAt(wave, layout, i, wave.channels == 2 ? side : 0));
        return 1;
    }
    // Output frame i lies at i × from / to source frames: `frame` whole
    // frames and `fraction` / to of the next, stepped on without dividing.
    uint64_t frame = 0;
    int64_t fraction = 0;
    for (uint64_t i = 0; i < outFrames; i++) {
        const uint64_t next = frame + 1 < frames ? frame + 1 : frame;
        for (int side = 0; side < 2; side++) {
            const int channel = wave.channels == 2 ? side : 0;
            const int64_t a = SampleAt(wave, layout, frame, channel);
            const int64_t b = SampleAt(wave, layout, next, channel);
            samples[i * 2 + side] = int16_t(a + (b - a) * fraction / int64_t(to));
        }
        fraction += int64_t(from);
        while (fraction >= int64_t(to)) {
            fraction -= int64_t(to);
            frame++;
        }
    }
    return 1;
}

// The copy that a play, loop or stop names, or -1 when there is none to
// touch (sound off, no such slot, a slot without buffers, no such copy).
// A negative copy for play and loop takes the next copy in turn.
int ChooseCopy(int sound, int copy) {
    if (!SoundAvailable) return -1;
    if (sound < 0 || sound >= SoundObjectCount) return -1;
    SoundObject& slot = SoundObjects[sound];
    if (!slot.hasBuffers) return -1;
    if (copy < 0) {
        copy = slot.nextCopy;
        slot.nextCopy++;
        if (slot.nextCopy >= slot.copies) slot.nextCopy = 0;
    }
    if (copy >= slot.copies) return -1;
    return copy;
}

// Stop, rewind, and play once (loop 0) or until stopped (loop 1).
void StartCopy(int sound, int copy, int loop) {
    int chosen = ChooseCopy(sound, copy);
    if (chosen < 0) return;
    SoundObject& slot = SoundObjects[sound];
    HoldMixer();
    slot.buffers[chosen] = SoundBuffer{1, loop, 0};
    ReleaseMixer();
    TellSoundCall(loop ? "loop" : "play", slot);
}

}  // namespace

int Open() {
    if (SoundAvailable) Close();
    int rate = 0;
    if (!Sys.OpenAudio || !Sys.OpenAudio(Mix, &rate)) {
        SoundAvailable = 0;
        return 0;
    }
    if (rate <= 0) {
        // A device that cannot say its rate cannot be fed: stay silent.
        Sys.CloseAudio();
        SoundAvailable = 0;
        return 0;
    }
    HoldMixer();
    DeviceRate = rate;
    for (SoundObject& slot : SoundObjects) DropBuffers(slot);
    BeepFramesLeft = 0;
    SoundAvailable = 1;
    ReleaseMixer();
    return 1;
}

void Close() {
    if (!SoundAvailable) return;
    HoldMixer();
    for (SoundObject& slot : SoundObjects) DropBuffers(slot);
    BeepFramesLeft = 0;  // a beep not yet sounded goes with the output
    SoundAvailable = 0;
    ReleaseMixer();
    if (Sys.CloseAudio) Sys.CloseAudio();
}

void ResetTable() {
    if (SoundAvailable) HoldMixer();
    for (SoundObject& slot : SoundObjects) {
        DropBuffers(slot);
        slot.used = 0;
        slot.copies = 1;
        slot.nextCopy = 0;
        slot.name[0] = 0;
    }
    if (SoundAvailable) ReleaseMixer();
}

int LoadObject(const char* name, int copies) {
    if (!SoundAvailable) return 0;
    if (!name) name = "";

    int index = 0;
    while (index < SoundObjectCount && SoundObjects[index].used) index++;
    if (index == SoundObjectCount) return ktSystem::ShowError(LoadCaption, TooManyObjects);
    SoundObject& slot = SoundObjects[index];

    // The file beside the program, else a resource of that name. A path too
    // long for the buffer is a file that cannot be read.
    char path[PathSize];
    const char* folder = ktSystem::GetProgramFolder();
    const size_t folderLength = folder ? std::strlen(folder) : 0;
    const size_t nameLength = std::strlen(name);
    WaveData wave;
    int found = 0;
    if (folder && folderLength + nameLength < PathSize) {
        std::memcpy(path, folder, folderLength);
        std::memcpy(path + folderLength, name, nameLength + 1);
        found = ReadWave(path, &wave);
    }
    if (!found) found = FindWaveResource(name, &wave);
    if (!found) return ktSystem::ShowError(LoadCaption, WaveNotFound);

    if (copies < 1) copies = 1;
    if (copies > MaxCopies) copies = MaxCopies;
    slot.copies = copies;
    slot.nextCopy = 0;

    // Every copy plays the same samples, so they are made once.
    std::vector<int16_t> samples;
    if (!ConvertToDevice(wave, DeviceRate, &samples)) return ktSystem::ShowError(LoadCaption, NoSoundBuffer);
    HoldMixer();
    slot.samples.swap(samples);
    for (SoundBuffer& buffer : slot.buffers) buffer = SoundBuffer{0, 0, 0};
    slot.hasBuffers = 1;
    slot.used = 1;
    ReleaseMixer();

    // The name is tested last: a name too long leaves the slot loaded and
    // used, without a name.
    if (nameLength > size_t(MaxNameLength)) {
        slot.name[0] = 0;
        return ktSystem::ShowError(LoadCaption, NameTooLong);
    }
    std::memcpy(slot.name, name, nameLength + 1);
    return index;
}

void Hold(int reason) {
    HoldMixer();
    SoundHeld |= reason;
    ReleaseMixer();
}

void Release(int reason) {
    HoldMixer();
    SoundHeld &= ~reason;
    ReleaseMixer();
}

void Beep() {
    if (!SoundAvailable) return;
    HoldMixer();
    BeepFramesLeft = DeviceRate / 8;
    ReleaseMixer();
}

void PlayObject(int sound, int copy) { StartCopy(sound, copy, 0); }

void LoopObject(int sound, int copy) { StartCopy(sound, copy, 1); }

void StopObject(int sound, int copy) {
    if (!SoundAvailable) return;
    if (sound < 0 || sound >= SoundObjectCount) return;
    SoundObject& slot = SoundObjects[sound];
    if (!slot.hasBuffers || copy >= slot.copies) return;
    HoldMixer();
    for (int i = 0; i < slot.copies; i++) {
        if (copy < 0 || i == copy) slot.buffers[i] = SoundBuffer{0, 0, 0};
    }
    ReleaseMixer();
    TellSoundCall("stop", slot);
}

}  // namespace ktSound
