// fuzz_replay: the input as a replay file. It is read as it is with
// ParseReplay, and again with every chunk's CRC made good first, so that
// mutations reach past the checks into what they protect. A replay that is
// read is played again headless when it claims few frames (its stage files
// written and played, its input log decoded to its end, every checkpoint
// compared); the input is also decoded as an input log alone. Runs on the
// scripted platform with neither display nor sound.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "game.h"
#include "headless.h"
#include "input_log.h"
#include "replay.h"

namespace {

// Playing a replay again costs about a microsecond a frame and a few
// milliseconds for its stage files: inputs that claim more are only read.
constexpr uint32_t MostFramesPlayed = 5000;

uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// The input with the CRC of every whole chunk it holds made good.
std::vector<uint8_t> WithGoodChecks(const uint8_t* bytes, size_t size) {
    std::vector<uint8_t> out(bytes, bytes + size);
    for (size_t at = 12; at + 12 <= size;) {
        const uint32_t length = Get32(bytes + at + 4);
        if (length > size - at - 12) break;
        const uint32_t crc = Crc32(bytes + at + 8, length, Crc32(bytes + at, 4));
        for (int b = 0; b < 4; b++) out[at + 8 + length + size_t(b)] = uint8_t(crc >> (8 * b));
        at += 12 + size_t(length);
    }
    return out;
}

void Check(const Replay& replay) {
    // Whatever was read holds together: stage files by their names only.
    for (const ReplayStageFile& file : replay.stages)
        if (!IsStageFileName(file.name)) std::abort();
    if (replay.checkpoints.empty()) std::abort();
    if (replay.frames > MostFramesPlayed) return;
    const std::string& folder = fuzzsupport::ScratchFolder("fuzz-replay");
    sim::Headless game(folder);
    ktSystem::UseGame(GameEntryPoints);
    bool ok = false;
    const std::string said = VerifyReplay(replay, folder, &ok);
    if (said.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    Replay replay;
    std::string why;
    if (ParseReplay(bytes, size, &replay, &why)) Check(replay);
    else if (why.empty()) std::abort();  // a refusal always says what is wrong
    const std::vector<uint8_t> fixed = WithGoodChecks(bytes, size);
    if (ParseReplay(fixed.data(), fixed.size(), &replay, &why)) Check(replay);

    ktSystem::InputReader reader(bytes, size);
    ktSystem::FrameInput frame;
    for (int i = 0; i < 100000 && reader.Read(&frame); i++) {
        if (frame.standStill > 1 || frame.pads[0].x < -1 || frame.pads[0].x > 1 || frame.pads[1].buttons > 15) std::abort();
    }
    return 0;
}
