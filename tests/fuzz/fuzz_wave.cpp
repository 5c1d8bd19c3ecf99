// fuzz_wave: the input as a wave file. It is read from memory with
// ktSound::ReadWaveBytes and, as a file in the program's data folder, loaded
// into a sound object with ktSound::LoadObject; the sound is then played,
// looped and stopped while the mixer runs. Runs on the scripted platform with
// sound opened once.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "ktSound.h"
#include "ktSystem.h"
#include "sys_script.h"

namespace {

constexpr const char* SoundName = "./data/fuzz.wav";
constexpr int MixFrames = 1500;  // a little over one frame of the game at 44100 Hz

bool SameWave(const ktSound::WaveData& a, const ktSound::WaveData& b) {
    return a.formatTag == b.formatTag && a.channels == b.channels &&
           a.samplesPerSec == b.samplesPerSec && a.avgBytesPerSec == b.avgBytesPerSec &&
           a.blockAlign == b.blockAlign && a.bitsPerSample == b.bitsPerSample &&
           a.extra == b.extra && a.data == b.data;
}

int16_t MixBuffer[MixFrames * 2];

// Runs the mixer over a buffer that already holds a quiet signal, as the
// device hands it over.
void MixSome(int frames) {
    for (int i = 0; i < frames * 2; i++) MixBuffer[i] = int16_t(i * 7);
    ktSound::Mix(MixBuffer, frames);
}

// Whether the last mix left the signal as it was: nothing was sounding.
bool MixedSilence(int frames) {
    for (int i = 0; i < frames * 2; i++)
        if (MixBuffer[i] != int16_t(i * 7)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ktScript::UseScriptedPlatform();
    ktSystem::ResetForTests();
    ktScript::State.basePath = fuzzsupport::ScratchFolder("fuzz-wave") + "/";
    if (!ktSound::Open()) std::abort();
    ktSound::ResetTable();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // The reader from memory and the reader from a file agree on every input.
    ktSound::WaveData fromMemory, fromFile;
    const int readMemory = ktSound::ReadWaveBytes(bytes, size, &fromMemory);
    const std::string path = ktScript::State.basePath + "data/fuzz.wav";
    fuzzsupport::WriteBytes(path, bytes, size);
    const int readFile = ktSound::ReadWave(path.c_str(), &fromFile);
    if (readMemory != readFile) std::abort();
    if (readMemory && !SameWave(fromMemory, fromFile)) std::abort();

    // Three copies, so that play and loop with copy -1 take turns.
    const int sound = ktSound::LoadObject(SoundName, 3);
    const bool loaded = ktSound::SoundObjects[0].used != 0;
    if (loaded != (ktScript::State.boxes.empty())) std::abort();  // a refusal always tells
    if (loaded && (sound != 0 || !readFile)) std::abort();

    // The calls the game makes, on the sound whether or not it loaded, and on
    // slots and copies that do not exist.
    ktSound::PlayObject(sound, -1);
    MixSome(MixFrames);
    ktSound::LoopObject(sound, -1);
    ktSound::PlayObject(sound, 2);
    MixSome(MixFrames);
    MixSome(7);
    ktSound::StopObject(sound, 1);
    ktSound::LoopObject(sound, -1);
    MixSome(MixFrames);
    ktSound::StopObject(sound, -1);
    MixSome(100);
    if (!MixedSilence(100)) std::abort();  // a stop with copy -1 silences every copy
    ktSound::PlayObject(sound, 9);
    ktSound::PlayObject(sound + 1, -1);
    ktSound::StopObject(69, -1);
    ktSound::PlayObject(-1, -1);
    ktSound::LoopObject(sound, 0);
    MixSome(MixFrames);

    ktSound::ResetTable();
    ktScript::State.boxes.clear();
    ktScript::State.sounds.clear();
    return 0;
}
