// The synthesizer's building blocks, shared by effects and songs: waveforms,
// a noise generator with its own fixed seed, a resonant filter, and the
// conversions between decibels, semitones and frequencies.
#pragma once

#include <cstdint>
#include <string>

namespace soundtool {

enum class Wave { Sine, Square, Saw, Triangle, Noise };
enum class FilterKind { None, Lowpass, Highpass, Bandpass };

// "sine", "square", "saw", "triangle", "noise": 1 and the wave, or 0.
int ParseWaveName(const std::string& word, Wave* out);
// "lowpass", "highpass", "bandpass": 1 and the kind, or 0.
int ParseFilterName(const std::string& word, FilterKind* out);

// Noise from a 32-bit xorshift generator: the same seed gives the same
// noise on every run.
struct NoiseSource {
    uint32_t state;
};
NoiseSource SeedNoise(uint32_t seed);
// The next noise value, from -1 to 1.
float NextNoise(NoiseSource* noise);

// One oscillator. Square and saw are band-limited at their edges so that
// high notes do not alias; noise is drawn anew `frequency` times a second
// (at the sample rate or above it, plain white noise).
struct Oscillator {
    double phase;     // 0 to 1
    float held;       // the noise value being held
    NoiseSource noise;
};
Oscillator StartOscillator(uint32_t seed, double phase);
// One sample of `wave` at `frequency` Hz; `duty` is the high part of a
// square's cycle (0.5 an even square).
float OscillatorStep(Oscillator* osc, Wave wave, double frequency, double duty, double rate);

// A two-pole state-variable filter; cutoff may change from sample to sample.
struct Filter {
    double bandState;  // the two integrators of the filter
    double lowState;
};
// `resonance` is the filter's Q: 0.707 flat, higher rings at the cutoff.
float FilterStep(Filter* filter, FilterKind kind, double cutoff, double resonance, double rate,
                 float in);

double DbToGain(double db);
double SemitoneRatio(double semitones);
// Frequency of note number `note` (69 = A4 = 440 Hz).
double NoteFrequency(double note);

constexpr double Pi = 3.14159265358979323846;

}  // namespace soundtool
