// Music from note sequences. A source (assets/music/*.txt) starts with the
// line "song"; then come the song's settings, its instruments, its patterns,
// its sections and its order, each block opened by a line of its own:
//
//   rate 44100            samples per second, 22050 or 44100 (stereo out)
//   tempo 150             beats per minute
//   steps 4               steps per beat; one pattern word lasts one step
//   beats 4               beats per bar
//   peak -8               loudest sample in dBFS after mixing
//
//   instrument lead       an instrument (one track of the song), then its keys:
//   wave square           sine, square, saw, triangle or noise (noise drawn
//                         anew at the note's frequency; "noise 1" is white)
//   duty 0.25             high part of a square's cycle
//   env 0.005 0.1 0.6 0.1 attack seconds, decay time constant, sustain level,
//                         release seconds; sustain 0 makes a one-shot that
//                         rings out its decay whatever the pattern holds
//   level 0.4             the instrument's share of the mix
//   pan -0.3              -1 left to 1 right
//   detune 12             cents between two oscillators playing together
//   vibrato 5.5 0.2 0.3   rate in Hz, depth in semitones, delay in seconds
//   bend 24 0.02          start this many semitones off the note and settle
//                         with this time constant (drum thumps, slides)
//   noise 0.5             share of white noise in the sound
//   filter lowpass 1200 0.9 3000 0.15   kind, cutoff Hz, resonance, and an
//                         optional sweep: Hz added at the note's start and
//                         its time constant
//   echo 3 0.35 0.3       delay in steps, feedback, level; repeats bounce
//                         between left and right
//   note A1               the note that x, X and o play
//   seed 5                noise seed
//
//   pattern lead_a        steps, on as many lines as wanted:
//   C5 - - . E5 | A3+C4+E4 -*3 x X o .*4
//                         a note (C4, F#3, Bb2) or a chord (notes joined by +)
//                         starts; "-" holds; "." rests; x, X and o play the
//                         instrument's note normal, accented, soft; a word
//                         followed by *N counts N steps; "|" is a bar line
//                         for the reader only
//
//   section verse 8       a part of the song, 8 bars long; each line below:
//   lead lead_a lead_b+5  an instrument and the patterns it plays in turn,
//                         each maybe moved by +N or -N semitones, repeated to
//                         fill the section; instruments not named rest
//
//   order intro verse verse chorus    the sections in play order (more order
//                         lines add more); the end loops back to the start
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sound_synth.h"
#include "sound_text.h"
#include "sound_wave.h"

namespace soundtool {

constexpr int MaxChordNotes = 6;

struct Instrument {
    std::string name;
    Wave wave;
    double duty;
    double attack, decay, sustain, release;
    double level, pan;
    double detuneCents;
    double vibratoRate, vibratoDepth, vibratoDelay;
    double bendSemitones, bendTime;
    double noise;
    FilterKind filter;
    double cutoff, resonance, filterSweep, filterSweepTime;
    double echoSteps, echoFeedback, echoLevel;
    int note;
    uint32_t seed;
};

enum class StepKind { Hold, Rest, Play };

struct PatternStep {
    StepKind kind;
    int noteCount;             // notes of a Play step; 0 means the instrument's note
    int notes[MaxChordNotes];
    double velocity;
};

struct Pattern {
    std::string name;
    int line;
    std::vector<PatternStep> steps;
};

struct PatternUse {
    int pattern;    // index into the song's patterns
    int transpose;  // semitones
};

struct SectionTrack {
    int instrument;  // index into the song's instruments
    std::vector<PatternUse> patterns;
};

struct Section {
    std::string name;
    int bars;
    std::vector<SectionTrack> tracks;
};

struct SongSource {
    int rate;
    double tempo;
    int stepsPerBeat;
    int beatsPerBar;
    double peakDb;
    std::vector<Instrument> instruments;
    std::vector<Pattern> patterns;
    std::vector<Section> sections;
    std::vector<int> order;  // section indexes
};

// Reads a song source: 1, or 0 with *error naming the file and line.
int ParseSong(const SourceText& text, SongSource* out, std::string* error);
// Samples of one step (may be fractional; notes start on the nearest sample).
double SamplesPerStep(const SongSource& song);
// Steps of the whole song, once through the order.
int SongSteps(const SongSource& song);
// Mixes one pass of the song before scaling: stereo frames, left first, at
// the instruments' own levels.
void MixSong(const SongSource& song, std::vector<float>* mix);
// Renders one pass of the song to stereo 16-bit samples that loop: what
// rings past the end is folded back onto the start, so the last sample
// flows into the first.
void RenderSong(const SongSource& song, SoundSamples* out);

}  // namespace soundtool
