// The game's own maths: sine, cosine and the truncation of a double to an
// integer, giving the same bits on every platform the game is built for
// (x86-64 Linux and Windows, WebAssembly), so that a recorded game plays the
// same everywhere. They use only + - * / of IEEE double, which every one of
// those platforms rounds the same way; nothing here calls the C library.
#pragma once

#include <cstdint>

// sin(x) and cos(x) correctly rounded to the nearest double (the evaluation
// carries about 100 bits, so a wrong rounding would need an argument whose
// true value lies within 2^-100 of halfway between two doubles; none is
// known). Every finite argument is reduced exactly, however large. NaN and
// infinities give the quiet NaN 0x7FF8000000000000.
double GameSin(double x);
double GameCos(double x);

// Truncation toward zero, as static_cast<int32_t> does when the result fits.
// NaN and values whose truncation does not fit give INT32_MIN, which is what
// x86-64 gives for them (cvttsd2si); a plain cast of those is undefined
// behaviour and differs between platforms.
int32_t TruncateToInt(double value);
