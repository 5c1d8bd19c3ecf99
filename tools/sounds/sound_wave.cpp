// Rounding to 16 bits and writing RIFF wave files.
#include "sound_wave.h"

#include <cmath>
#include <cstdio>

#include "sound_synth.h"

namespace soundtool {

namespace {

void Put16(std::vector<uint8_t>* bytes, uint32_t value) {
    bytes->push_back(uint8_t(value & 0xFF));
    bytes->push_back(uint8_t((value >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>* bytes, uint32_t value) {
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

void PutId(std::vector<uint8_t>* bytes, const char* id) {
    for (int i = 0; i < 4; ++i) bytes->push_back(uint8_t(id[i]));
}

}  // namespace

void ScaleToPeak(const std::vector<float>& mixed, double peakDb, std::vector<int16_t>* out) {
    double loudest = 0.0;
    for (float v : mixed) loudest = std::fmax(loudest, std::fabs(double(v)));
    double scale = loudest > 0.0 ? 32767.0 * DbToGain(peakDb) / loudest : 0.0;
    out->resize(mixed.size());
    for (size_t i = 0; i < mixed.size(); ++i) {
        double v = std::floor(double(mixed[i]) * scale + 0.5);
        if (v > 32767.0) v = 32767.0;
        if (v < -32767.0) v = -32767.0;
        (*out)[i] = int16_t(v);
    }
}

std::vector<uint8_t> EncodeWave(const SoundSamples& sound) {
    uint32_t dataBytes = uint32_t(sound.samples.size() * 2);
    uint32_t blockAlign = uint32_t(sound.channels * 2);
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + dataBytes);
    PutId(&bytes, "RIFF");
    Put32(&bytes, 36 + dataBytes);
    PutId(&bytes, "WAVE");
    PutId(&bytes, "fmt ");
    Put32(&bytes, 16);
    Put16(&bytes, 1);  // PCM
    Put16(&bytes, uint32_t(sound.channels));
    Put32(&bytes, uint32_t(sound.rate));
    Put32(&bytes, uint32_t(sound.rate) * blockAlign);
    Put16(&bytes, blockAlign);
    Put16(&bytes, 16);
    PutId(&bytes, "data");
    Put32(&bytes, dataBytes);
    for (int16_t s : sound.samples) Put16(&bytes, uint16_t(s));
    return bytes;
}

int WriteWaveFile(const char* path, const SoundSamples& sound, std::string* error) {
    std::vector<uint8_t> bytes = EncodeWave(sound);
    std::FILE* file = std::fopen(path, "wb");
    if (!file) {
        *error = std::string(path) + ": cannot create the file";
        return 0;
    }
    size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    int closed = std::fclose(file);
    if (written != bytes.size() || closed != 0) {
        std::remove(path);
        *error = std::string(path) + ": cannot write the file";
        return 0;
    }
    return 1;
}

}  // namespace soundtool
