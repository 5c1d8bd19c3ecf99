// Reading RIFF wave files: the format record and the sample bytes.
//
// The file is walked chunk by chunk: the first chunk must be "RIFF" with the
// form type "WAVE"; "fmt " and then "data" are looked for among the chunks
// inside it. Every length in the file is checked against the bytes that are
// really there before anything is read or allocated, so a damaged or hostile
// file is refused instead of read past its end.
#include <cstdio>
#include <cstring>

#include "ktSound.h"
#include "ktSystem.h"

namespace ktSound {

namespace {

// Where the bytes come from: a file on disk or a block in memory. Read
// fills `size` bytes from `offset` and answers 1, or 0 when they are not all
// there.
struct WaveSource {
    FILE* file;
    const uint8_t* bytes;
    uint64_t size;
};

int ReadAt(const WaveSource& source, uint64_t offset, void* to, uint64_t size) {
    if (offset > source.size || size > source.size - offset) return 0;
    if (size == 0) return 1;
    if (source.bytes) {
        std::memcpy(to, source.bytes + offset, size_t(size));
        return 1;
    }
    // Offsets stay within the length that ftell gave, so they fit a long.
    if (std::fseek(source.file, long(offset), SEEK_SET) != 0) return 0;
    return std::fread(to, 1, size_t(size), source.file) == size_t(size);
}

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// A chunk found inside the RIFF chunk: where its contents start and how long
// it says they are.
struct Chunk {
    uint64_t start;
    uint32_t length;
};

// Looks for the chunk `id` among the chunks from `from` up to `end`,
// skipping each one by its length padded to an even count.
int FindChunk(const WaveSource& source, uint64_t from, uint64_t end, const char* id, Chunk* found) {
    uint64_t at = from;
    while (at + 8 <= end) {
        uint8_t header[8];
        if (!ReadAt(source, at, header, 8)) return 0;
        uint32_t length = Get32(header + 4);
        if (std::memcmp(header, id, 4) == 0) {
            *found = {at + 8, length};
            return 1;
        }
        at += 8 + uint64_t(length) + (length & 1);
    }
    return 0;
}

int ReadWaveFrom(const WaveSource& source, WaveData* out) {
    // The first chunk: "RIFF", its length, the form type "WAVE".
    uint8_t riff[12];
    if (!ReadAt(source, 0, riff, 12)) return 0;
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return 0;
    uint64_t riffEnd = 8 + uint64_t(Get32(riff + 4));
    if (riffEnd > source.size) riffEnd = source.size;
    const uint64_t behindForm = 12;

    // "fmt ": at least the 16 bytes of the PCM format record.
    Chunk fmt;
    if (!FindChunk(source, behindForm, riffEnd, "fmt ", &fmt)) return 0;
    if (fmt.length < 16) return 0;
    uint8_t record[16];
    if (!ReadAt(source, fmt.start, record, 16)) return 0;
    WaveData wave;
    wave.formatTag = Get16(record + 0);
    wave.channels = Get16(record + 2);
    wave.samplesPerSec = Get32(record + 4);
    wave.avgBytesPerSec = Get32(record + 8);
    wave.blockAlign = Get16(record + 12);
    wave.bitsPerSample = Get16(record + 14);

    // Any format but PCM may carry a count of extra format bytes behind the
    // record, then the bytes themselves: as many as the count says and the
    // chunk holds (a float format's chunk often ends with the record).
    if (wave.formatTag != 1 && fmt.length >= 18) {
        uint8_t count[2];
        if (!ReadAt(source, fmt.start + 16, count, 2)) return 0;
        const uint32_t extraCount = Get16(count) < fmt.length - 18 ? Get16(count) : fmt.length - 18;
        wave.extra.resize(extraCount);
        if (!ReadAt(source, fmt.start + 18, wave.extra.data(), extraCount)) return 0;
    }

    // "data", looked for again from just behind the form type; all of its
    // bytes must be there.
    Chunk data;
    if (!FindChunk(source, behindForm, riffEnd, "data", &data)) return 0;
    if (data.start > source.size || data.length > source.size - data.start) return 0;
    // A sound too long to hold is read no further than shows it.
    const uint64_t keep = data.length > MaxWaveBytes ? MaxWaveBytes + 1 : data.length;
    wave.data.resize(size_t(keep));
    if (!ReadAt(source, data.start, wave.data.data(), keep)) return 0;

    *out = std::move(wave);
    return 1;
}

}  // namespace

int ReadWaveBytes(const uint8_t* bytes, size_t size, WaveData* out) {
    if (!out) return 0;
    *out = WaveData{};
    if (!bytes) return 0;
    WaveSource source{nullptr, bytes, size};
    return ReadWaveFrom(source, out);
}

int ReadWave(const char* path, WaveData* out) {
    if (!out) return 0;
    *out = WaveData{};
    if (!path) return 0;
    FILE* file = ktSystem::OpenFile(path, "rb");
    if (!file) return 0;
    // The length is where a seek to the end lands. Whatever cannot seek
    // (a pipe) is refused; a folder or a device that claims a length gives
    // no bytes when read, so every read of it fails and it is refused too.
    int ok = 0;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long length = std::ftell(file);
        if (length >= 0) {
            WaveSource source{file, nullptr, uint64_t(length)};
            ok = ReadWaveFrom(source, out);
        }
    }
    std::fclose(file);
    return ok;
}

}  // namespace ktSound
