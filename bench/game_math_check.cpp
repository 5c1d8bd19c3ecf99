// grazerunner_math_check [COUNT] [SEED]: GameSin and GameCos against MPFR's
// correctly rounded sine and cosine (mpfr_sin, mpfr_cos, to nearest) and
// against the C library's sin and cos, over COUNT arguments of each kind
// (1000000 by default):
//   game   the game's angles: angleStep × i + timeScale × StageTime with the
//          steps and scales of the pattern tables and StageTime a float of 0
//          to 2^21 s (the most a stage's float clock can reach)
//   range  uniform in ±2^25, beyond every angle the game can make
//   small  uniform in ±4 (one turn and a little more)
//   exp    any sign and exponent, the mantissa random: tiny, subnormal, huge
//   near   the doubles nearest k × pi/4 (k up to COUNT) and 4 either side
// Prints, per kind and function, how often the C library is not correctly
// rounded, how often GameSin/GameCos is not (which must be never) and how
// often they differ from the C library, and whether each of those is where
// the C library is wrong. Exit status 1 when the game's maths is wrong once.
#include <mpfr.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "game_math.h"
#include "pattern_tables.h"

namespace {

struct Counts {
    uint64_t arguments = 0;
    uint64_t libraryWrong = 0;      // the C library differs from MPFR
    uint64_t gameWrong = 0;         // the game's maths differs from MPFR
    uint64_t differ = 0;            // the game's maths differs from the C library
    uint64_t differLibraryRight = 0;  // ... where the C library is correctly rounded
};

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (a != a && b != b); }

mpfr_t Argument, Result;

void Check(double x, bool sine, Counts* counts) {
    mpfr_set_d(Argument, x, MPFR_RNDN);
    if (sine)
        mpfr_sin(Result, Argument, MPFR_RNDN);
    else
        mpfr_cos(Result, Argument, MPFR_RNDN);
    const double exact = mpfr_get_d(Result, MPFR_RNDN);
    const double library = sine ? std::sin(x) : std::cos(x);
    const double game = sine ? GameSin(x) : GameCos(x);
    counts->arguments++;
    const bool libraryRight = SameBits(library, exact);
    if (!libraryRight) counts->libraryWrong++;
    if (!SameBits(game, exact)) {
        counts->gameWrong++;
        if (counts->gameWrong <= 10)
            std::printf("  WRONG: %s(%a) = %a, correctly rounded %a\n", sine ? "sin" : "cos", x, game, exact);
    }
    if (!SameBits(game, library)) {
        counts->differ++;
        if (libraryRight) counts->differLibraryRight++;
    }
}

void Report(const char* kind, const char* function, const Counts& c) {
    std::printf("%-6s %s  %10" PRIu64 " arguments  library wrong %7" PRIu64 " (%.2e)  game wrong %" PRIu64
                "  game != library %7" PRIu64 " (where the library is right: %" PRIu64 ")\n",
                kind, function, c.arguments, c.libraryWrong, double(c.libraryWrong) / double(c.arguments),
                c.gameWrong, c.differ, c.differLibraryRight);
}

}  // namespace

int main(int argc, char** argv) {
    const uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    if (count == 0) {
        std::fprintf(stderr, "usage: grazerunner_math_check [COUNT] [SEED]\n");
        return 2;
    }
    mpfr_init2(Argument, 53);
    mpfr_init2(Result, 53);
    // The double's own exponent range, subnormals included, so that MPFR's
    // rounding to 53 bits is the double's rounding.
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    std::mt19937_64 random(seed);
    auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };

    // The angles' steps and scales, from both pattern tables.
    double steps[64], scales[64];
    int shots[64], kinds = 0;
    for (const DepthPattern& p : DepthPatterns)
        if (p.velocity == DepthVelocity::Spray || p.velocity == DepthVelocity::AimPlayerCircle)
            steps[kinds] = p.angleStep, scales[kinds] = p.timeScale, shots[kinds++] = p.shots;
    for (const FlatPattern& p : FlatPatterns)
        if (p.rule == FlatRule::Spin || p.rule == FlatRule::Ring || p.rule == FlatRule::Pair ||
            p.rule == FlatRule::Cross)
            steps[kinds] = p.angleStep, scales[kinds] = p.timeScale, shots[kinds++] = p.shots;

    bool wrong = false;
    auto run = [&](const char* kind, auto argument) {
        Counts sine, cosine;
        for (uint64_t n = 0; n < count; n++) {
            const double x = argument(n);
            Check(x, true, &sine);
            Check(x, false, &cosine);
        }
        Report(kind, "sin", sine);
        Report(kind, "cos", cosine);
        std::fflush(stdout);
        wrong = wrong || sine.gameWrong || cosine.gameWrong;
    };

    run("game", [&](uint64_t) {
        const int k = int(random() % uint64_t(kinds));
        const float t = float(uniform(0.0, random() % 4 == 0 ? 2097152.0 : 600.0));
        const int i = int(random() % uint64_t(shots[k]));
        double angle = steps[k] * i + scales[k] * t;
        if (random() % 4 == 0) angle = angle + (random() % 2 ? FlatCrossTurn : -FlatCrossTurn);
        return angle;
    });
    run("range", [&](uint64_t) { return uniform(-33554432.0, 33554432.0); });
    run("small", [&](uint64_t) { return uniform(-4.0, 4.0); });
    run("exp", [&](uint64_t) {
        uint64_t bits = random();
        if ((bits >> 52 & 0x7FF) == 0x7FF) bits ^= uint64_t(1) << 62;  // no infinity nor NaN
        double x;
        std::memcpy(&x, &bits, sizeof x);
        return x;
    });
    mpfr_t quarterPi;
    mpfr_init2(quarterPi, 2200);
    mpfr_const_pi(quarterPi, MPFR_RNDN);
    mpfr_div_2ui(quarterPi, quarterPi, 2, MPFR_RNDN);
    mpfr_t multiple;
    mpfr_init2(multiple, 2200);
    run("near", [&](uint64_t n) {
        const uint64_t k = n / 9 + 1;
        mpfr_mul_ui(multiple, quarterPi, static_cast<unsigned long>(k), MPFR_RNDN);
        double x = mpfr_get_d(multiple, MPFR_RNDN);
        for (int step = int(n % 9) - 4; step > 0; step--) x = std::nextafter(x, HUGE_VAL);
        for (int step = int(n % 9) - 4; step < 0; step++) x = std::nextafter(x, -HUGE_VAL);
        return x;
    });
    mpfr_clears(quarterPi, multiple, Argument, Result, static_cast<mpfr_ptr>(nullptr));
    std::printf(wrong ? "GameSin/GameCos were not correctly rounded\n" : "GameSin/GameCos correctly rounded throughout\n");
    return wrong ? 1 : 0;
}
