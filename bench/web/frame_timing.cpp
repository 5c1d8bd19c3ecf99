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
#include <array>
#include <chrono>
#include <cstdio>

#include "bench_common.h"
#include "worst_case.h"

static int Fail(const char* why) {
    std::printf("timing: %s\n", why);
    return 1;
}

// `frames` worst-case set-ups, each played when `play`.
static void Run(int frames, bool play) {
    for (int i = 0; i < frames; i++) {
        bench::FillWorstCase();
        if (play) PlayFrame();
    }
}

int main() {
    if (bench::StartScriptedGame("/", 7) != 0) return Fail("the resource set did not load");
    bench::StartStandardGame();
    if (ktSystem::SceneId != 1) return Fail("the game did not reach the play scene");
    ktPlatform::Sys.SoundCall = nullptr;  // the scripted list of sound calls grows without end

    Run(3000, true);
    using Clock = std::chrono::steady_clock;
    constexpr int Batches = 301, BatchFrames = 20;
    std::array<double, Batches> frameMicroseconds;
    for (double& microseconds : frameMicroseconds) {
        const auto start = Clock::now();
        Run(BatchFrames, true);
        const auto framesEnd = Clock::now();
        Run(BatchFrames, false);
        const auto frames = (framesEnd - start) - (Clock::now() - framesEnd);
        microseconds = std::chrono::duration<double, std::micro>(frames).count() / BatchFrames;
    }
    if (ktSystem::SceneId != 1 || StageNo != 0) return Fail("the frame left the stage");
    std::sort(frameMicroseconds.begin(), frameMicroseconds.end());
    std::printf("frame_med_us %.1f\n", frameMicroseconds[Batches / 2]);
    return 0;
}
