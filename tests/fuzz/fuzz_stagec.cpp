// fuzz_stagec: the input through the stage compiler, both ways.
//   - As stage source text: when it compiles, the decompiled text must
//     compile again to the very same bytes, and decompile to the same text.
//   - As raw script bytes: the input taken as a .da1 and a .da2 file (and its
//     first byte as the boss byte) must decompile to text that compiles back
//     to exactly those bytes.
// Any difference aborts, so that libFuzzer keeps the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "stagec.h"

namespace {

bool SameStage(const stagec::StageData& a, const stagec::StageData& b) {
    return a.shots == b.shots && a.moves == b.moves && a.bossHpByte == b.bossHpByte;
}

[[noreturn]] void Mismatch(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_stagec: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// Decompiles a stage and compiles the text again: same bytes, and the text of
// those bytes is the text it came from.
void RoundTrip(const stagec::StageData& stage, const char* from) {
    std::string notes;
    const std::string text = stagec::DecompileStage(stage, &notes);
    stagec::StageData again;
    std::string error;
    if (!stagec::CompileStageText("decompiled.txt", text, &again, &error))
        Mismatch(from, "decompiled text does not compile: " + error + "\n" + text);
    if (!SameStage(stage, again)) Mismatch(from, "decompiled text compiles to other bytes:\n" + text);
    if (stagec::DecompileStage(again, nullptr) != text)
        Mismatch(from, "the same bytes decompile to another text:\n" + text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);

    stagec::StageData compiled;
    std::string error;
    if (stagec::CompileStageText("fuzz.txt", input, &compiled, &error)) {
        RoundTrip(compiled, "source text");
    } else if (error.empty()) {
        Mismatch("source text", "refused without a message");
    }

    // The streams can be longer than any the compiler accepts; those are
    // left out of the raw round trip.
    if (size <= size_t(stagec::MaxStreamEntries) * stagec::MoveEntryBytes) {
        stagec::StageData raw;
        raw.shots.assign(bytes, bytes + size);
        raw.moves.assign(bytes, bytes + size);
        raw.bossHpByte = size ? bytes[0] : 0;
        RoundTrip(raw, "raw script bytes");
    }
    return 0;
}
