// Replays: verifying one (played again headless: nothing drawn, nothing
// mixed) in frames per second of processor time, and what recording costs
// a frame (its input written, its share of the checkpoints' hashes).
#include <benchmark/benchmark.h>

#include <time.h>

#include <filesystem>
#include <iterator>

#include "bench_common.h"
#include "replay.h"
#include "scripted_play.h"

namespace {

double ThreadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// A whole game at STANDARD with the first ship, moved about by the
// benchmarks' round of keys with a bomb and a reverse now and then, played
// through the game's own loop until its last life is lost; its replay.
const Replay& RecordedGame() {
    static Replay replay;
    if (replay.frames) return replay;
    const std::string folder = bench::ScratchGameFolder("replay");
    bench::StartScriptedGame(folder, 11);
    bench::StartStandardGame();
    int step = 0;
    for (int turn = 0; turn < 1000000 && ktSystem::SceneId == 1; turn++) {
        const bench::HeldKeys& held = bench::MoveRound[(turn / 25) % std::size(bench::MoveRound)];
        if (turn % 25 == 0) {
            for (int vk = 0; vk < 256; vk++)
                if (ktScript::State.keys[vk]) ktScript::ReleaseKey(vk);
            for (int vk : held.keys)
                if (vk) ktScript::PressKey(vk);
            if (step++ % 7 == 0) ktScript::PressKey(ktPlatform::VK_X);
            if (step % 11 == 0) ktScript::PressKey(ktPlatform::VK_C);
        }
        bench::Turn(16 + uint32_t(turn % 3 == 0));
    }
    std::string why;
    ReadReplayFile(LastReplayPath(), &replay, &why);
    bench::StopScriptedGame();
    return replay;
}

void BM_VerifyReplay(benchmark::State& state) {
    const Replay& replay = RecordedGame();
    if (!replay.frames) {
        state.SkipWithError("no game was recorded");
        return;
    }
    const std::string folder = (std::filesystem::temp_directory_path() / "grz-bench-verify").string();
    std::filesystem::create_directories(folder);
    double cpu = 0.0;
    int64_t frames = 0;
    for (auto _ : state) {
        ktScript::UseScriptedPlatform();
        ktSystem::ResetForTests();
        ZeroGameState();
        ktSystem::UseGame(GameEntryPoints);
        const double start = ThreadSeconds();
        bool ok = false;
        VerifyReplay(replay, folder, &ok);
        cpu += ThreadSeconds() - start;
        frames += replay.frames;
        if (!ok) {
            state.SkipWithError("the replay did not verify");
            return;
        }
    }
    state.counters["frames"] = double(replay.frames);
    state.counters["minutes"] = double(replay.milliseconds) / 60000.0;
    state.counters["frames_per_cpu_s"] = cpu > 0.0 ? double(frames) / cpu : 0.0;
}
BENCHMARK(BM_VerifyReplay)->Unit(benchmark::kMillisecond)->Iterations(20);

// Recording's cost a frame: the frame's input written into the log, and a
// sixtieth of a checkpoint's hash of the whole play state (one a second).
void BM_RecordingPerFrame(benchmark::State& state) {
    const Replay& replay = RecordedGame();
    static std::vector<uint8_t> log(4u << 20);
    std::vector<ktSystem::FrameInput> frames;
    ktSystem::InputReader reader(replay.input.data(), replay.input.size());
    for (ktSystem::FrameInput f; reader.Read(&f);) frames.push_back(f);
    if (frames.empty()) {
        state.SkipWithError("no frames");
        return;
    }
    size_t next = 0;
    ktSystem::InputWriter writer(log.data(), log.size());
    uint32_t hashes = 0;
    for (auto _ : state) {
        writer.Write(frames[next]);
        if (++next == frames.size()) {
            next = 0;
            writer = ktSystem::InputWriter(log.data(), log.size());
        }
        if (next % 60 == 0) hashes += PlayStateHash();
    }
    benchmark::DoNotOptimize(hashes);
}
BENCHMARK(BM_RecordingPerFrame);

}  // namespace
