// What the server reads from a replay and a name before anything runs: the
// stage set, the hash of the play, the cleaned name.
#include <openssl/evp.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "board.h"

namespace board {

bool ShippedStages::Load(const std::string& dataFolder, std::string* why) {
    files.clear();
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(dataFolder, error)) {
        const std::string name = item.path().filename().string();
        if (!IsStageFileName(name)) continue;
        std::ifstream in(item.path(), std::ios::binary);
        files[name] = Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (files.count("stageno.txt") == 0) {
        *why = "the game's data folder " + dataFolder + " holds no stage files (stageno.txt)";
        return false;
    }
    return true;
}

std::string Sha256Hex(const void* bytes, size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes, size, digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    char two[3];
    for (unsigned int i = 0; i < length; i++) {
        std::snprintf(two, sizeof two, "%02x", digest[i]);
        hex += two;
    }
    return hex;
}

namespace {

void Put32(Bytes* out, uint32_t value) {
    for (int i = 0; i < 4; i++) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutStages(Bytes* out, const Replay& replay) {
    for (const ReplayStageFile& file : replay.stages) {
        Put32(out, static_cast<uint32_t>(file.name.size()));
        out->insert(out->end(), file.name.begin(), file.name.end());
        Put32(out, static_cast<uint32_t>(file.bytes.size()));
        out->insert(out->end(), file.bytes.begin(), file.bytes.end());
    }
}

}  // namespace

std::string StageSetOf(const Replay& replay, const ShippedStages& shipped) {
    bool builtin = !replay.stages.empty();
    for (const ReplayStageFile& file : replay.stages) {
        const auto found = shipped.files.find(file.name);
        if (found == shipped.files.end() || found->second != file.bytes) builtin = false;
    }
    if (builtin) return "builtin";
    Bytes all;
    PutStages(&all, replay);
    return Sha256Hex(all.data(), all.size()).substr(0, 16);
}

std::string PlayHashOf(const Replay& replay) {
    Bytes all;
    const ReplayStart& s = replay.start;
    for (uint32_t value : {s.random, uint32_t(s.mode), uint32_t(s.character), uint32_t(s.lastStage), uint32_t(s.stickX),
                           uint32_t(s.stickY), uint32_t(s.padCentred[0]), uint32_t(s.padCentred[1]),
                           uint32_t(s.padCentreX[0]), uint32_t(s.padCentreX[1]), uint32_t(s.padCentreY[0]),
                           uint32_t(s.padCentreY[1]), uint32_t(s.playerSpeed)})
        Put32(&all, value);
    uint32_t bits[2];
    static_assert(sizeof(float) == 4);
    std::memcpy(&bits[0], &s.frameSeconds, 4);
    std::memcpy(&bits[1], &s.gameDelta, 4);
    Put32(&all, bits[0]);
    Put32(&all, bits[1]);
    Put32(&all, static_cast<uint32_t>(replay.keys.size()));
    for (int key : replay.keys) Put32(&all, static_cast<uint32_t>(key));
    PutStages(&all, replay);
    Put32(&all, replay.frames);
    Put32(&all, static_cast<uint32_t>(replay.input.size()));
    all.insert(all.end(), replay.input.begin(), replay.input.end());
    Put32(&all, replay.interval);
    for (uint32_t checkpoint : replay.checkpoints) Put32(&all, checkpoint);
    return Sha256Hex(all.data(), all.size());
}

std::string CleanName(const std::string& given, std::string* why) {
    size_t begin = 0, end = given.size();
    while (begin < end && given[begin] == ' ') begin++;
    while (end > begin && given[end - 1] == ' ') end--;
    const std::string name = given.substr(begin, end - begin);
    size_t points = 0;
    for (size_t i = 0; i < name.size();) {
        const uint8_t lead = static_cast<uint8_t>(name[i]);
        const int length = lead < 0x80 ? 1 : (lead & 0xe0) == 0xc0 ? 2 : (lead & 0xf0) == 0xe0 ? 3 : (lead & 0xf8) == 0xf0 ? 4 : 0;
        if (length == 0 || i + length > name.size()) {
            *why = "the name is not valid UTF-8";
            return "";
        }
        uint32_t code = length == 1 ? lead : lead & (0x7f >> length);
        for (int k = 1; k < length; k++) {
            const uint8_t next = static_cast<uint8_t>(name[i + k]);
            if ((next & 0xc0) != 0x80) {
                *why = "the name is not valid UTF-8";
                return "";
            }
            code = (code << 6) | (next & 0x3f);
        }
        constexpr uint32_t Least[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < Least[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) {
            *why = "the name is not valid UTF-8";
            return "";
        }
        if (code < 0x20 || (code >= 0x7f && code < 0xa0) || code == 0x2028 || code == 0x2029) {
            *why = "the name holds a control character";
            return "";
        }
        i += length;
        points++;
    }
    if (points == 0 || points > NameMax) {
        *why = "the name must be 1 to " + std::to_string(NameMax) + " characters";
        return "";
    }
    return name;
}

}  // namespace board
