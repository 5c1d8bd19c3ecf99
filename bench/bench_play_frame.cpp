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

constexpr float FrameStep = 0.016f;
constexpr float FieldSize = 240.0f;

// Keeps a shot away from the player's hit box, so that the frame stays a
// playing frame (a hit would turn the player into the smaller explosion).
float AwayFromPlayer(float x, float y) {
    if (x > PlayerX - 15.0f && x < PlayerX + 15.0f && y > PlayerY - 15.0f && y < PlayerY + 15.0f)
        return x + 40.0f;
    return x;
}

// Puts the play scene in its busiest state. Called before every frame: the
// frame moves the shots, clears a column of them with the bomb and ends
// bursts, so the tables are filled again each time.
void FillWorstCase() {
    ktSystem::SceneId = 1;
    ktSystem::FrameSeconds = FrameStep;
    PlayerX = 120.0f;
    PlayerY = 200.0f;
    HitTimer = 0.0f;
    BossX = 120.0f;
    BossY = 80.0f;
    BossVX = 40;
    BossVY = 20;
    BossHp = 100000;         // the boss does not fall in this frame
    Script1Delay = 1000.0f;  // no script entry is read: the tables stay as set
    Script2Delay = 1000.0f;
    Score = 1234567890;
    Combo = 123456;
    ComboTimer = 240.0f;     // the gauge is full
    Bombs = 15;              // the most the stock holds, all drawn
    ReverseStock = 2;
    ReverseCooldown = 0.0f;
    BombTimer = 30.0f;       // the beam is on
    ShotTimer = 0.0f;        // a volley is due

    // Every usable slot (the last of each table is never used), spread over
    // the field and, for depth shots, over the depths: near ones are drawn
    // large.
    for (int i = 0; i < DepthShotCount - 1; i++) {
        DepthShotEntry& shot = DepthShot[i];
        shot.y = 5.0f + float((i * 53) % 230);
        shot.x = AwayFromPlayer(5.0f + float((i * 37) % 230), shot.y);
        shot.z = 1.0f + float((i * 29) % 99);
        shot.vx = (i % 7) - 3;
        shot.vy = (i % 5) - 2;
        shot.vz = 10;
        shot.kind = i % 5;
        shot.active = 1;
    }
    for (int i = 0; i < FlatShotCount - 1; i++) {
        FlatShotEntry& shot = FlatShot[i];
        shot.y = 2.0f + float((i * 71) % 226);
        shot.x = AwayFromPlayer(2.0f + float((i * 43) % 226), shot.y);
        shot.vx = (i % 9) - 4;
        shot.vy = (i % 7) - 3;
        shot.kind = i % 5;
        shot.active = 1;
    }
    for (int i = 0; i < PlayerShotCount - 1; i++) {
        PlayerShotEntry& shot = PlayerShot[i];
        shot.x = 10.0f + float((i * 31) % 220);
        shot.y = 20.0f + float((i * 17) % 200);
        shot.vx = 0;
        shot.vy = i % 4 == 0 ? 300 : -300;
        shot.active = 1;
    }
    for (int i = 0; i < BurstCount - 1; i++) {
        BurstEntry& burst = Burst[i];
        burst.x = 40 + (i * 41) % 220;
        burst.y = (i * 23) % 220;
        burst.frame = i % 3;
        burst.active = 1;
    }
    DepthShotCursor = 0;
    FlatShotCursor = 0;
    PlayerShotCursor = 0;
    BurstCursor = 0;
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
    FillWorstCase();
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
        FillWorstCase();
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
