// ktSound: sound objects loaded from wave files into static sample buffers,
// played once or looping, each with 1 to 10 independent copies. The samples
// are mixed by the engine's own mixer on the platform's audio device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ktSound {

constexpr int SoundObjectCount = 70;
constexpr int MaxCopies = 10;
constexpr int MaxNameLength = 30;

// One copy of a sound: an independent voice over the slot's samples.
struct SoundBuffer {
    int playing;      // 1 while it sounds
    int looping;      // 1: starts again from the beginning at the end
    uint32_t position;  // next stereo frame to mix
};

struct SoundObject {
    int32_t used;
    int32_t copies;
    int32_t nextCopy;
    int32_t hasBuffers;             // 1 once the copies hold samples
    SoundBuffer buffers[MaxCopies];
    std::vector<int16_t> samples;   // stereo frames in the device's format
    char name[31];
};

extern SoundObject SoundObjects[SoundObjectCount];
extern int SoundAvailable;
extern int DeviceRate;  // samples per second of the open device

// Why the sound is held silent (a set of bits): while any reason holds, the
// mixer gives silence and every sounding copy keeps its place, to go on
// from there once the last reason is let go.
constexpr int HeldInactive = 1;  // the game is not the active application
constexpr int HeldPaused = 2;    // the player paused the game
extern int SoundHeld;
void Hold(int reason);
void Release(int reason);
// The engine's own beep, for a system that has none: a short tone mixed
// over whatever plays, even while the sound is held.
void Beep();
extern int BeepFramesLeft;  // frames of the beep still to sound

// A wave file as read from disk: the format record and the sample bytes.
struct WaveData {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    std::vector<uint8_t> extra;  // the extra format bytes behind their count, as far as "fmt " holds them
    std::vector<uint8_t> data;   // the "data" chunk
};

// The most sample bytes one sound may hold, both as read from the file and
// once converted to the device's format. A file's data past this is not read
// (what is read then tells that it is too long).
constexpr uint64_t MaxWaveBytes = 64ull * 1024 * 1024;

// Reads a RIFF wave file: 1 and the data, or 0 (unreadable, not a wave,
// "fmt " shorter than 16 bytes, or cut short).
int ReadWave(const char* path, WaveData* out);
// The same over bytes in memory.
int ReadWaveBytes(const uint8_t* bytes, size_t size, WaveData* out);

int Open();
void Close();
// Empties the table (every slot free, one copy, no buffers).
void ResetTable();
int LoadObject(const char* name, int copies);
void PlayObject(int sound, int copy);
void LoopObject(int sound, int copy);
void StopObject(int sound, int copy);

// The mixer: adds every playing copy into `out` (stereo frames).
void Mix(int16_t* out, int frames);

}  // namespace ktSound
