// Reading replay files (the format is in replay.h). Every length is checked
// against the bytes that are there before anything is read, every chunk's
// CRC is checked, and a stage file is taken only by a name a stage file
// has: a damaged or hostile file is refused with what is wrong, never read
// past its end.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "replay.h"

namespace {

constexpr char Signature[8] = {'G', 'R', 'R', 'e', 'p', 'l', 'a', 'y'};

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// A bounded reader over one chunk's payload.
struct Cursor {
    const uint8_t* at;
    size_t left;
    bool ok = true;
    const uint8_t* Take(size_t n) {
        if (!ok || n > left) {
            ok = false;
            return nullptr;
        }
        const uint8_t* p = at;
        at += n;
        left -= n;
        return p;
    }
    uint32_t U8() { const uint8_t* p = Take(1); return p ? p[0] : 0; }
    uint32_t U16() { const uint8_t* p = Take(2); return p ? Get16(p) : 0; }
    uint32_t U32() { const uint8_t* p = Take(4); return p ? Get32(p) : 0; }
    int32_t I32() { return int32_t(U32()); }
};

bool ParseInfo(const uint8_t* text, size_t size, Replay* r, std::string* why) {
    std::string all(reinterpret_cast<const char*>(text), size);
    size_t at = 0;
    while (at < all.size()) {
        size_t end = all.find('\n', at);
        if (end == std::string::npos) end = all.size();
        const std::string line = all.substr(at, end - at);
        at = end + 1;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "game") r->game = value;
        else if (key == "version") r->version = value;
        else if (key == "platform") r->platform = value;
        else if (key == "recorded") r->recorded = value;
        else if (key == "difficulty") r->difficulty = value;
        else if (key == "ship") r->ship = value;
        else if (key == "result") r->result = value;
        else if (key == "finished") r->finished = value == "1";
        else if (key == "milliseconds") r->milliseconds = std::strtoull(value.c_str(), nullptr, 10);
    }
    if (r->result.empty() || r->difficulty.empty() || r->ship.empty()) {
        *why = "its INFO chunk lacks the result, the difficulty or the ship";
        return false;
    }
    return true;
}

}  // namespace

uint32_t Crc32(const uint8_t* bytes, size_t size, uint32_t crc) {
    crc = ~crc;
    for (size_t i = 0; i < size; i++) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

bool IsStageFileName(const std::string& name) {
    if (name == "stageno.txt" || name == "bshp.dat") return true;
    // stageN.da1 or stageN.da2, N from 0 to 99 without leading zeros
    if (name.size() < 10 || name.size() > 11 || name.compare(0, 5, "stage") != 0) return false;
    const std::string number = name.substr(5, name.size() - 9), suffix = name.substr(name.size() - 4);
    if (suffix != ".da1" && suffix != ".da2") return false;
    for (char c : number)
        if (c < '0' || c > '9') return false;
    return number.size() == 1 || number[0] != '0';
}

int ParseReplay(const uint8_t* bytes, size_t size, Replay* out, std::string* why) {
    *out = Replay{};
    if (size < 12 || std::memcmp(bytes, Signature, 8) != 0) {
        *why = "it is not a replay of this game";
        return 0;
    }
    Replay r;
    r.format = Get16(bytes + 8);
    if (r.format > ReplayFormat || r.format == 0) {
        *why = "it was made by a newer version of the game (replay format " + std::to_string(r.format) + ")";
        return 0;
    }
    size_t at = 12;
    bool seen[7] = {};
    const char* const needed[] = {"INFO", "STRT", "KEYS", "STGE", "INPT", "CHCK", "END "};
    bool ended = false;
    while (!ended) {
        if (size - at < 12) {
            *why = "it is cut short";
            return 0;
        }
        char id[5] = {};
        std::memcpy(id, bytes + at, 4);
        const uint32_t length = Get32(bytes + at + 4);
        if (length > size - at - 12) {
            *why = std::string("it is cut short (in its ") + id + " chunk)";
            return 0;
        }
        const uint8_t* payload = bytes + at + 8;
        if (Crc32(payload, length, Crc32(bytes + at, 4)) != Get32(payload + length)) {
            *why = std::string("it is damaged (its ") + id + " chunk fails its check)";
            return 0;
        }
        at += 12 + size_t(length);
        int which = -1;
        for (int i = 0; i < 7; i++)
            if (std::memcmp(id, needed[i], 4) == 0) which = i;
        if (which < 0) continue;  // a chunk of a later version: passed over
        if (seen[which]) {
            *why = std::string("it is damaged (two ") + id + " chunks)";
            return 0;
        }
        seen[which] = true;
        Cursor c{payload, length};
        switch (which) {
        case 0:
            if (!ParseInfo(payload, length, &r, why)) return 0;
            break;
        case 1:
            r.start.random = c.U32();
            r.start.mode = c.I32();
            r.start.character = c.I32();
            r.start.lastStage = c.I32();
            r.start.stickX = c.I32();
            r.start.stickY = c.I32();
            for (int p = 0; p < 2; p++) {
                r.start.padCentred[p] = int32_t(c.U8());
                r.start.padCentreX[p] = int32_t(c.U16());
                r.start.padCentreY[p] = int32_t(c.U16());
            }
            for (float* value : {&r.start.frameSeconds, &r.start.gameDelta}) {
                const uint32_t bits = c.U32();
                std::memcpy(value, &bits, 4);
            }
            r.start.playerSpeed = c.I32();
            break;
        case 2: {
            const uint32_t count = c.U8();
            for (uint32_t i = 0; i < count && c.ok; i++) r.keys.push_back(int(c.U8()));
            break;
        }
        case 3: {
            const uint32_t count = c.U16();
            size_t total = 0;
            for (uint32_t i = 0; i < count && c.ok; i++) {
                ReplayStageFile file;
                const uint32_t nameLength = c.U8();
                const uint8_t* name = c.Take(nameLength);
                const uint32_t fileLength = c.U32();
                const uint8_t* data = c.Take(fileLength);
                if (!c.ok) break;
                file.name.assign(reinterpret_cast<const char*>(name), nameLength);
                if (!IsStageFileName(file.name)) {
                    *why = "it holds a file that is no stage file";
                    return 0;
                }
                total += fileLength;
                if (total > MaxStageBytes) {
                    *why = "its stage files are too large";
                    return 0;
                }
                file.bytes.assign(data, data + fileLength);
                r.stages.push_back(std::move(file));
            }
            break;
        }
        case 4:
            r.frames = c.U32();
            if (c.ok) r.input.assign(c.at, c.at + c.left);
            break;
        case 5: {
            r.interval = c.U32();
            const uint32_t count = c.U32();
            if (count > c.left / 4) c.ok = false;
            for (uint32_t i = 0; i < count && c.ok; i++) r.checkpoints.push_back(c.U32());
            break;
        }
        case 6:
            ended = true;
            break;
        }
        if (!c.ok) {
            *why = std::string("it is damaged (its ") + id + " chunk is cut short)";
            return 0;
        }
    }
    for (int i = 0; i < 7; i++)
        if (!seen[i]) {
            *why = std::string("it is damaged (it has no ") + needed[i] + " chunk)";
            return 0;
        }
    if (r.checkpoints.empty() || r.interval == 0 || r.keys.size() > size_t(ktSystem::MaxGameKeys)) {
        *why = "it is damaged (its checkpoints or keys make no sense)";
        return 0;
    }
    *out = std::move(r);
    return 1;
}

int ReadReplayFile(const char* path, Replay* out, std::string* why) {
    std::FILE* file = ktSystem::OpenFile(path, "rb");
    if (!file) {
        *why = "it cannot be opened";
        return 0;
    }
    std::vector<uint8_t> bytes;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    if (size > long(MaxReplayBytes)) {
        std::fclose(file);
        *why = "it is too large for a replay";
        return 0;
    }
    if (size >= 0 && std::fseek(file, 0, SEEK_SET) == 0) {
        bytes.resize(size_t(size));
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) size = -1;
    }
    std::fclose(file);
    if (size < 0) {
        *why = "it cannot be read";
        return 0;
    }
    return ParseReplay(bytes.data(), bytes.size(), out, why);
}
