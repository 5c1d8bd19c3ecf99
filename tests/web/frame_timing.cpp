// The worst play frame of the native benchmark (BM_PlayFrameWorstCase with
// the scripted presentation, bench/bench_play_frame.cpp), timed in the
// browser: the same game code on the scripted platform, compiled to
// WebAssembly, on the site's own data. The browser's clock is coarse (a
// tenth of a millisecond), so frames are timed in many short batches (a
// batch of frames with their set-up, less as many set-ups alone), short
// enough that few are cut into by other work on a busy machine; the median
// batch counts. A warm-up first lets the browser compile the hot code at
// its best. Prints "frame_med_us <median µs>" for the browser test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_common.h"
#include "worst_case.h"

int main() {
    if (bench::StartScriptedGame("/", 7) != 0) {
        std::puts("timing: the resource set did not load");
        return 1;
    }
    bench::StartStandardGame();
    if (ktSystem::SceneId != 1) {
        std::puts("timing: the game did not reach the play scene");
        return 1;
    }
    ktPlatform::Sys.SoundCall = nullptr;  // the scripted list of sound calls grows without end

    for (int i = 0; i < 3000; i++) {
        bench::FillWorstCase();
        PlayFrame();
    }
    using Clock = std::chrono::steady_clock;
    constexpr int Batches = 301;
    constexpr int BatchFrames = 20;
    std::vector<double> frameMicroseconds;
    for (int batch = 0; batch < Batches; batch++) {
        const auto start = Clock::now();
        for (int i = 0; i < BatchFrames; i++) {
            bench::FillWorstCase();
            PlayFrame();
        }
        const auto framesEnd = Clock::now();
        for (int i = 0; i < BatchFrames; i++) bench::FillWorstCase();
        const auto setUpsEnd = Clock::now();
        const auto frames = (framesEnd - start) - (setUpsEnd - framesEnd);
        frameMicroseconds.push_back(std::chrono::duration<double, std::micro>(frames).count() / BatchFrames);
    }
    if (ktSystem::SceneId != 1 || StageNo != 0) {
        std::puts("timing: the frame left the stage");
        return 1;
    }
    std::sort(frameMicroseconds.begin(), frameMicroseconds.end());
    std::printf("frame_med_us %.1f\n", frameMicroseconds[frameMicroseconds.size() / 2]);
    return 0;
}
