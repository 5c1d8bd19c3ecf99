// Finished sounds: 16-bit samples, and their RIFF wave file (PCM, a
// 16-byte "fmt " record and one "data" chunk, 44 bytes of header).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace soundtool {

struct SoundSamples {
    int rate;                      // samples per second
    int channels;                  // 1 mono, 2 stereo (left first)
    std::vector<int16_t> samples;  // frames of `channels` samples
};

// Scales `mixed` (any level, frames interleaved) so that its loudest sample
// sits at `peakDb` decibels below full scale, and rounds it to 16 bits.
// Silence stays silence.
void ScaleToPeak(const std::vector<float>& mixed, double peakDb, std::vector<int16_t>* out);

// The bytes of the wave file.
std::vector<uint8_t> EncodeWave(const SoundSamples& sound);
// Writes the wave file: 1, or 0 with *error set.
int WriteWaveFile(const char* path, const SoundSamples& sound, std::string* error);

}  // namespace soundtool
