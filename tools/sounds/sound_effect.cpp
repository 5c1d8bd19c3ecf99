// Reading and rendering sound effects: layers of a swept oscillator through
// an envelope and a swept filter, summed, echoed, faded at the edges and
// scaled to the effect's peak level.
#include "sound_effect.h"

#include <cmath>

namespace soundtool {

namespace {

constexpr double MaxEffectSeconds = 10.0;
constexpr size_t MaxLayers = 16;

EffectLayer DefaultLayer(uint32_t number) {
    EffectLayer layer{};
    layer.wave = Wave::Sine;
    layer.duty = 0.5;
    layer.start = 0.0;
    layer.freqFrom = 440.0;
    layer.freqTo = 440.0;
    layer.glide = -1.0;
    layer.attack = 0.002;
    layer.hold = 0.0;
    layer.decay = 0.1;
    layer.curve = 2.0;
    layer.level = 1.0;
    layer.filter = FilterKind::None;
    layer.filterFrom = 20000.0;
    layer.filterTo = 20000.0;
    layer.resonance = 0.707;
    layer.seed = number;
    return layer;
}

// One key of the effect (before or between layers): 1 handled, 0 error,
// -1 not an effect key.
int ReadEffectKey(const SourceText& text, const SourceLine& line, EffectSource* effect,
                  std::string* error) {
    const std::string& key = line.words[0];
    if (key == "rate") {
        int rate = 0;
        if (!ExpectWords(text, line, 2, 2, error)) return 0;
        if (!ParseInteger(line.words[1], &rate) || (rate != 22050 && rate != 44100)) {
            *error = LineError(text, line.number, "\"rate\" must be 22050 or 44100");
            return 0;
        }
        effect->rate = rate;
        return 1;
    }
    if (key == "peak") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, -60.0, -1.0, &effect->peakDb, error);
    }
    if (key == "length") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, 0.01, MaxEffectSeconds, &effect->length, error);
    }
    if (key == "fade") {
        return ExpectWords(text, line, 3, 3, error) &&
               ReadNumber(text, line, 1, 0.0005, 1.0, &effect->fadeIn, error) &&
               ReadNumber(text, line, 2, 0.0005, 2.0, &effect->fadeOut, error);
    }
    if (key == "echo") {
        return ExpectWords(text, line, 4, 4, error) &&
               ReadNumber(text, line, 1, 0.005, 2.0, &effect->echoDelay, error) &&
               ReadNumber(text, line, 2, 0.0, 0.95, &effect->echoFeedback, error) &&
               ReadNumber(text, line, 3, 0.0, 1.0, &effect->echoLevel, error);
    }
    return -1;
}

// One key of a layer: 1 handled, 0 error, -1 not a layer key.
int ReadLayerKey(const SourceText& text, const SourceLine& line, EffectLayer* layer,
                 std::string* error) {
    const std::string& key = line.words[0];
    if (key == "wave") {
        if (!ExpectWords(text, line, 2, 2, error)) return 0;
        if (!ParseWaveName(line.words[1], &layer->wave)) {
            *error = LineError(text, line.number,
                               "unknown wave \"" + line.words[1] +
                                   "\" (sine, square, saw, triangle or noise)");
            return 0;
        }
        return 1;
    }
    if (key == "duty") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, 0.05, 0.95, &layer->duty, error);
    }
    if (key == "start") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, 0.0, MaxEffectSeconds, &layer->start, error);
    }
    if (key == "freq") {
        if (!ExpectWords(text, line, 2, 3, error)) return 0;
        if (!ReadNumber(text, line, 1, 10.0, 100000.0, &layer->freqFrom, error)) return 0;
        layer->freqTo = layer->freqFrom;
        return line.words.size() < 3 ||
               ReadNumber(text, line, 2, 10.0, 100000.0, &layer->freqTo, error);
    }
    if (key == "glide") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, 0.001, MaxEffectSeconds, &layer->glide, error);
    }
    if (key == "env") {
        return ExpectWords(text, line, 4, 4, error) &&
               ReadNumber(text, line, 1, 0.0, MaxEffectSeconds, &layer->attack, error) &&
               ReadNumber(text, line, 2, 0.0, MaxEffectSeconds, &layer->hold, error) &&
               ReadNumber(text, line, 3, 0.001, MaxEffectSeconds, &layer->decay, error);
    }
    if (key == "curve") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, 0.25, 8.0, &layer->curve, error);
    }
    if (key == "level") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, 0.0, 1.0, &layer->level, error);
    }
    if (key == "vibrato") {
        return ExpectWords(text, line, 3, 3, error) &&
               ReadNumber(text, line, 1, 0.0, 50.0, &layer->vibratoRate, error) &&
               ReadNumber(text, line, 2, 0.0, 12.0, &layer->vibratoDepth, error);
    }
    if (key == "filter") {
        if (!ExpectWords(text, line, 3, 5, error)) return 0;
        if (!ParseFilterName(line.words[1], &layer->filter)) {
            *error = LineError(text, line.number,
                               "unknown filter \"" + line.words[1] +
                                   "\" (lowpass, highpass or bandpass)");
            return 0;
        }
        if (!ReadNumber(text, line, 2, 10.0, 30000.0, &layer->filterFrom, error)) return 0;
        layer->filterTo = layer->filterFrom;
        if (line.words.size() > 3 &&
            !ReadNumber(text, line, 3, 10.0, 30000.0, &layer->filterTo, error)) {
            return 0;
        }
        return line.words.size() < 5 ||
               ReadNumber(text, line, 4, 0.3, 20.0, &layer->resonance, error);
    }
    if (key == "seed") {
        int seed = 0;
        if (!ExpectWords(text, line, 2, 2, error)) return 0;
        if (!ParseInteger(line.words[1], &seed) || seed < 0) {
            *error = LineError(text, line.number, "\"seed\" takes a whole number from 0");
            return 0;
        }
        layer->seed = uint32_t(seed);
        return 1;
    }
    return -1;
}

double LayerLength(const EffectLayer& layer) { return layer.attack + layer.hold + layer.decay; }

// Exponential glide from `from` to `to` as `u` goes from 0 to 1.
double Glide(double from, double to, double u) {
    if (u <= 0.0) return from;
    if (u >= 1.0) return to;
    return from * std::pow(to / from, u);
}

void RenderLayer(const EffectLayer& layer, int rate, std::vector<float>* mix) {
    double length = LayerLength(layer);
    size_t first = size_t(std::floor(layer.start * rate + 0.5));
    size_t count = size_t(std::floor(length * rate + 0.5));
    double glide = layer.glide > 0.0 ? layer.glide : length;
    Oscillator osc = StartOscillator(layer.seed, 0.0);
    Filter filter{};
    for (size_t n = 0; n < count && first + n < mix->size(); ++n) {
        double t = double(n) / rate;
        double freq = Glide(layer.freqFrom, layer.freqTo, t / glide);
        if (layer.vibratoDepth > 0.0) {
            freq *= SemitoneRatio(layer.vibratoDepth * std::sin(2.0 * Pi * layer.vibratoRate * t));
        }
        double env;
        if (t < layer.attack) {
            env = t / layer.attack;
        } else if (t < layer.attack + layer.hold) {
            env = 1.0;
        } else {
            double u = (t - layer.attack - layer.hold) / layer.decay;
            env = u >= 1.0 ? 0.0 : std::pow(1.0 - u, layer.curve);
        }
        float v = OscillatorStep(&osc, layer.wave, freq, layer.duty, rate);
        double cutoff = Glide(layer.filterFrom, layer.filterTo, t / length);
        v = FilterStep(&filter, layer.filter, cutoff, layer.resonance, rate, v);
        (*mix)[first + n] += float(double(v) * env * layer.level);
    }
}

}  // namespace

int ParseEffect(const SourceText& text, EffectSource* out, std::string* error) {
    EffectSource effect{};
    effect.rate = 44100;
    effect.peakDb = -6.0;
    effect.fadeIn = 0.002;
    effect.fadeOut = 0.005;
    if (text.lines.empty() || text.lines[0].words[0] != "effect" ||
        text.lines[0].words.size() != 1) {
        int number = text.lines.empty() ? 1 : text.lines[0].number;
        *error = LineError(text, number, "an effect source starts with the line \"effect\"");
        return 0;
    }
    for (size_t i = 1; i < text.lines.size(); ++i) {
        const SourceLine& line = text.lines[i];
        if (line.words[0] == "layer") {
            if (!ExpectWords(text, line, 1, 1, error)) return 0;
            if (effect.layers.size() == MaxLayers) {
                *error = LineError(text, line.number,
                                   "too many layers (at most " + std::to_string(MaxLayers) + ")");
                return 0;
            }
            effect.layers.push_back(DefaultLayer(uint32_t(effect.layers.size() + 1)));
            continue;
        }
        int done = ReadEffectKey(text, line, &effect, error);
        if (done == 0) return 0;
        if (done == 1) continue;
        // A layer key before the first "layer" is read into a scratch layer
        // only to tell a misplaced key from an unknown one.
        EffectLayer scratch = DefaultLayer(0);
        EffectLayer* layer = effect.layers.empty() ? &scratch : &effect.layers.back();
        done = ReadLayerKey(text, line, layer, error);
        if (done == 0) return 0;
        if (done == 1 && layer == &scratch) {
            *error = LineError(text, line.number,
                               "\"" + line.words[0] +
                                   "\" belongs to a layer: write \"layer\" first");
            return 0;
        }
        if (done == 1) continue;
        *error = LineError(text, line.number, "unknown key \"" + line.words[0] + "\"");
        return 0;
    }
    if (effect.layers.empty()) {
        *error = LineError(text, text.lastLine, "the effect has no layer");
        return 0;
    }
    double end = 0.0;
    for (const EffectLayer& layer : effect.layers) {
        end = std::fmax(end, layer.start + LayerLength(layer));
    }
    if (effect.length == 0.0) effect.length = end;
    if (effect.length > MaxEffectSeconds) {
        *error = LineError(text, text.lastLine, "the effect is longer than 10 seconds");
        return 0;
    }
    if (effect.fadeIn + effect.fadeOut > effect.length) {
        *error = LineError(text, text.lastLine, "the fades are longer than the effect");
        return 0;
    }
    *out = effect;
    return 1;
}

void RenderEffect(const EffectSource& effect, SoundSamples* out) {
    size_t count = size_t(std::floor(effect.length * effect.rate + 0.5));
    std::vector<float> mix(count, 0.0f);
    for (const EffectLayer& layer : effect.layers) RenderLayer(layer, effect.rate, &mix);

    if (effect.echoLevel > 0.0) {
        // Repeats fed back through one delay line, added on top of the dry
        // sound within the effect's length.
        size_t delay = size_t(std::floor(effect.echoDelay * effect.rate + 0.5));
        std::vector<float> wet(count, 0.0f);
        for (size_t n = delay; n < count; ++n) {
            wet[n] = float(double(mix[n - delay]) + effect.echoFeedback * wet[n - delay]);
        }
        for (size_t n = 0; n < count; ++n) mix[n] += float(effect.echoLevel * wet[n]);
    }

    // Raised-cosine fades, so that the effect starts and ends at silence.
    size_t fadeIn = size_t(std::floor(effect.fadeIn * effect.rate + 0.5));
    size_t fadeOut = size_t(std::floor(effect.fadeOut * effect.rate + 0.5));
    for (size_t n = 0; n < fadeIn && n < count; ++n) {
        mix[n] *= float(0.5 - 0.5 * std::cos(Pi * double(n) / double(fadeIn)));
    }
    for (size_t k = 0; k < fadeOut && k < count; ++k) {
        mix[count - 1 - k] *= float(0.5 - 0.5 * std::cos(Pi * double(k) / double(fadeOut)));
    }

    out->rate = effect.rate;
    out->channels = 1;
    ScaleToPeak(mix, effect.peakDb, &out->samples);
}

}  // namespace soundtool
