// The game's wave files as the build makes them from assets/sounds and
// assets/music: read by the engine, the right format and lengths, silent
// edges on the effects, seamless music loops, no clipping, effects and music
// in balance, the same bytes from the same sources; and sources with
// mistakes refused with the file and line named.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ktSound.h"
#include "sound_build.h"
#include "sound_wave.h"

namespace {

struct WaveUse {
    const char* name;
    double shortest;  // seconds
    double longest;
    bool loops;       // music, played looping
};

constexpr WaveUse Waves[] = {
    {"shot.wav", 0.02, 0.15, false},  {"hit.wav", 0.02, 0.15, false},
    {"bomb.wav", 0.8, 2.5, false},    {"h2d.wav", 0.05, 0.5, false},
    {"loop.wav", 10.0, 30.0, true},   {"h3d.wav", 0.2, 1.5, false},
    {"x.wav", 0.2, 1.0, false},       {"music.wav", 30.0, 90.0, true},
    {"lazer.wav", 1.5, 2.5, false},
};

// -1 dBFS: no sample may reach it.
constexpr int Ceiling = 29204;

std::string DataPath(const char* name) { return std::string(GRAZE_DATA_DIR) + "/" + name; }

struct Sound {
    ktSound::WaveData wave;
    std::vector<int16_t> samples;  // frames of wave.channels samples
    size_t Frames() const { return samples.size() / wave.channels; }
    double Seconds() const { return double(Frames()) / wave.samplesPerSec; }
};

Sound ReadSound(const char* name) {
    Sound sound;
    EXPECT_EQ(ktSound::ReadWave(DataPath(name).c_str(), &sound.wave), 1) << name;
    const std::vector<uint8_t>& data = sound.wave.data;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        sound.samples.push_back(int16_t(uint16_t(data[i] | (data[i + 1] << 8))));
    }
    return sound;
}

// The loudest tenth of a second, in dBFS of its mean power (channels
// averaged); shorter sounds are measured whole.
double LoudestTenth(const Sound& sound) {
    size_t channels = sound.wave.channels;
    size_t frames = sound.Frames();
    size_t window = std::min<size_t>(sound.wave.samplesPerSec / 10, frames);
    std::vector<double> power(frames + 1, 0.0);
    for (size_t f = 0; f < frames; ++f) {
        double sum = 0.0;
        for (size_t c = 0; c < channels; ++c) sum += sound.samples[f * channels + c];
        double mono = sum / double(channels);
        power[f + 1] = power[f] + mono * mono;
    }
    double best = 0.0;
    for (size_t f = 0; f + window <= frames; f += 64) {
        best = std::max(best, (power[f + window] - power[f]) / double(window));
    }
    return 20.0 * std::log10(std::sqrt(best) / 32768.0 + 1e-12);
}

std::string TempFolder() {
    std::string folder = std::string(GRAZE_BUILD_DIR) + "/test_sounds_data";
    std::filesystem::create_directories(folder);
    return folder;
}

std::string WriteTemp(const std::string& name, const std::string& text) {
    std::string path = TempFolder() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Renders source text through the tool's library; the error text, or ""
// when it was accepted.
std::string RenderError(const std::string& path, const std::string& text) {
    soundtool::SoundSamples sound;
    std::string error;
    if (soundtool::RenderSourceText(path, text, &sound, &error)) return "";
    return error.empty() ? "(refused without a message)" : error;
}

const char* const GoodEffect =
    "effect\n"
    "peak -6\n"
    "layer\n"
    "wave square\n"
    "freq 880 440\n"
    "env 0.002 0.0 0.1\n";

}  // namespace

TEST(SoundsData, EveryWaveIsSixteenBitPcmThatTheEngineReads) {
    for (const WaveUse& use : Waves) {
        SCOPED_TRACE(use.name);
        Sound sound = ReadSound(use.name);
        const ktSound::WaveData& w = sound.wave;
        EXPECT_EQ(w.formatTag, 1);
        EXPECT_EQ(w.bitsPerSample, 16);
        EXPECT_TRUE(w.channels == 1 || w.channels == 2);
        EXPECT_TRUE(w.samplesPerSec == 22050 || w.samplesPerSec == 44100);
        EXPECT_EQ(w.blockAlign, w.channels * 2);
        EXPECT_EQ(w.avgBytesPerSec, w.samplesPerSec * w.blockAlign);
        ASSERT_GT(w.data.size(), 0u);
        EXPECT_EQ(w.data.size() % w.blockAlign, 0u);
    }
}

TEST(SoundsData, LengthsFitWhatEachSoundIsFor) {
    for (const WaveUse& use : Waves) {
        SCOPED_TRACE(use.name);
        Sound sound = ReadSound(use.name);
        ASSERT_GT(sound.samples.size(), 0u);
        EXPECT_GE(sound.Seconds(), use.shortest);
        EXPECT_LE(sound.Seconds(), use.longest);
    }
}

TEST(SoundsData, EffectsStartAndEndInSilence) {
    for (const WaveUse& use : Waves) {
        if (use.loops) continue;
        SCOPED_TRACE(use.name);
        Sound sound = ReadSound(use.name);
        ASSERT_GT(sound.samples.size(), 0u);
        EXPECT_LE(std::abs(sound.samples.front()), 32);
        EXPECT_LE(std::abs(sound.samples.back()), 32);
    }
}

TEST(SoundsData, MusicLoopsWithoutAJump) {
    for (const WaveUse& use : Waves) {
        if (!use.loops) continue;
        SCOPED_TRACE(use.name);
        Sound sound = ReadSound(use.name);
        size_t channels = sound.wave.channels;
        ASSERT_GT(sound.Frames(), 2u);
        // The music is not silent at the seam, so the check means something.
        int near = 0;
        for (size_t i = 0; i < channels * 2000; ++i) {
            near = std::max(near, std::abs(int(sound.samples[i])));
        }
        EXPECT_GT(near, 1000);
        // Playing on from the last frame into the first is a small step, as
        // between any two neighbouring samples of a smooth wave; music cut
        // off at the seam instead of carried round jumps by thousands.
        for (size_t c = 0; c < channels; ++c) {
            int last = sound.samples[sound.samples.size() - channels + c];
            int first = sound.samples[c];
            EXPECT_LE(std::abs(last - first), 512) << "channel " << c;
        }
    }
}

TEST(SoundsData, NothingClipsAndNothingIsSilent) {
    for (const WaveUse& use : Waves) {
        SCOPED_TRACE(use.name);
        Sound sound = ReadSound(use.name);
        int peak = 0;
        for (int16_t s : sound.samples) peak = std::max(peak, std::abs(int(s)));
        EXPECT_LT(peak, Ceiling);
        EXPECT_GT(peak, 1000);  // louder than -30 dBFS
    }
}

TEST(SoundsData, FrequentEffectsAndMusicSitUnderTheBigEffects) {
    double shot = LoudestTenth(ReadSound("shot.wav"));
    double hit = LoudestTenth(ReadSound("hit.wav"));
    double bomb = LoudestTenth(ReadSound("bomb.wav"));
    double laser = LoudestTenth(ReadSound("lazer.wav"));
    double comboEnd = LoudestTenth(ReadSound("x.wav"));
    double flatShots = LoudestTenth(ReadSound("h2d.wav"));
    double depthShots = LoudestTenth(ReadSound("h3d.wav"));
    double stage = LoudestTenth(ReadSound("music.wav"));
    double menu = LoudestTenth(ReadSound("loop.wav"));
    // The sounds that come ten times a second stay well below the hit
    // that costs a life and the bomb.
    EXPECT_LT(shot, bomb - 9.0);
    EXPECT_LT(hit, bomb - 9.0);
    EXPECT_LT(shot, laser - 9.0);
    // The music leaves room for the effects that matter.
    EXPECT_LT(stage, bomb - 6.0);
    EXPECT_LT(stage, laser - 6.0);
    EXPECT_LT(stage, comboEnd);
    EXPECT_LT(stage, flatShots);
    EXPECT_LT(stage, depthShots);
    EXPECT_LT(menu, bomb - 6.0);
}

TEST(SoundsData, SameSourcesGiveTheSameBytes) {
    // The stage music takes longest to render; the others stand for it.
    struct Made {
        const char* source;
        const char* wave;
    };
    const Made made[] = {
        {"sounds/shot.txt", "shot.wav"}, {"sounds/hit.txt", "hit.wav"},
        {"sounds/bomb.txt", "bomb.wav"}, {"sounds/h2d.txt", "h2d.wav"},
        {"sounds/h3d.txt", "h3d.wav"},   {"sounds/x.txt", "x.wav"},
        {"sounds/lazer.txt", "lazer.wav"}, {"music/menu.txt", "loop.wav"},
    };
    for (const Made& m : made) {
        SCOPED_TRACE(m.source);
        std::string source = std::string(GRAZE_SOURCE_DIR) + "/assets/" + m.source;
        soundtool::SoundSamples first;
        soundtool::SoundSamples second;
        std::string error;
        ASSERT_EQ(soundtool::RenderSourceFile(source.c_str(), &first, &error), 1) << error;
        ASSERT_EQ(soundtool::RenderSourceFile(source.c_str(), &second, &error), 1) << error;
        std::vector<uint8_t> bytes = soundtool::EncodeWave(first);
        EXPECT_TRUE(bytes == soundtool::EncodeWave(second));
        std::ifstream file(DataPath(m.wave), std::ios::binary);
        std::vector<uint8_t> onDisk((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes.size(), onDisk.size());
        EXPECT_TRUE(bytes == onDisk) << m.wave << " differs from a fresh rendering";
    }
}

TEST(SoundSources, AGoodEffectRendersWithSilentEdges) {
    soundtool::SoundSamples sound;
    std::string error;
    ASSERT_EQ(soundtool::RenderSourceText("good.txt", GoodEffect, &sound, &error), 1) << error;
    EXPECT_EQ(sound.channels, 1);
    EXPECT_EQ(sound.rate, 44100);
    ASSERT_EQ(sound.samples.size(), size_t(0.102 * 44100 + 0.5));
    EXPECT_EQ(sound.samples.front(), 0);
    EXPECT_EQ(sound.samples.back(), 0);
    int peak = 0;
    for (int16_t s : sound.samples) peak = std::max(peak, std::abs(int(s)));
    EXPECT_NEAR(peak, 32767.0 * std::pow(10.0, -6.0 / 20.0), 1.0);  // peak -6 dBFS
}

TEST(SoundSources, ANoteRingingPastTheEndOfASongSoundsAtItsStart) {
    // One bar of silence, then a long chord on the last step: its release
    // folds round to the start of the loop.
    const char* song =
        "song\n"
        "tempo 120\n"
        "instrument pad\n"
        "wave triangle\n"
        "env 0.001 0.1 1 0.4\n"
        "pattern late\n"
        ".*15 A3+E4\n"
        "section only 1\n"
        "pad late\n"
        "order only\n";
    soundtool::SoundSamples sound;
    std::string error;
    ASSERT_EQ(soundtool::RenderSourceText("late.txt", song, &sound, &error), 1) << error;
    EXPECT_EQ(sound.channels, 2);
    ASSERT_EQ(sound.samples.size(), size_t(2 * 2 * 44100));  // 2 seconds, stereo
    int start = 0;
    for (size_t i = 0; i < 2 * 4410; ++i) start = std::max(start, std::abs(int(sound.samples[i])));
    EXPECT_GT(start, 3000);
    int middle = 0;
    for (size_t i = 2 * 44100; i < 2 * 48510; ++i) {
        middle = std::max(middle, std::abs(int(sound.samples[i])));
    }
    EXPECT_EQ(middle, 0);
}

TEST(SoundSources, MistakesAreRefusedNamingTheFileAndLine) {
    struct Case {
        const char* text;
        const char* where;  // "file:line" the message must name
        const char* what;   // and a word of what is wrong
    };
    const Case cases[] = {
        {"effect\nlayer\nfreqq 100\n", "bad.txt:3:", "freqq"},
        {"effect\nlayer\nfreq 880 fast\n", "bad.txt:3:", "fast"},
        {"effect\nlayer\nenv 0.1 0.1\n", "bad.txt:3:", "env"},
        {"effect\nlayer\n\n# the level\nlevel 7\n", "bad.txt:5:", "level"},
        {"effect\nwave sine\n", "bad.txt:2:", "layer"},
        {"effect\npeak -3\n", "bad.txt:2:", "no layer"},
        {"music\n", "bad.txt:1:", "song"},
        {"effect\nlayer\nwave bell\n", "bad.txt:3:", "bell"},
        {"effect\nlay\x01er\n", "bad.txt:2:", "text"},
        {"song\ninstrument a\npattern p\nA4 H4\n", "bad.txt:4:", "H4"},
        {"song\ninstrument a\npattern p\nA4\nsection s 1\na q\norder s\n", "bad.txt:6:", "\"q\""},
        {"song\ninstrument a\npattern p\nA4\nsection s 1\na p\norder t\n", "bad.txt:7:", "\"t\""},
        {"song\ninstrument a\npattern p\nA4\nsection s 1\na p\n", "bad.txt:6:", "order"},
        {"song\ninstrument a\nwave sine\nlevel\n", "bad.txt:4:", "level"},
        {"song\ntempo 1000\n", "bad.txt:2:", "tempo"},
        {"song\ninstrument a\npattern p\nA4*0\n", "bad.txt:4:", "*N"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error = RenderError("bad.txt", c.text);
        EXPECT_NE(error.find(c.where), std::string::npos) << error;
        EXPECT_NE(error.find(c.what), std::string::npos) << error;
    }
}

TEST(SoundSources, MissingEmptyAndCutShortFilesAreRefused) {
    soundtool::SoundSamples sound;
    std::string error;
    std::string missing = TempFolder() + "/no_such_sound.txt";
    std::remove(missing.c_str());
    EXPECT_EQ(soundtool::RenderSourceFile(missing.c_str(), &sound, &error), 0);
    EXPECT_NE(error.find("no_such_sound.txt"), std::string::npos) << error;

    std::string empty = WriteTemp("empty_sound.txt", "");
    EXPECT_EQ(soundtool::RenderSourceFile(empty.c_str(), &sound, &error), 0);
    EXPECT_NE(error.find("empty_sound.txt"), std::string::npos) << error;
    EXPECT_NE(error.find("empty"), std::string::npos) << error;

    // A song cut off inside its patterns: no sections, no order.
    std::string cut = WriteTemp("cut_song.txt", "song\ntempo 140\ninstrument a\npattern p\nA4 -");
    EXPECT_EQ(soundtool::RenderSourceFile(cut.c_str(), &sound, &error), 0);
    EXPECT_NE(error.find("cut_song.txt:5:"), std::string::npos) << error;
}

TEST(SoundSources, ARefusedSourceLeavesNoWaveFile) {
    std::string source = WriteTemp("stale.txt", "effect\nlayer\nwave sine\nfreq -5\n");
    std::string wave = WriteTemp("stale.wav", "an older wave file");
    std::string error;
    EXPECT_EQ(soundtool::BuildSoundFile(source.c_str(), wave.c_str(), &error), 0);
    EXPECT_NE(error.find("stale.txt:4:"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(wave));

    std::string good = WriteTemp("fresh.txt", GoodEffect);
    EXPECT_EQ(soundtool::BuildSoundFile(good.c_str(), wave.c_str(), &error), 1) << error;
    ktSound::WaveData read;
    EXPECT_EQ(ktSound::ReadWave(wave.c_str(), &read), 1);
    EXPECT_EQ(read.data.size(), size_t(0.102 * 44100 + 0.5) * 2);
}
