// Waveforms, noise, filter and unit conversions of the synthesizer.
#include "sound_synth.h"

#include <cmath>

namespace soundtool {

namespace {

// The correction that rounds off a step of a band-limited edge: `t` is the
// phase since the edge (0 to 1), `dt` the phase advance of one sample.
double EdgeCorrection(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

}  // namespace

int ParseWaveName(const std::string& word, Wave* out) {
    struct Name {
        const char* word;
        Wave wave;
    };
    static constexpr Name Names[] = {
        {"sine", Wave::Sine},         {"square", Wave::Square}, {"saw", Wave::Saw},
        {"triangle", Wave::Triangle}, {"noise", Wave::Noise},
    };
    for (const Name& name : Names) {
        if (word == name.word) {
            *out = name.wave;
            return 1;
        }
    }
    return 0;
}

int ParseFilterName(const std::string& word, FilterKind* out) {
    if (word == "lowpass") *out = FilterKind::Lowpass;
    else if (word == "highpass") *out = FilterKind::Highpass;
    else if (word == "bandpass") *out = FilterKind::Bandpass;
    else return 0;
    return 1;
}

NoiseSource SeedNoise(uint32_t seed) {
    // Spread the seed so that neighbouring seeds start far apart; zero
    // would stall the generator.
    uint32_t state = seed * 2654435761u + 0x9E3779B9u;
    if (state == 0) state = 0x12345678u;
    return NoiseSource{state};
}

float NextNoise(NoiseSource* noise) {
    uint32_t x = noise->state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    noise->state = x;
    return float(double(x >> 8) / 8388608.0 - 1.0);
}

Oscillator StartOscillator(uint32_t seed, double phase) {
    Oscillator osc{phase, 0.0f, SeedNoise(seed)};
    osc.held = NextNoise(&osc.noise);
    return osc;
}

float OscillatorStep(Oscillator* osc, Wave wave, double frequency, double duty, double rate) {
    double dt = frequency / rate;
    if (dt < 0.0) dt = 0.0;
    double t = osc->phase;
    double value = 0.0;
    switch (wave) {
    case Wave::Sine:
        value = std::sin(2.0 * Pi * t);
        break;
    case Wave::Saw:
        value = 2.0 * t - 1.0;
        if (dt < 0.5) value -= EdgeCorrection(t, dt);
        break;
    case Wave::Square: {
        value = t < duty ? 1.0 : -1.0;
        if (dt < 0.5) {
            double fall = t - duty;
            if (fall < 0.0) fall += 1.0;
            value += EdgeCorrection(t, dt) - EdgeCorrection(fall, dt);
        }
        break;
    }
    case Wave::Triangle:
        value = t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t;
        break;
    case Wave::Noise:
        value = osc->held;
        break;
    }
    double next = t + dt;
    if (wave == Wave::Noise) {
        // Draw a new value each time the phase wraps; at or above the
        // sample rate every sample is new.
        if (dt >= 1.0) {
            osc->held = NextNoise(&osc->noise);
            next = 0.0;
        } else if (next >= 1.0) {
            osc->held = NextNoise(&osc->noise);
        }
    }
    osc->phase = next - std::floor(next);
    return float(value);
}

float FilterStep(Filter* filter, FilterKind kind, double cutoff, double resonance, double rate,
                 float in) {
    if (kind == FilterKind::None) return in;
    double highest = rate * 0.45;
    if (cutoff > highest) cutoff = highest;
    if (cutoff < 10.0) cutoff = 10.0;
    if (resonance < 0.1) resonance = 0.1;
    double g = std::tan(Pi * cutoff / rate);
    double k = 1.0 / resonance;
    double a1 = 1.0 / (1.0 + g * (g + k));
    double a2 = g * a1;
    double a3 = g * a2;
    double v3 = double(in) - filter->lowState;
    double v1 = a1 * filter->bandState + a2 * v3;
    double v2 = filter->lowState + a2 * filter->bandState + a3 * v3;
    filter->bandState = 2.0 * v1 - filter->bandState;
    filter->lowState = 2.0 * v2 - filter->lowState;
    switch (kind) {
    case FilterKind::Lowpass: return float(v2);
    case FilterKind::Bandpass: return float(v1 * k);  // unity gain at the cutoff
    case FilterKind::Highpass: return float(double(in) - k * v1 - v2);
    case FilterKind::None: break;
    }
    return in;
}

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }

double SemitoneRatio(double semitones) { return std::pow(2.0, semitones / 12.0); }

double NoteFrequency(double note) { return 440.0 * SemitoneRatio(note - 69.0); }

}  // namespace soundtool
