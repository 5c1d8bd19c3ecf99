// The game's sine and cosine (game_math.h) against the C library's, on the
// angles the patterns make (a few hundred radians at most in a stage of ten
// minutes) and on large arguments, which take the same exact reduction.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "game_math.h"

namespace {

std::vector<double> Angles(double low, double high) {
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> uniform(low, high);
    std::vector<double> angles(1024);
    for (double& a : angles) a = uniform(random);
    return angles;
}

template <double (*Function)(double)>
void RunOver(benchmark::State& state, double low, double high) {
    const std::vector<double> angles = Angles(low, high);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Function(angles[i]));
        i = (i + 1) % angles.size();
    }
}

double LibrarySin(double x) { return std::sin(x); }
double LibraryCos(double x) { return std::cos(x); }

void BM_GameSin(benchmark::State& state) { RunOver<GameSin>(state, -600.0, 600.0); }
void BM_GameCos(benchmark::State& state) { RunOver<GameCos>(state, -600.0, 600.0); }
void BM_GameSinSmall(benchmark::State& state) { RunOver<GameSin>(state, -0.78, 0.78); }
void BM_GameSinLarge(benchmark::State& state) { RunOver<GameSin>(state, 1e15, 1e300); }
void BM_LibrarySin(benchmark::State& state) { RunOver<LibrarySin>(state, -600.0, 600.0); }
void BM_LibraryCos(benchmark::State& state) { RunOver<LibraryCos>(state, -600.0, 600.0); }

}  // namespace

BENCHMARK(BM_GameSin);
BENCHMARK(BM_GameCos);
BENCHMARK(BM_GameSinSmall);
BENCHMARK(BM_GameSinLarge);
BENCHMARK(BM_LibrarySin);
BENCHMARK(BM_LibraryCos);
