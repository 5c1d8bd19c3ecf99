// The game's maths (game_math.h): GameSin and GameCos give the correctly
// rounded bits of fixed arguments (taken from MPFR) on every platform the
// suite runs on, Windows under Wine included; where the build has MPFR,
// they agree with it on arguments drawn afresh. TruncateToInt, and the
// pattern codes with the values that the simulator can poke out of range.
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>

#include "game_fixture.h"
#include "game_math.h"

#ifdef GRAZE_HAVE_MPFR
#include <mpfr.h>
#endif

namespace {

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

struct Expected {
    double x;
    double sin;
    double cos;
};

// sin and cos rounded to nearest by MPFR (mpfr_sin, mpfr_cos, MPFR_RNDN).
constexpr Expected Correct[] = {
    // zero
    {0x0p+0, 0x0p+0, 0x1p+0},
    // minus zero
    {-0x0p+0, -0x0p+0, 0x1p+0},
    // smallest subnormal
    {0x1p-1074, 0x1p-1074, 0x1p+0},
    // subnormal
    {-0x1p-1030, -0x1p-1030, 0x1p+0},
    // just below 2^-27
    {0x1.fffffffffffffp-28, 0x1.fffffffffffffp-28, 0x1p+0},
    // 2^-27: the first through the series
    {0x1p-27, 0x1p-27, 0x1p+0},
    {-0x1.4f8b588e368f1p-17, -0x1.4f8b588e1e8a2p-17, 0x1.ffffffff920c8p-1},
    {0x1p-1, 0x1.eaee8744b05fp-2, 0x1.c1528065b7d5p-1},
    {-0x1.8p-1, -0x1.5cffc16bf8f0dp-1, 0x1.769fec655211fp-1},
    // pi/4 rounded down: no reduction
    {0x1.921fb54442d18p-1, 0x1.6a09e667f3bccp-1, 0x1.6a09e667f3bcdp-1},
    // the next: reduced
    {0x1.921fb54442d19p-1, 0x1.6a09e667f3bcdp-1, 0x1.6a09e667f3bccp-1},
    {0x1p+0, 0x1.aed548f090ceep-1, 0x1.14a280fb5068cp-1},
    // the cross patterns' turn
    {0x1.91eb851eb851fp+0, 0x1.fffff55c67bb1p-1, 0x1.a181296fadbfbp-11},
    // pi/2
    {0x1.921fb54442d18p+0, 0x1p+0, 0x1.1a62633145c07p-54},
    // pi
    {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53, -0x1p+0},
    // -pi
    {-0x1.921fb54442d18p+1, -0x1.1a62633145c07p-53, -0x1p+0},
    // 3pi/2
    {0x1.2d97c7f3321d2p+2, -0x1p+0, -0x1.a79394c9e8a0ap-53},
    // 2pi
    {0x1.921fb54442d18p+2, -0x1.1a62633145c07p-52, 0x1p+0},
    // near 7pi
    {0x1.6p+4, -0x1.220a29f6eb9f4p-7, -0x1.fffadd8d4acdap-1},
    // near 113pi
    {0x1.63p+8, -0x1.f9bd0307d1de3p-16, -0x1.fffffffc18e4cp-1},
    // a ring's last step
    {0x1.7947ae147ae15p+2, -0x1.8397f57218e8dp-2, 0x1.d9e7e916fa2e2p-1},
    // a circle pattern at 123.456 s
    {0x1.f239586666666p+7, -0x1.99420fae8909ap-1, -0x1.33a7c87f2c495p-1},
    {0x1.7704cc6666666p+12, -0x1.21f9361daa014p-3, 0x1.fad786bc2992fp-1},
    {-0x1.6f8p+7, -0x1.ffb7e65144212p-1, 0x1.0fae44e32455p-5},
    // the largest angle a stage clock reaches
    {0x1.4000057eb851fp+24, -0x1.5083be7d03dep-2, 0x1.e39035375dbb6p-1},
    {0x1.e848p+19, -0x1.6664b2568d867p-2, 0x1.df9df9906d32cp-1},
    {0x1.0f0cf064dd592p+73, -0x1.b453ab76bf397p-1, 0x1.0be2cef01c8f4p-1},
    {0x1p+60, -0x1.a94adab06665cp-1, -0x1.1d146047d6947p-1},
    // the double nearest a multiple of pi/2
    {0x1.6ac5b262ca1ffp+849, 0x1p+0, -0x1.14ae72e6ba22fp-61},
    {0x1.7e43c8800759cp+996, -0x1.a2c16b010e385p-1, -0x1.2699022adc4c1p-1},
    {0x1.fffffffffffffp+1023, 0x1.452fc98b34e97p-8, -0x1.fffe62ecfab75p-1},
    {-0x1.fffffffffffffp+1023, -0x1.452fc98b34e97p-8, -0x1.fffe62ecfab75p-1},
    {-0x1.0d1ef96204ea2p+9, 0x1.b6d7b70b9b20bp-1, -0x1.07be94ec7e1c8p-1},
    {-0x1.bc8d1a5ea3061p+8, 0x1.ffef978c69b4ep-1, 0x1.033c4654b3c55p-6},
    {-0x1.d1599ddb196eep+8, -0x1.896e65f139c34p-2, 0x1.d8b3a742bb01cp-1},
    {0x1.df3e1ae543598p+8, 0x1.fa45b781f53cep-1, -0x1.317a8ac9b2a23p-3},
    {-0x1.1f9543a0080ap+9, 0x1.01f912303fb04p-2, -0x1.ef7c721caffd8p-1},
    {0x1.634aa310eb174p+8, -0x1.265dab346100fp-2, -0x1.ea6388bb25d8fp-1},
    {-0x1.94b7572140f5p+6, -0x1.3512568168426p-1, 0x1.983087bc47a05p-1},
    {0x1.43dfe3dab406p+4, 0x1.f7e495d879fd2p-1, 0x1.6b02183cd9d62p-3},
    // the C library's sin is not correctly rounded
    {0x1.243d0181ea418p+6, -0x1.7055d36d766bdp-1, -0x1.63a17056cb45fp-1},
    // the C library's sin is not correctly rounded
    {0x1.3bcd616e096cp+9, -0x1.26bad2584e4f5p-3, -0x1.faab9f8d203e4p-1},
    // the C library's sin is not correctly rounded
    {-0x1.5904ce8312aa8p+7, -0x1.19395ce89c63dp-2, -0x1.ec502bc1a5cf8p-1},
    // the C library's cos is not correctly rounded
    {0x1.81653b56c3e4cp+7, -0x1.bec9a863da9bbp-1, -0x1.f41951b42befbp-2},
    // the C library's cos is not correctly rounded
    {-0x1.505c8e0544f14p+7, 0x1.fd265c17eef37p-1, 0x1.af96788b67e31p-4},
    // the C library's cos is not correctly rounded
    {-0x1.6ebd6cd3749e4p+7, -0x1.d4e9176d52808p-1, 0x1.9b2daf1e5eca1p-2},
};

TEST(GameMath, FixedArgumentsGiveTheCorrectlyRoundedBits) {
    for (const Expected& e : Correct) {
        EXPECT_EQ(Bits(GameSin(e.x)), Bits(e.sin)) << std::hexfloat << "sin " << e.x;
        EXPECT_EQ(Bits(GameCos(e.x)), Bits(e.cos)) << std::hexfloat << "cos " << e.x;
    }
}

TEST(GameMath, NaNAndInfinitiesGiveTheOneQuietNaN) {
    constexpr uint64_t QuietNaN = 0x7FF8000000000000;
    const double arguments[] = {INFINITY, -INFINITY, NAN, -NAN, std::bit_cast<double>(uint64_t(0xFFF0000000000123))};
    for (double x : arguments) {
        EXPECT_EQ(Bits(GameSin(x)), QuietNaN) << x;
        EXPECT_EQ(Bits(GameCos(x)), QuietNaN) << x;
    }
}

#ifdef GRAZE_HAVE_MPFR
// Arguments of every size against MPFR: the game's own range, around one
// turn, every exponent, and the doubles nearest multiples of pi/4.
// (bench/game_math_check.cpp does the same over millions.)
TEST(GameMath, AgreesWithMpfr) {
    mpfr_t argument, result, quarterPi, multiple;
    mpfr_inits2(53, argument, result, static_cast<mpfr_ptr>(nullptr));
    mpfr_inits2(1200, quarterPi, multiple, static_cast<mpfr_ptr>(nullptr));
    const mpfr_exp_t oldMin = mpfr_get_emin(), oldMax = mpfr_get_emax();
    mpfr_set_emin(-1073);  // the double's range, subnormals included
    mpfr_set_emax(1024);
    mpfr_const_pi(quarterPi, MPFR_RNDN);
    mpfr_div_2ui(quarterPi, quarterPi, 2, MPFR_RNDN);
    auto exact = [&](double x, bool sine) {
        mpfr_set_d(argument, x, MPFR_RNDN);
        if (sine)
            mpfr_sin(result, argument, MPFR_RNDN);
        else
            mpfr_cos(result, argument, MPFR_RNDN);
        return mpfr_get_d(result, MPFR_RNDN);
    };
    std::mt19937_64 random(7);
    for (int n = 0; n < 4000; n++) {
        double x;
        switch (n % 4) {
        case 0: x = std::uniform_real_distribution<double>(-33554432.0, 33554432.0)(random); break;
        case 1: x = std::uniform_real_distribution<double>(-8.0, 8.0)(random); break;
        case 2: {
            const uint64_t bits = random();
            x = std::bit_cast<double>((bits >> 52 & 0x7FF) == 0x7FF ? bits ^ uint64_t(1) << 62 : bits);
            break;
        }
        default:
            mpfr_mul_ui(multiple, quarterPi, static_cast<unsigned long>(random() % 100000), MPFR_RNDN);
            x = std::nextafter(mpfr_get_d(multiple, MPFR_RNDN), n % 8 == 3 ? HUGE_VAL : -HUGE_VAL);
            break;
        }
        ASSERT_EQ(Bits(GameSin(x)), Bits(exact(x, true))) << std::hexfloat << "sin " << x;
        ASSERT_EQ(Bits(GameCos(x)), Bits(exact(x, false))) << std::hexfloat << "cos " << x;
    }
    mpfr_set_emin(oldMin);
    mpfr_set_emax(oldMax);
    mpfr_clears(argument, result, quarterPi, multiple, static_cast<mpfr_ptr>(nullptr));
}
#endif

TEST(GameMath, TruncateToIntKeepsWhatFitsAndGivesIntMinForTheRest) {
    const std::pair<double, int32_t> cases[] = {
        {0.0, 0}, {-0.0, 0}, {0.99, 0}, {-0.99, 0}, {59.999999, 59}, {-7.5, -7},
        {2147483647.0, INT32_MAX}, {2147483647.99, INT32_MAX}, {-2147483648.0, INT32_MIN},
        {-2147483648.99, INT32_MIN}, {2147483648.0, INT32_MIN}, {-2147483649.0, INT32_MIN},
        {1e300, INT32_MIN}, {-1e300, INT32_MIN}, {INFINITY, INT32_MIN}, {-INFINITY, INT32_MIN}, {NAN, INT32_MIN},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(TruncateToInt(value), expected) << std::hexfloat << value;
}

// Values only the simulator's `set` can make: a speed near the top of
// int32_t sped up, the most negative one turned round, a stage clock or a
// player's place that is NaN. Each gives what x86-64 gives (INT32_MIN, or
// INT32_MIN kept) without undefined behaviour, which the sanitizer build
// checks (float-cast-overflow, signed-integer-overflow).
class GameMathPatternTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        BossX = 120.0f, BossY = 50.0f, PlayerX = 120.0f, PlayerY = 200.0f;
    }
};

TEST_F(GameMathPatternTest, SpeedsOutOfRangeGiveIntMin) {
    FlatShot[1] = {100, 100, 2000000000, -1500000000, 0, 1};
    FlatShot[2] = {100, 100, 101, -7, 0, 1};
    FireFlatPattern(97);  // speed up 1.5 times
    EXPECT_EQ(FlatShot[1].vx, INT32_MIN);
    EXPECT_EQ(FlatShot[1].vy, INT32_MIN);
    EXPECT_EQ(FlatShot[2].vx, 151);
    EXPECT_EQ(FlatShot[2].vy, -10);
    FireFlatPattern(100);  // reverse
    EXPECT_EQ(FlatShot[1].vx, INT32_MIN);
    EXPECT_EQ(FlatShot[2].vx, -151);
    EXPECT_EQ(FlatShot[2].vy, 10);
}

TEST_F(GameMathPatternTest, NaNClockAndPlaceGiveIntMin) {
    StageTime = NAN;
    FireFlatPattern(83);  // a spin: 5 shots along angles that follow the clock
    for (int slot = 1; slot <= 5; slot++) {
        EXPECT_EQ(FlatShot[slot].vx, INT32_MIN) << slot;
        EXPECT_EQ(FlatShot[slot].vy, INT32_MIN) << slot;
    }
    FireDepthPattern(22);  // a spray
    EXPECT_EQ(DepthShot[1].vx, INT32_MIN);
    EXPECT_EQ(DepthShot[1].vy, INT32_MIN);

    PlayerX = NAN;
    FireDepthPattern(1);  // aimed at the player
    EXPECT_EQ(DepthShot[2].vx, INT32_MIN);
    SteerBoss(48);  // home on the player
    EXPECT_EQ(BossVX, INT32_MIN);
    EXPECT_EQ(BossVY, 150);
}

}  // namespace
