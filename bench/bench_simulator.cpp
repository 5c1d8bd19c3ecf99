// Simulator throughput: stage 0 at STANDARD played headless for 60 seconds
// of game time (3750 turns of 16 ms) with scripted movement. Measured twice:
// the game's own loop in this process (the frames alone), and the
// grazerunner-sim program running the same game from a script (start-up and
// script reading included).
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "bench_common.h"
#include "child_process.h"
#include "scripted_play.h"

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of this thread: on a machine shared with other work, the time
// this thread was kept waiting does not count.
double ThreadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

constexpr uint32_t TurnMs = 16;
constexpr int PlayTurns = 60 * 1000 / TurnMs;  // 60 s of game time at STANDARD
// The boss and the player both last the whole minute, so that every turn is
// a play frame of stage 0.
constexpr int32_t LastingBossHp = 1000000;
constexpr int32_t LastingLives = 1000;

void BM_SimulatorStage0InProcess(benchmark::State& state) {
    const std::string folder = bench::ScratchGameFolder("simulator");
    double seconds = 0.0, cpuSeconds = 0.0;
    int64_t turns = 0;
    for (auto _ : state) {
        if (bench::StartScriptedGame(folder, 7) != 0) {
            state.SkipWithError("the resource set did not load");
            return;
        }
        bench::StartStandardGame();
        BossHp = LastingBossHp;
        Lives = LastingLives;

        const auto start = Clock::now();
        const double cpuStart = ThreadSeconds();
        int step = 0, left = 0;
        const bench::HeldKeys* held = nullptr;
        for (int turn = 0; turn < PlayTurns; turn++) {
            if (left == 0) {
                if (held)
                    for (int vk : held->keys)
                        if (vk) ktScript::ReleaseKey(vk);
                held = &bench::MoveRound[step++ % std::size(bench::MoveRound)];
                for (int vk : held->keys)
                    if (vk) ktScript::PressKey(vk);
                left = held->frames;
            }
            bench::Turn(TurnMs);
            left--;
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        cpuSeconds += ThreadSeconds() - cpuStart;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        turns += PlayTurns;

        const bool played = ktSystem::SceneId == 1 && StageNo == 0 && StageTime > 59.9f;
        bench::StopScriptedGame();
        if (!played) {
            state.SkipWithError("the minute was not all stage 0");
            return;
        }
    }
    state.counters["frames_per_s"] = seconds > 0.0 ? double(turns) / seconds : 0.0;
    state.counters["frames_per_cpu_s"] = cpuSeconds > 0.0 ? double(turns) / cpuSeconds : 0.0;
}
BENCHMARK(BM_SimulatorStage0InProcess)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_SimulatorStage0Script(benchmark::State& state) {
    const std::string folder = bench::ScratchGameFolder("simulator-script");
    const std::string script = folder + "/stage0.sim";
    std::ofstream(script) << "root " << folder << "\nseed 7\nstep " << TurnMs << "\n"
                          << bench::StartStandardScript << "set BossHp " << LastingBossHp
                          << "\nset Lives " << LastingLives << "\n"
                          << bench::MoveRoundScript(PlayTurns)
                          << "expect SceneId == 1\nexpect StageNo == 0\nexpect StageTime > 59.9\n";
    double seconds = 0.0, cpuSeconds = 0.0;
    int64_t turns = 0;
    for (auto _ : state) {
        const bench::ChildRun run =
            bench::RunChild(bench::SimulatorPath(), {script}, folder + "/stage0.out");
        if (!run.started || run.exitStatus != 0) {
            state.SkipWithError(("the simulator failed: " + run.output).c_str());
            return;
        }
        state.SetIterationTime(run.seconds);
        seconds += run.seconds;
        cpuSeconds += run.cpuSeconds;
        turns += PlayTurns + 7;  // the menu turns count too
    }
    state.counters["frames_per_s"] = seconds > 0.0 ? double(turns) / seconds : 0.0;
    state.counters["frames_per_cpu_s"] = cpuSeconds > 0.0 ? double(turns) / cpuSeconds : 0.0;
}
BENCHMARK(BM_SimulatorStage0Script)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
