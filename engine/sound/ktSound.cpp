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

// The most sample bytes one sound may hold, both as read from the file and
// once converted to the device's format.
constexpr uint64_t MaxBufferBytes = 64ull * 1024 * 1024;

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

// One sample of the wave as signed 16-bit: 8-bit samples are unsigned around
// 128, 16-bit samples signed little-endian.
int SampleAt(const WaveData& wave, uint64_t frame, int channel) {
    const uint64_t frameBytes = uint64_t(wave.channels) * (wave.bitsPerSample / 8);
    const uint8_t* p = wave.data.data() + frame * frameBytes;
    if (wave.bitsPerSample == 8) return (int(p[channel]) - 128) * 256;
    return int16_t(uint16_t(p[channel * 2] | (p[channel * 2 + 1] << 8)));
}

// Converts the wave once into the device's format: signed 16-bit stereo
// frames at `rate`, resampled by linear interpolation between neighbouring
// frames, a mono sound on both sides. 0 when the wave's format cannot be
// played (which is where a sound buffer could not be made for it).
int ConvertToDevice(const WaveData& wave, int rate, std::vector<int16_t>* out) {
    if (wave.formatTag != 1) return 0;
    if (wave.bitsPerSample != 8 && wave.bitsPerSample != 16) return 0;
    if (wave.channels < 1 || wave.channels > 2) return 0;
    if (wave.samplesPerSec == 0 || rate <= 0) return 0;
    const uint64_t frameBytes = uint64_t(wave.channels) * (wave.bitsPerSample / 8);
    if (wave.blockAlign != frameBytes) return 0;
    const uint64_t bytes = wave.data.size();
    if (bytes == 0 || bytes % frameBytes != 0 || bytes > MaxBufferBytes) return 0;

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
                samples[i * 2 + side] = int16_t(SampleAt(wave, i, wave.channels == 2 ? side : 0));
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
            const int64_t a = SampleAt(wave, frame, channel);
            const int64_t b = SampleAt(wave, next, channel);
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
    SoundAvailable = 1;
    ReleaseMixer();
    return 1;
}

void Close() {
    if (!SoundAvailable) return;
    HoldMixer();
    for (SoundObject& slot : SoundObjects) DropBuffers(slot);
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
