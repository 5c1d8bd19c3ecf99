// Reading and rendering songs. Every instrument is one track: its patterns
// are laid end to end over the song's steps, each note becomes a voice
// rendered into the track, and the tracks are echoed, panned and mixed.
// Everything is written around a circle one song long, so that a note that
// rings past the end sounds again at the start and the song loops without
// a seam.
#include "sound_song.h"

#include <cmath>

namespace soundtool {

namespace {

constexpr size_t MaxInstruments = 16;
constexpr size_t MaxPatterns = 128;
constexpr size_t MaxPatternSteps = 1024;
constexpr size_t MaxSections = 32;
constexpr size_t MaxOrder = 64;
constexpr double MaxSongSeconds = 180.0;

// Velocities of the drum words.
constexpr double NormalHit = 0.75;
constexpr double AccentHit = 1.0;
constexpr double SoftHit = 0.45;

enum class Block { None, Instrument, Pattern, Section };

// A name used before it may be defined, kept with its line to check later.
struct NameUse {
    std::string name;
    int transpose;
    int line;
};

struct PendingTrack {
    NameUse instrument;
    std::vector<NameUse> patterns;
};

struct PendingSection {
    std::string name;
    int line;
    int bars;
    std::vector<PendingTrack> tracks;
};

int IsStatement(const std::string& word) {
    static const char* const Statements[] = {"song",       "rate",    "tempo",   "steps",
                                             "beats",      "peak",    "pattern", "section",
                                             "instrument", "order"};
    for (const char* statement : Statements) {
        if (word == statement) return 1;
    }
    return 0;
}

int IsName(const std::string& word) {
    if (word.empty() || word.size() > 32) return 0;
    for (char c : word) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '_')) {
            return 0;
        }
    }
    return 1;
}

Instrument DefaultInstrument(const std::string& name, uint32_t number) {
    Instrument ins{};
    ins.name = name;
    ins.wave = Wave::Square;
    ins.duty = 0.5;
    ins.attack = 0.005;
    ins.decay = 0.2;
    ins.sustain = 0.7;
    ins.release = 0.05;
    ins.level = 0.5;
    ins.pan = 0.0;
    ins.bendTime = 0.05;
    ins.filter = FilterKind::None;
    ins.cutoff = 20000.0;
    ins.resonance = 0.707;
    ins.filterSweepTime = 0.1;
    ins.note = 60;
    ins.seed = number * 1000u;
    return ins;
}

// One key of an instrument: 1, or 0 with *error set.
int ReadInstrumentKey(const SourceText& text, const SourceLine& line, Instrument* ins,
                      std::string* error) {
    const std::string& key = line.words[0];
    if (key == "wave") {
        if (!ExpectWords(text, line, 2, 2, error)) return 0;
        if (ParseWaveName(line.words[1], &ins->wave)) return 1;
        *error = LineError(text, line.number,
                           "unknown wave \"" + line.words[1] +
                               "\" (sine, square, saw, triangle or noise)");
        return 0;
    }
    if (key == "duty") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, 0.05, 0.95, &ins->duty, error);
    }
    if (key == "env") {
        return ExpectWords(text, line, 5, 5, error) &&
               ReadNumber(text, line, 1, 0.001, 5.0, &ins->attack, error) &&
               ReadNumber(text, line, 2, 0.001, 10.0, &ins->decay, error) &&
               ReadNumber(text, line, 3, 0.0, 1.0, &ins->sustain, error) &&
               ReadNumber(text, line, 4, 0.002, 10.0, &ins->release, error);
    }
    if (key == "level") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, 0.0, 1.0, &ins->level, error);
    }
    if (key == "pan") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, -1.0, 1.0, &ins->pan, error);
    }
    if (key == "detune") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, 0.0, 100.0, &ins->detuneCents, error);
    }
    if (key == "vibrato") {
        return ExpectWords(text, line, 4, 4, error) &&
               ReadNumber(text, line, 1, 0.0, 30.0, &ins->vibratoRate, error) &&
               ReadNumber(text, line, 2, 0.0, 12.0, &ins->vibratoDepth, error) &&
               ReadNumber(text, line, 3, 0.0, 10.0, &ins->vibratoDelay, error);
    }
    if (key == "bend") {
        return ExpectWords(text, line, 3, 3, error) &&
               ReadNumber(text, line, 1, -48.0, 48.0, &ins->bendSemitones, error) &&
               ReadNumber(text, line, 2, 0.001, 5.0, &ins->bendTime, error);
    }
    if (key == "noise") {
        return ExpectWords(text, line, 2, 2, error) &&
               ReadNumber(text, line, 1, 0.0, 1.0, &ins->noise, error);
    }
    if (key == "filter") {
        if (!ExpectWords(text, line, 4, 6, error)) return 0;
        if (line.words.size() == 5) {
            *error = LineError(text, line.number,
                               "a filter sweep takes two values: Hz and time constant");
            return 0;
        }
        if (!ParseFilterName(line.words[1], &ins->filter)) {
            *error = LineError(text, line.number,
                               "unknown filter \"" + line.words[1] +
                                   "\" (lowpass, highpass or bandpass)");
            return 0;
        }
        if (!ReadNumber(text, line, 2, 10.0, 30000.0, &ins->cutoff, error)) return 0;
        if (!ReadNumber(text, line, 3, 0.3, 20.0, &ins->resonance, error)) return 0;
        return line.words.size() < 6 ||
               (ReadNumber(text, line, 4, 0.0, 30000.0, &ins->filterSweep, error) &&
                ReadNumber(text, line, 5, 0.001, 10.0, &ins->filterSweepTime, error));
    }
    if (key == "echo") {
        return ExpectWords(text, line, 4, 4, error) &&
               ReadNumber(text, line, 1, 1.0, 64.0, &ins->echoSteps, error) &&
               ReadNumber(text, line, 2, 0.0, 0.9, &ins->echoFeedback, error) &&
               ReadNumber(text, line, 3, 0.0, 1.0, &ins->echoLevel, error);
    }
    if (key == "note") {
        if (!ExpectWords(text, line, 2, 2, error)) return 0;
        if (ParseNoteName(line.words[1], &ins->note)) return 1;
        *error = LineError(text, line.number, "\"" + line.words[1] + "\" is not a note name");
        return 0;
    }
    if (key == "seed") {
        int seed = 0;
        if (!ExpectWords(text, line, 2, 2, error)) return 0;
        if (ParseInteger(line.words[1], &seed) && seed >= 0) {
            ins->seed = uint32_t(seed);
            return 1;
        }
        *error = LineError(text, line.number, "\"seed\" takes a whole number from 0");
        return 0;
    }
    *error = LineError(text, line.number,
                       "unknown key \"" + key + "\" in instrument \"" + ins->name + "\"");
    return 0;
}

// One pattern word into a step: 1, or 0 with *error set.
int ReadStep(const SourceText& text, int lineNumber, const std::string& word, PatternStep* step,
             std::string* error) {
    *step = PatternStep{};
    step->velocity = 1.0;
    if (word == "-") {
        step->kind = StepKind::Hold;
        return 1;
    }
    if (word == ".") {
        step->kind = StepKind::Rest;
        return 1;
    }
    step->kind = StepKind::Play;
    if (word == "x" || word == "X" || word == "o") {
        step->velocity = word == "X" ? AccentHit : word == "x" ? NormalHit : SoftHit;
        return 1;
    }
    size_t at = 0;
    while (at <= word.size()) {
        size_t plus = word.find('+', at);
        if (plus == std::string::npos) plus = word.size();
        std::string name = word.substr(at, plus - at);
        int note = 0;
        if (!ParseNoteName(name, &note)) {
            *error = LineError(text, lineNumber,
                               "\"" + word +
                                   "\" is not a step (a note such as C4 or F#3, a chord such as "
                                   "A3+C4+E4, x, X, o, - or .)");
            return 0;
        }
        if (step->noteCount == MaxChordNotes) {
            *error = LineError(text, lineNumber,
                               "chord \"" + word + "\" has more than " +
                                   std::to_string(MaxChordNotes) + " notes");
            return 0;
        }
        step->notes[step->noteCount++] = note;
        at = plus + 1;
    }
    return 1;
}

// "name", "name+5" or "name-3": 1, or 0.
int ReadPatternUse(int lineNumber, const std::string& word, NameUse* use) {
    size_t sign = word.find_first_of("+-");
    use->name = word.substr(0, sign);
    use->transpose = 0;
    use->line = lineNumber;
    if (sign == std::string::npos) return IsName(use->name);
    int transpose = 0;
    if (!ParseInteger(word.substr(sign), &transpose) || transpose < -48 || transpose > 48) return 0;
    use->transpose = transpose;
    return IsName(use->name);
}

template <typename Named>
int FindByName(const std::vector<Named>& list, const std::string& name) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].name == name) return int(i);
    }
    return -1;
}

// A setting of the song: 1, or 0 with *error set.
int ReadSongSetting(const SourceText& text, const SourceLine& line, SongSource* song,
                    std::string* error) {
    const std::string& key = line.words[0];
    if (!ExpectWords(text, line, 2, 2, error)) return 0;
    if (key == "rate") {
        int rate = 0;
        if (!ParseInteger(line.words[1], &rate) || (rate != 22050 && rate != 44100)) {
            *error = LineError(text, line.number, "\"rate\" must be 22050 or 44100");
            return 0;
        }
        song->rate = rate;
        return 1;
    }
    if (key == "tempo") return ReadNumber(text, line, 1, 40.0, 300.0, &song->tempo, error);
    if (key == "peak") return ReadNumber(text, line, 1, -60.0, -1.0, &song->peakDb, error);
    int value = 0;
    int high = key == "steps" ? 8 : 16;
    if (!ParseInteger(line.words[1], &value) || value < 1 || value > high) {
        *error = LineError(text, line.number,
                           "\"" + key + "\" takes a whole number from 1 to " +
                               std::to_string(high));
        return 0;
    }
    (key == "steps" ? song->stepsPerBeat : song->beatsPerBar) = value;
    return 1;
}

// Checks every name that the sections and the order use, and fills the
// song's sections and order.
int ResolveNames(const SourceText& text, const std::vector<PendingSection>& pending,
                 const std::vector<NameUse>& order, SongSource* song, std::string* error) {
    for (const PendingSection& from : pending) {
        Section section{from.name, from.bars, {}};
        for (const PendingTrack& track : from.tracks) {
            SectionTrack to{FindByName(song->instruments, track.instrument.name), {}};
            if (to.instrument < 0) {
                *error = LineError(text, track.instrument.line,
                                   "no instrument \"" + track.instrument.name + "\"");
                return 0;
            }
            for (const SectionTrack& other : section.tracks) {
                if (other.instrument == to.instrument) {
                    *error = LineError(text, track.instrument.line,
                                       "instrument \"" + track.instrument.name +
                                           "\" is already in section \"" + from.name + "\"");
                    return 0;
                }
            }
            for (const NameUse& use : track.patterns) {
                int index = FindByName(song->patterns, use.name);
                if (index < 0) {
                    *error = LineError(text, use.line, "no pattern \"" + use.name + "\"");
                    return 0;
                }
                to.patterns.push_back(PatternUse{index, use.transpose});
            }
            section.tracks.push_back(to);
        }
        song->sections.push_back(section);
    }
    for (const NameUse& use : order) {
        int index = FindByName(pending, use.name);
        if (index < 0) {
            *error = LineError(text, use.line, "no section \"" + use.name + "\"");
            return 0;
        }
        song->order.push_back(index);
    }
    return 1;
}

// ---- Rendering ----

// One note of one track: where it starts, when it is let go, what it plays.
struct NoteEvent {
    size_t start;  // first sample
    size_t gate;   // samples until the note is let go
    double note;
    double velocity;
};

// Length of a voice in samples, release or ring-out included.
size_t VoiceLength(const Instrument& ins, size_t gate, int rate) {
    double seconds;
    if (ins.sustain == 0.0) {
        seconds = ins.attack + 6.9 * ins.decay;  // down to -60 dB
    } else {
        seconds = double(gate) / rate + ins.release;
    }
    return size_t(std::floor(seconds * rate + 0.5));
}

// The envelope at `t` seconds of a voice let go at `gateSeconds`.
double Envelope(const Instrument& ins, double t, double gateSeconds, double lengthSeconds) {
    auto held = [&](double s) {
        if (s < ins.attack) return s / ins.attack;
        return ins.sustain + (1.0 - ins.sustain) * std::exp(-(s - ins.attack) / ins.decay);
    };
    if (ins.sustain == 0.0) {
        // A one-shot: its decay, with the last 5 ms faded to silence.
        double level = held(t);
        double left = lengthSeconds - t;
        if (left < 0.005) level *= left > 0.0 ? left / 0.005 : 0.0;
        return level;
    }
    if (t < gateSeconds) return held(t);
    double u = (t - gateSeconds) / ins.release;
    if (u >= 1.0) return 0.0;
    return held(gateSeconds) * (1.0 - u) * (1.0 - u);
}

// Adds one voice into `track`, a circle of track.size() samples.
void RenderVoice(const Instrument& ins, const NoteEvent& event, uint32_t seed, int rate,
                 std::vector<float>* track) {
    size_t loop = track->size();
    size_t length = VoiceLength(ins, event.gate, rate);
    if (length > loop) length = loop;
    double gateSeconds = double(event.gate) / rate;
    double lengthSeconds = double(length) / rate;
    double spread = ins.detuneCents / 200.0;  // semitones each way
    Oscillator first = StartOscillator(seed, 0.0);
    Oscillator second = StartOscillator(seed + 1, 0.37);
    NoiseSource noise = SeedNoise(seed + 2);
    Filter filter{};
    for (size_t n = 0; n < length; ++n) {
        double t = double(n) / rate;
        double note = event.note;
        if (ins.bendSemitones != 0.0) note += ins.bendSemitones * std::exp(-t / ins.bendTime);
        if (ins.vibratoDepth > 0.0 && t > ins.vibratoDelay) {
            double since = t - ins.vibratoDelay;
            double fadeIn = since < 0.2 ? since / 0.2 : 1.0;
            note += ins.vibratoDepth * fadeIn * std::sin(2.0 * Pi * ins.vibratoRate * since);
        }
        double v;
        if (spread > 0.0) {
            double low = NoteFrequency(note - spread);
            double high = NoteFrequency(note + spread);
            v = 0.5 * (OscillatorStep(&first, ins.wave, low, ins.duty, rate) +
                       OscillatorStep(&second, ins.wave, high, ins.duty, rate));
        } else {
            v = OscillatorStep(&first, ins.wave, NoteFrequency(note), ins.duty, rate);
        }
        if (ins.noise > 0.0) v = (1.0 - ins.noise) * v + ins.noise * NextNoise(&noise);
        double cutoff = ins.cutoff;
        if (ins.filterSweep > 0.0) cutoff += ins.filterSweep * std::exp(-t / ins.filterSweepTime);
        v = FilterStep(&filter, ins.filter, cutoff, ins.resonance, rate, float(v));
        v *= Envelope(ins, t, gateSeconds, lengthSeconds) * event.velocity;
        (*track)[(event.start + n) % loop] += float(v);
    }
}

// The steps that one instrument plays over the whole song.
std::vector<PatternStep> TrackSteps(const SongSource& song, int instrument,
                                    std::vector<int>* transposes) {
    int barSteps = song.stepsPerBeat * song.beatsPerBar;
    std::vector<PatternStep> steps;
    for (int sectionIndex : song.order) {
        const Section& section = song.sections[size_t(sectionIndex)];
        int count = section.bars * barSteps;
        const SectionTrack* track = nullptr;
        for (const SectionTrack& t : section.tracks) {
            if (t.instrument == instrument) track = &t;
        }
        PatternStep rest{};
        rest.kind = StepKind::Rest;
        int filled = 0;
        size_t use = 0;
        while (filled < count) {
            if (!track) {
                steps.push_back(rest);
                transposes->push_back(0);
                ++filled;
                continue;
            }
            const PatternUse& play = track->patterns[use];
            const Pattern& pattern = song.patterns[size_t(play.pattern)];
            for (size_t i = 0; i < pattern.steps.size() && filled < count; ++i, ++filled) {
                steps.push_back(pattern.steps[i]);
                transposes->push_back(play.transpose);
            }
            use = (use + 1) % track->patterns.size();
        }
    }
    return steps;
}

// The notes of one track as events: a note lasts from its step until the
// next note or rest.
std::vector<NoteEvent> TrackEvents(const SongSource& song, int instrument) {
    const Instrument& ins = song.instruments[size_t(instrument)];
    std::vector<int> transposes;
    std::vector<PatternStep> steps = TrackSteps(song, instrument, &transposes);
    double stepSamples = SamplesPerStep(song);
    auto sampleOf = [&](size_t step) {
        return size_t(std::floor(double(step) * stepSamples + 0.5));
    };
    std::vector<NoteEvent> events;
    size_t sounding = 0;   // events of the step now sounding
    size_t startStep = 0;
    auto letGo = [&](size_t step) {
        for (size_t i = events.size() - sounding; i < events.size(); ++i) {
            events[i].gate = sampleOf(step) - sampleOf(startStep);
        }
        sounding = 0;
    };
    for (size_t s = 0; s < steps.size(); ++s) {
        const PatternStep& step = steps[s];
        if (step.kind == StepKind::Hold) continue;
        letGo(s);
        if (step.kind == StepKind::Rest) continue;
        startStep = s;
        int count = step.noteCount > 0 ? step.noteCount : 1;
        for (int i = 0; i < count; ++i) {
            int note = step.noteCount > 0 ? step.notes[i] : ins.note;
            double played = double(note + transposes[s]);
            events.push_back(NoteEvent{sampleOf(s), 0, played, step.velocity});
        }
        sounding = size_t(count);
    }
    letGo(steps.size());
    return events;
}

// Echo repeats that bounce between left and right, computed around the
// circle: two passes, the first only to fill the delay line with what rings
// over from the end of the song.
void PingPongEcho(const std::vector<float>& dry, size_t delay, double feedback,
                  std::vector<float>* left, std::vector<float>* right) {
    size_t loop = dry.size();
    left->assign(loop, 0.0f);
    right->assign(loop, 0.0f);
    if (delay == 0 || delay >= loop) return;
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t n = 0; n < loop; ++n) {
            size_t from = (n + loop - delay) % loop;
            (*left)[n] = float(double(dry[from]) + feedback * (*right)[from]);
            (*right)[n] = float(feedback * (*left)[from]);
        }
    }
}

// Takes away any slow drift of the mix (asymmetric squares leave some) with
// a gentle high-pass, also computed around the circle.
void RemoveDrift(std::vector<float>* mix, int channels, int rate) {
    size_t frames = mix->size() / size_t(channels);
    double r = 1.0 - 2.0 * Pi * 10.0 / rate;  // corner near 10 Hz
    for (int c = 0; c < channels; ++c) {
        double lastIn = 0.0;
        double lastOut = 0.0;
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t n = 0; n < frames; ++n) {
                float& sample = (*mix)[n * size_t(channels) + size_t(c)];
                double in = sample;
                double out = in - lastIn + r * lastOut;
                lastIn = in;
                lastOut = out;
                if (pass == 1) sample = float(out);
            }
        }
    }
}

}  // namespace

int ParseSong(const SourceText& text, SongSource* out, std::string* error) {
    SongSource song{};
    song.rate = 44100;
    song.tempo = 120.0;
    song.stepsPerBeat = 4;
    song.beatsPerBar = 4;
    song.peakDb = -6.0;
    if (text.lines.empty() || text.lines[0].words[0] != "song" || text.lines[0].words.size() != 1) {
        int number = text.lines.empty() ? 1 : text.lines[0].number;
        *error = LineError(text, number, "a song source starts with the line \"song\"");
        return 0;
    }
    std::vector<PendingSection> sections;
    std::vector<NameUse> order;
    Block block = Block::None;
    for (size_t i = 1; i < text.lines.size(); ++i) {
        const SourceLine& line = text.lines[i];
        const std::string& key = line.words[0];
        if (!IsStatement(key)) {
            if (block == Block::Instrument) {
                if (!ReadInstrumentKey(text, line, &song.instruments.back(), error)) return 0;
            } else if (block == Block::Pattern) {
                Pattern& pattern = song.patterns.back();
                for (const std::string& word : line.words) {
                    if (word == "|") continue;
                    // "word*N" is the step written N times.
                    size_t star = word.find('*');
                    int times = 1;
                    if (star != std::string::npos &&
                        (!ParseInteger(word.substr(star + 1), &times) || times < 1 ||
                         times > int(MaxPatternSteps) || word[star + 1] == '+' ||
                         word[star + 1] == '-')) {
                        *error = LineError(text, line.number,
                                           "\"" + word +
                                               "\": a step is repeated with *N, N from 1 to " +
                                               std::to_string(MaxPatternSteps));
                        return 0;
                    }
                    PatternStep step;
                    if (!ReadStep(text, line.number, word.substr(0, star), &step, error)) return 0;
                    if (pattern.steps.size() + size_t(times) > MaxPatternSteps) {
                        *error = LineError(text, line.number,
                                           "pattern \"" + pattern.name + "\" is longer than " +
                                               std::to_string(MaxPatternSteps) + " steps");
                        return 0;
                    }
                    pattern.steps.insert(pattern.steps.end(), size_t(times), step);
                }
            } else if (block == Block::Section) {
                PendingTrack track{{key, 0, line.number}, {}};
                if (line.words.size() < 2) {
                    *error = LineError(text, line.number,
                                       "a section line names an instrument and its patterns");
                    return 0;
                }
                for (size_t w = 1; w < line.words.size(); ++w) {
                    NameUse use;
                    if (!ReadPatternUse(line.number, line.words[w], &use)) {
                        *error = LineError(text, line.number,
                                           "\"" + line.words[w] +
                                               "\" is not a pattern name (with maybe +N or -N "
                                               "semitones)");
                        return 0;
                    }
                    track.patterns.push_back(use);
                }
                sections.back().tracks.push_back(track);
            } else {
                *error = LineError(text, line.number, "unknown statement \"" + key + "\"");
                return 0;
            }
            continue;
        }

        block = Block::None;
        if (key == "song") {
            *error = LineError(text, line.number, "\"song\" comes only once, on the first line");
            return 0;
        }
        if (key == "instrument" || key == "pattern" || key == "section") {
            size_t most = key == "section" ? 3 : 2;
            if (!ExpectWords(text, line, most, most, error)) return 0;
            const std::string& name = line.words[1];
            if (!IsName(name) || IsStatement(name)) {
                *error = LineError(text, line.number,
                                   "\"" + name + "\" cannot be a name (letters, digits and _ only, "
                                   "not a statement word)");
                return 0;
            }
            int taken = key == "instrument" ? FindByName(song.instruments, name)
                        : key == "pattern"  ? FindByName(song.patterns, name)
                                            : FindByName(sections, name);
            if (taken >= 0) {
                *error = LineError(text, line.number, key + " \"" + name + "\" is defined twice");
                return 0;
            }
            if (key == "instrument") {
                if (song.instruments.size() == MaxInstruments) {
                    *error = LineError(text, line.number, "too many instruments");
                    return 0;
                }
                uint32_t number = uint32_t(song.instruments.size() + 1);
                song.instruments.push_back(DefaultInstrument(name, number));
                block = Block::Instrument;
            } else if (key == "pattern") {
                if (song.patterns.size() == MaxPatterns) {
                    *error = LineError(text, line.number, "too many patterns");
                    return 0;
                }
                song.patterns.push_back(Pattern{name, line.number, {}});
                block = Block::Pattern;
            } else {
                if (sections.size() == MaxSections) {
                    *error = LineError(text, line.number, "too many sections");
                    return 0;
                }
                int bars = 0;
                if (!ParseInteger(line.words[2], &bars) || bars < 1 || bars > 64) {
                    *error = LineError(text, line.number,
                                       "a section's length is a whole number of bars, 1 to 64");
                    return 0;
                }
                sections.push_back(PendingSection{name, line.number, bars, {}});
                block = Block::Section;
            }
            continue;
        }
        if (key == "order") {
            if (!ExpectWords(text, line, 2, MaxOrder + 1, error)) return 0;
            for (size_t w = 1; w < line.words.size(); ++w) {
                if (order.size() == MaxOrder) {
                    *error = LineError(text, line.number, "the order is too long");
                    return 0;
                }
                order.push_back(NameUse{line.words[w], 0, line.number});
            }
            continue;
        }
        if (!ReadSongSetting(text, line, &song, error)) return 0;
    }

    // What the song must hold, checked once everything is read.
    for (const Pattern& pattern : song.patterns) {
        if (pattern.steps.empty()) {
            *error = LineError(text, pattern.line, "pattern \"" + pattern.name + "\" has no steps");
            return 0;
        }
    }
    for (const PendingSection& section : sections) {
        if (section.tracks.empty()) {
            *error = LineError(text, section.line,
                               "section \"" + section.name + "\" names no instrument");
            return 0;
        }
    }
    if (order.empty()) {
        *error = LineError(text, text.lastLine, "the song has no \"order\" line");
        return 0;
    }
    if (!ResolveNames(text, sections, order, &song, error)) return 0;
    double seconds = double(SongSteps(song)) * SamplesPerStep(song) / song.rate;
    if (seconds > MaxSongSeconds) {
        *error = LineError(text, order.back().line,
                           "the song lasts " + std::to_string(int(seconds)) +
                               " seconds, more than " + std::to_string(int(MaxSongSeconds)));
        return 0;
    }
    *out = song;
    return 1;
}

double SamplesPerStep(const SongSource& song) {
    return double(song.rate) * 60.0 / (song.tempo * song.stepsPerBeat);
}

int SongSteps(const SongSource& song) {
    int steps = 0;
    for (int section : song.order) {
        steps += song.sections[size_t(section)].bars * song.beatsPerBar * song.stepsPerBeat;
    }
    return steps;
}

void MixSong(const SongSource& song, std::vector<float>* mix) {
    size_t loop = size_t(std::floor(double(SongSteps(song)) * SamplesPerStep(song) + 0.5));
    mix->assign(loop * 2, 0.0f);
    std::vector<float> track;
    std::vector<float> echoLeft;
    std::vector<float> echoRight;
    for (size_t i = 0; i < song.instruments.size(); ++i) {
        const Instrument& ins = song.instruments[i];
        track.assign(loop, 0.0f);
        std::vector<NoteEvent> events = TrackEvents(song, int(i));
        for (size_t e = 0; e < events.size(); ++e) {
            RenderVoice(ins, events[e], ins.seed + uint32_t(e) * 7u, song.rate, &track);
        }
        if (ins.echoLevel > 0.0) {
            size_t delay = size_t(std::floor(ins.echoSteps * SamplesPerStep(song) + 0.5));
            PingPongEcho(track, delay, ins.echoFeedback, &echoLeft, &echoRight);
        }
        // Constant-power pan: both sides at 0.707 in the middle.
        double angle = (ins.pan + 1.0) * Pi / 4.0;
        double toLeft = std::cos(angle) * ins.level;
        double toRight = std::sin(angle) * ins.level;
        for (size_t n = 0; n < loop; ++n) {
            double left = track[n] * toLeft;
            double right = track[n] * toRight;
            if (ins.echoLevel > 0.0) {
                left += echoLeft[n] * ins.echoLevel * ins.level;
                right += echoRight[n] * ins.echoLevel * ins.level;
            }
            (*mix)[2 * n] += float(left);
            (*mix)[2 * n + 1] += float(right);
        }
    }
    RemoveDrift(mix, 2, song.rate);
}

void RenderSong(const SongSource& song, SoundSamples* out) {
    std::vector<float> mix;
    MixSong(song, &mix);
    out->rate = song.rate;
    out->channels = 2;
    ScaleToPeak(mix, song.peakDb, &out->samples);
}

}  // namespace soundtool
