// The worst play frame: every shot, player-shot and burst table full, the
// bomb beam on, the combo gauge full, one PlayFrame of 16 ms. Timed with and
// without the scripted platform's presentation (which copies the finished
// picture once more), and set against a plain memcpy of the bytes the frame
// writes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "bench_common.h"
#include "draw_count.h"
#include "worst_case.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double>(end - start).count();
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PresentNothing(const ktDraw::Picture*) {}

// state.range(0): 1 with the scripted presentation, 0 with Present swapped
// for a call that does nothing.
void BM_PlayFrameWorstCase(benchmark::State& state) {
    const bool present = state.range(0) == 1;
    const std::string folder = bench::ScratchGameFolder("play-frame");
    if (bench::StartScriptedGame(folder, 7) != 0) {
        state.SkipWithError("the resource set did not load");
        return;
    }
    bench::StartStandardGame();
    if (ktSystem::SceneId != 1) {
        state.SkipWithError("the game did not reach the play scene");
        return;
    }
    ktPlatform::Sys.SoundCall = nullptr;  // the scripted list of sound calls grows without end
    if (!present) ktPlatform::Sys.Present = PresentNothing;

    // Bytes the frame writes: what the drawing calls cover, plus Flip's copy
    // of the whole picture to Front, plus the presentation's copy when on.
    bench::FillWorstCase();
    drawcount::Pixels = 0;
    drawcount::Counting = true;
    PlayFrame();
    drawcount::Counting = false;
    const uint64_t picture = uint64_t(ktDraw::ScreenWidth) * uint64_t(ktDraw::ScreenHeight);
    const uint64_t touched = drawcount::Pixels + picture + (present ? picture : 0);
    const size_t bytes = size_t(touched * 2);

    // The same bytes by memcpy, one picture's worth at a time, between two
    // pictures the size of Back (the frame's own writes land in buffers of
    // that size too). Timed right after each frame, so that both see the
    // machine in the same state; the medians leave out the turns in which
    // other work on the machine got in the way.
    const size_t pictureBytes = size_t(picture * 2);
    std::vector<uint8_t> from(pictureBytes, 0x5A), to(pictureBytes, 0);
    std::vector<double> frameTimes, copyTimes;
    for (auto _ : state) {
        bench::FillWorstCase();
        const auto start = Clock::now();
        PlayFrame();
        const auto frameEnd = Clock::now();
        for (size_t left = bytes; left > 0;) {
            const size_t chunk = left < pictureBytes ? left : pictureBytes;
            std::memcpy(to.data(), from.data(), chunk);
            benchmark::ClobberMemory();
            left -= chunk;
        }
        const auto copyEnd = Clock::now();
        state.SetIterationTime(Since(start, frameEnd));
        frameTimes.push_back(Since(start, frameEnd));
        copyTimes.push_back(Since(frameEnd, copyEnd));
    }
    benchmark::DoNotOptimize(to.data());
    if (ktSystem::SceneId != 1 || StageNo != 0) state.SkipWithError("the frame left the stage");

    const double frameMedian = Median(frameTimes), copyMedian = Median(copyTimes);
    state.counters["frame_med_us"] = frameMedian * 1e6;
    state.counters["copy_med_us"] = copyMedian * 1e6;
    state.counters["x_copy"] = copyMedian > 0.0 ? frameMedian / copyMedian : 0.0;
    state.counters["pixels"] = double(touched);
    bench::StopScriptedGame();
}

BENCHMARK(BM_PlayFrameWorstCase)
    ->ArgName("present")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
