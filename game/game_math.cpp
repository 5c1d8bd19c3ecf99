// Sine and cosine from + - * / alone, and a truncation without undefined
// behaviour: the game's motion gives the same bits on every platform.
//
// How the sine and cosine work:
// 1. The argument is reduced by whole quarter turns: |x| = (n + f) × pi/2
//    with |f| ≤ 1/2. The reduction is exact integer arithmetic on the
//    argument's 53-bit mantissa and a 256-bit window of the binary digits of
//    2/pi (the window's place follows the argument's exponent): f is right
//    to 200 bits after the point for every finite double, which leaves more
//    than 130 significant bits even where a double comes closest to a
//    multiple of pi/2 (f about 2^-62).
// 2. r = f × pi/2 and sin r or cos r follow from their Taylor series in
//    double-double arithmetic (each value an unevaluated sum of two doubles,
//    about 106 bits), the small high terms in plain double.
// 3. The double-double result is rounded once to double.
//
// Double-double arithmetic needs the exact error of a sum and of a product.
// The product's error comes from Dekker's method with Veltkamp's split, not
// from a fused multiply-add, which not every target has; the build turns
// the compiler's contraction of a * b + c into a fused multiply-add off
// (-ffp-contract=off), which this code relies on.
#include "game_math.h"

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <limits>

// (No std::bit_cast: the browser build's C++ library has none.)
// Doubles are IEEE binary64 and every operation rounds to double, not to a
// wider format (x86-64 computes with SSE2, WebAssembly with its own f64
// operations; the x87 unit of 32-bit x86 would keep 64-bit mantissas).
static_assert(std::numeric_limits<double>::is_iec559, "doubles must be IEEE binary64");
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must round to double");

namespace {

// The unevaluated sum hi + lo, with |lo| at most half an ulp of hi.
struct DoubleDouble {
    double hi;
    double lo;
};

// a + b exactly, when |a| ≥ |b| or a is 0.
DoubleDouble QuickTwoSum(double a, double b) {
    const double sum = a + b;
    return {sum, b - (sum - a)};
}

// a + b exactly, in either order (Knuth).
DoubleDouble TwoSum(double a, double b) {
    const double sum = a + b;
    const double bPart = sum - a;
    return {sum, (a - (sum - bPart)) + (b - bPart)};
}

// a = high + low, each with at most 26 significant bits (Veltkamp).
void Split(double a, double* high, double* low) {
    const double scaled = 134217729.0 * a;  // 2^27 + 1
    *high = scaled - (scaled - a);
    *low = a - *high;
}

// a × b exactly (Dekker).
DoubleDouble TwoProduct(double a, double b) {
    const double product = a * b;
    double aHigh, aLow, bHigh, bLow;
    Split(a, &aHigh, &aLow);
    Split(b, &bHigh, &bLow);
    const double error = ((aHigh * bHigh - product) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
    return {product, error};
}

DoubleDouble Add(DoubleDouble a, DoubleDouble b) {
    DoubleDouble sum = TwoSum(a.hi, b.hi);
    const DoubleDouble low = TwoSum(a.lo, b.lo);
    sum = QuickTwoSum(sum.hi, sum.lo + low.hi);
    return QuickTwoSum(sum.hi, sum.lo + low.lo);
}

DoubleDouble Multiply(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble product = TwoProduct(a.hi, b.hi);
    return QuickTwoSum(product.hi, product.lo + (a.hi * b.lo + a.lo * b.hi));
}

DoubleDouble Negate(DoubleDouble a) { return {-a.hi, -a.lo}; }

// pi/2 and the largest double not above pi/4.
constexpr DoubleDouble HalfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};
constexpr double QuarterPi = 0x1.921fb54442d18p-1;

// Below this, sin x rounds to x and cos x to 1.
constexpr double Tiny = 0x1p-27;

// The binary digits of 2/pi = 0.101000101111..., 32 to a word, behind two
// words of zeros that stand for the digits before the point. The reduction
// of the largest double reads up to word 40.
constexpr uint32_t TwoOverPiWords[42] = {
    0x00000000, 0x00000000,
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561,
    0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C, 0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484,
    0xE99C7026, 0xB45F7E41, 0x3991D639, 0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F,
    0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B,
    0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08, 0x56033046, 0xFC7B6BAB, 0xF0CFBC20, 0x9AF4361D,
};

constexpr int WindowWords = 8;  // 256 bits

// Splits a finite x ≥ pi/4 into x = (n + f) × pi/2 with n whole and
// |f| ≤ 1/2; returns n mod 4 and sets r = f × pi/2.
int ReduceQuarterTurns(double x, DoubleDouble* r) {
    // x = mantissa × 2^exponent, the mantissa a 53-bit whole number.
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int exponent = static_cast<int>(bits >> 52) - 1075;
    const uint64_t mantissa = (bits & 0xFFFFFFFFFFFFFull) | (uint64_t(1) << 52);

    // With 2/pi = sum of d_k 2^-k, the digits k ≤ exponent - 2 add only
    // multiples of 4 to x × 2/pi, which change neither n mod 4 nor f: the
    // window starts at digit exponent - 1. Digit k is bit k + 63 of the
    // table (counted from its first bit as 0).
    const int first = exponent - 1 + 63;
    const int word = first / 32;
    const int shift = first % 32;
    uint32_t window[WindowWords];  // most significant word first
    for (int j = 0; j < WindowWords; j++) {
        const uint32_t high = TwoOverPiWords[word + j];
        const uint32_t low = TwoOverPiWords[word + j + 1];
        window[j] = shift == 0 ? high : (high << shift) | (low >> (32 - shift));
    }

    // mantissa × window, its lowest 256 bits: x × 2/pi mod 4 with 2 bits
    // before the point and 254 after. The digits of 2/pi past the window
    // would add less than 2^-200.
    const uint64_t mantissaLow = mantissa & 0xFFFFFFFFu;
    const uint64_t mantissaHigh = mantissa >> 32;
    uint32_t product[WindowWords];
    uint64_t carry = 0;
    for (int j = WindowWords - 1; j >= 0; j--) {
        const uint64_t low = mantissaLow * window[j];
        const uint64_t high = j + 1 < WindowWords ? mantissaHigh * window[j + 1] : 0;
        const uint64_t sum = (low & 0xFFFFFFFFu) + (high & 0xFFFFFFFFu) + (carry & 0xFFFFFFFFu);
        product[j] = static_cast<uint32_t>(sum);
        carry = (low >> 32) + (high >> 32) + (carry >> 32) + (sum >> 32);
    }

    int quadrant = static_cast<int>(product[0] >> 30);
    uint32_t fraction[WindowWords];  // the part after the point, 0 to 1
    for (int j = 0; j < WindowWords; j++)
        fraction[j] = (product[j] << 2) | (j + 1 < WindowWords ? product[j + 1] >> 30 : 0);

    // From a half upward, the nearest whole number is the next one, and f
    // is the fraction less 1: its size is the two's complement.
    const bool negative = (fraction[0] >> 31) != 0;
    if (negative) {
        quadrant += 1;
        carry = 1;  // 2^256 - fraction = (every bit inverted) + 1
        for (int j = WindowWords - 1; j >= 0; j--) {
            const uint64_t sum = uint64_t(static_cast<uint32_t>(~fraction[j])) + carry;
            fraction[j] = static_cast<uint32_t>(sum);
            carry = sum >> 32;
        }
    }

    // |f| as a double-double: each word is exact as a double, and so is its
    // scaling by a power of two.
    DoubleDouble f = {0.0, 0.0};
    double scale = 1.0;
    for (int j = 0; j < WindowWords; j++) {
        scale *= 0x1p-32;
        f = Add(f, {static_cast<double>(fraction[j]) * scale, 0.0});
    }
    *r = Multiply(f, HalfPi);
    if (negative) *r = Negate(*r);
    return quadrant & 3;
}

// 1/n!, n = 0 to 17, as double-doubles (from MPFR at 2000 bits).
constexpr DoubleDouble InverseFactorial[18] = {
    {0x1p+0, 0x0p+0},
    {0x1p+0, 0x0p+0},
    {0x1p-1, 0x0p+0},
    {0x1.5555555555555p-3, 0x1.5555555555555p-57},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-73},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6cp-73},
    {0x1.27e4fb7789f5cp-22, 0x1.cbbc05b4fa99ap-76},
    {0x1.ae64567f544e4p-26, -0x1.c062e06d1f209p-80},
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    {0x1.93974a8c07c9dp-37, 0x1.05d6f8a2efd1fp-92},
    {0x1.ae7f3e733b81fp-41, 0x1.1d8656b0ee8cbp-97},
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
};

// 1/n!, n = 18 to 30, rounded to double: at |r| ≤ pi/4 the terms from
// z^9 on are below 2^-58 of the result, so rounding them to double costs
// less than 2^-110 of it.
constexpr double SmallInverseFactorial[13] = {
    0x1.6827863b97d97p-53, 0x1.2f49b46814157p-57, 0x1.e542ba4020225p-62, 0x1.71b8ef6dcf572p-66,
    0x1.0ce396db7f853p-70, 0x1.761b41316381ap-75, 0x1.f2cf01972f578p-80, 0x1.3f3ccdd165fa9p-84,
    0x1.88e85fc6a4e5ap-89, 0x1.d1ab1c2dccea3p-94, 0x1.0a18a2635085dp-98, 0x1.259f98b4358adp-103,
    0x1.3932c5047d60ep-108,
};

constexpr int DoubleDoubleTerms = 9;  // z^0 to z^8 in double-double

// The sum over k of (-1)^k z^k / (2k + offset)!, with z = r^2: offset 1 for
// the sine's series divided by r, 0 for the cosine's. It ends at the term of
// 30!: the first one left out is below 2^-120 of the result.
DoubleDouble Series(DoubleDouble z, int offset) {
    const int lastK = (30 - offset) / 2;
    // The small terms, from the last one down to k = 9, in double.
    double tail = 0.0;
    for (int k = lastK; k >= DoubleDoubleTerms; k--) {
        const double term = SmallInverseFactorial[2 * k + offset - 18];
        tail = tail * z.hi + (k % 2 == 0 ? term : -term);
    }
    DoubleDouble sum = {tail, 0.0};
    for (int k = DoubleDoubleTerms - 1; k >= 0; k--) {
        const DoubleDouble term = InverseFactorial[2 * k + offset];
        sum = Add(Multiply(sum, z), k % 2 == 0 ? term : Negate(term));
    }
    return sum;
}

DoubleDouble SinOfReduced(DoubleDouble r) { return Multiply(r, Series(Multiply(r, r), 1)); }

DoubleDouble CosOfReduced(DoubleDouble r) { return Series(Multiply(r, r), 0); }

// The quiet NaN with a fixed sign and payload: a NaN made by an operation
// has a sign that differs between platforms.
double NotANumber() {
    const uint64_t bits = 0x7FF8000000000000;
    double nan;
    std::memcpy(&nan, &bits, sizeof nan);
    return nan;
}

// sin or cos of |x| (x finite, |x| ≥ Tiny) as quadrant 0 to 3 of the
// table below and the reduced argument r.
int Reduce(double magnitude, DoubleDouble* r) {
    if (magnitude <= QuarterPi) {
        *r = {magnitude, 0.0};
        return 0;
    }
    return ReduceQuarterTurns(magnitude, r);
}

// sin(n pi/2 + r) = sin r, cos r, -sin r, -cos r for n mod 4 = 0, 1, 2, 3;
// cos(n pi/2 + r) is sin((n + 1) pi/2 + r).
double SinOfQuadrant(int quadrant, DoubleDouble r, bool negate) {
    DoubleDouble value = quadrant % 2 == 0 ? SinOfReduced(r) : CosOfReduced(r);
    if (quadrant >= 2) value = Negate(value);
    if (negate) value = Negate(value);
    return value.hi + value.lo;
}

}  // namespace

double GameSin(double x) {
    const double magnitude = x < 0.0 ? -x : x;
    if (!(magnitude <= DBL_MAX)) return NotANumber();  // NaN or infinite
    if (magnitude < Tiny) return x;                  // 0 and -0 included
    DoubleDouble r;
    const int quadrant = Reduce(magnitude, &r);
    return SinOfQuadrant(quadrant, r, x < 0.0);
}

double GameCos(double x) {
    const double magnitude = x < 0.0 ? -x : x;
    if (!(magnitude <= DBL_MAX)) return NotANumber();
    if (magnitude < Tiny) return 1.0;
    DoubleDouble r;
    const int quadrant = Reduce(magnitude, &r);
    return SinOfQuadrant((quadrant + 1) & 3, r, false);
}

int32_t TruncateToInt(double value) {
    // The truncation fits exactly when -2^31 - 1 < value < 2^31.
    if (value > -2147483649.0 && value < 2147483648.0) return static_cast<int32_t>(value);
    return INT32_MIN;
}
