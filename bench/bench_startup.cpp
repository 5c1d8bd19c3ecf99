// Start-up and memory of a whole headless game, each in a process of its
// own: grazerunner-sim runs the game's start-up and its first title frame
// (the median of several runs), and, separately, a whole game through every
// stage to the results and back to the title. Peak resident memory comes
// from getrusage of the child.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "bench_common.h"
#include "child_process.h"
#include "scripted_play.h"

namespace {

// One frame of the title, then checks that every picture and sound loaded:
// no error box, and the handles in the order the resource set loads them.
constexpr const char* FirstFrameScript =
    "frames 1\n"
    "expect SceneId == 2\n"
    "expect MenuBackImage == 2\nexpect StageImage == 3\nexpect ChipsImage2 == 4\n"
    "expect DigitsImage == 5\nexpect MenuBarImage == 6\n"
    "expect ShotSound == 0\nexpect LaserSound == 8\n"
    "dump Boxes\n";

constexpr int StartUpRuns = 15;

void BM_StartUpToFirstTitleFrame(benchmark::State& state) {
    const std::string folder = bench::ScratchGameFolder("start-up");
    const std::string script = folder + "/first-frame.sim";
    std::ofstream(script) << "root " << folder << "\n" << FirstFrameScript;
    std::vector<double> times, cpuTimes;
    long peakKiB = 0;
    for (auto _ : state) {
        times.clear();
        cpuTimes.clear();
        for (int run = 0; run < StartUpRuns; run++) {
            const bench::ChildRun child =
                bench::RunChild(bench::SimulatorPath(), {script}, folder + "/first-frame.out");
            if (!child.started || child.exitStatus != 0 ||
                child.output.find("\"Boxes\":[]") == std::string::npos) {
                state.SkipWithError(("start-up failed or showed a box: " + child.output).c_str());
                return;
            }
            times.push_back(child.seconds);
            cpuTimes.push_back(child.cpuSeconds);
            peakKiB = std::max(peakKiB, child.peakKiB);
        }
        std::sort(times.begin(), times.end());
        std::sort(cpuTimes.begin(), cpuTimes.end());
        state.SetIterationTime(times[times.size() / 2]);
    }
    // Wall-clock times from the spawn to the end of the process, and the
    // median processor time of the child (what it costs, however busy the
    // machine is).
    state.counters["median_ms"] = times[times.size() / 2] * 1e3;
    state.counters["min_ms"] = times.front() * 1e3;
    state.counters["max_ms"] = times.back() * 1e3;
    state.counters["cpu_ms"] = cpuTimes[cpuTimes.size() / 2] * 1e3;
    state.counters["peak_MiB"] = double(peakKiB) / 1024.0;
}
BENCHMARK(BM_StartUpToFirstTitleFrame)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// A whole game: 20 s of stage 0, then every further stage for 10 s by the
// skip key, the last life lost, the results confirmed and the title again.
std::string WholeGameScript(const std::string& folder) {
    std::string s = "root " + folder + "\nseed 11\nstep 16\n";
    s += bench::StartStandardScript;
    s += "set BossHp 1000000\nset Lives 1000\n";
    s += bench::MoveRoundScript(1250);
    for (int stage = 1; stage <= 4; stage++) {
        s += "hold Num5\nframes 1\nrelease Num5\n";
        s += "expect StageNo == " + std::to_string(stage) + "\n";
        s += "set BossHp 1000000\n";
        s += bench::MoveRoundScript(625);
    }
    s += "set Lives 0\nuntil SceneId == 4 20000\n";
    s += "hold Enter\nframes 1\nrelease Enter\nframes 1\nexpect SceneId == 2\n";
    s += "dump Boxes\n";
    return s;
}

void BM_WholeGamePeakMemory(benchmark::State& state) {
    const std::string folder = bench::ScratchGameFolder("whole-game");
    const std::string script = folder + "/whole-game.sim";
    std::ofstream(script) << WholeGameScript(folder);
    long peakKiB = 0;
    for (auto _ : state) {
        const bench::ChildRun child =
            bench::RunChild(bench::SimulatorPath(), {script}, folder + "/whole-game.out");
        if (!child.started || child.exitStatus != 0 ||
            child.output.find("\"Boxes\":[]") == std::string::npos) {
            state.SkipWithError(("the whole game failed: " + child.output).c_str());
            return;
        }
        state.SetIterationTime(child.seconds);
        peakKiB = child.peakKiB;
    }
    state.counters["peak_MiB"] = double(peakKiB) / 1024.0;
}
BENCHMARK(BM_WholeGamePeakMemory)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
