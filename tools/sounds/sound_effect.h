// Sound effects from parameters. A source (assets/sounds/*.txt) starts with
// the line "effect", then the effect's own settings, then one or more
// layers, each opened by the line "layer" and summed into the effect:
//
//   rate 44100              samples per second, 22050 or 44100 (mono out)
//   peak -12                loudest sample in dBFS after mixing
//   length 0.5              total seconds; by default the end of the last layer
//   fade 0.002 0.005        seconds of fade at the start and at the end
//   echo 0.08 0.4 0.5       delay seconds, feedback, level of the repeats
//
//   layer
//   wave square             sine, square, saw, triangle or noise
//   duty 0.25               high part of a square's cycle
//   start 0.1               seconds after the start of the effect
//   freq 1800 600           Hz at the start and at the end of the glide
//                           (for noise: how often a new value is drawn)
//   glide 0.05              seconds of the glide (by default the layer's length)
//   env 0.002 0.01 0.1      attack, hold, decay in seconds: the layer's length
//   curve 2                 shape of the decay: 1 straight, higher falls faster
//   level 0.5               the layer's share of the mix
//   vibrato 7 0.3           vibrato rate in Hz and depth in semitones
//   filter lowpass 4000 800 0.7   kind, cutoff at the start and at the end of
//                           the layer (exponential glide), resonance (0.707 flat)
//   seed 3                  noise seed (by default the layer's number)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sound_synth.h"
#include "sound_text.h"
#include "sound_wave.h"

namespace soundtool {

struct EffectLayer {
    Wave wave;
    double duty;
    double start;
    double freqFrom, freqTo, glide;  // glide < 0: the whole layer
    double attack, hold, decay, curve;
    double level;
    double vibratoRate, vibratoDepth;
    FilterKind filter;
    double filterFrom, filterTo, resonance;
    uint32_t seed;
};

struct EffectSource {
    int rate;
    double peakDb;
    double length;  // 0: up to the end of the last layer
    double fadeIn, fadeOut;
    double echoDelay, echoFeedback, echoLevel;
    std::vector<EffectLayer> layers;
};

// Reads an effect source: 1, or 0 with *error naming the file and line.
int ParseEffect(const SourceText& text, EffectSource* out, std::string* error);
// Renders the effect to mono 16-bit samples.
void RenderEffect(const EffectSource& effect, SoundSamples* out);

}  // namespace soundtool
