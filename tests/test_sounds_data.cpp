// The game's wave files as the build makes them from assets/sounds and
// assets/music: read by the engine, the right format and lengths, silent
// edges on the effects, seamless music loops, no clipping, the same bytes
// from the same sources; and sources with mistakes refused with the file and
// line named.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "ktSound.h"
#include "sound_build.h"
#include "sound_wave.h"
#include "test_support.h"

namespace {

struct WaveUse {
    const char* name;
    double shortest;  // seconds
    double longest;
    bool loops;  // music, played looping
};

constexpr WaveUse Waves[] = {
    {"shot.wav", 0.02, 0.15, false}, {"hit.wav", 0.02, 0.15, false},  {"bomb.wav", 0.8, 2.5, false},
    {"h2d.wav", 0.05, 0.5, false},   {"loop.wav", 10.0, 30.0, true},  {"h3d.wav", 0.2, 1.5, false},
    {"x.wav", 0.2, 1.0, false},      {"music.wav", 30.0, 90.0, true}, {"lazer.wav", 1.5, 2.5, false},
};

// -1 dBFS: no sample may reach it.
constexpr int Ceiling = 29204;

std::string DataPath(const char* name) { return std::string(GRAZE_DATA_DIR) + "/" + name; }

struct Sound {
    ktSound::WaveData wave;
    std::vector<int16_t> samples;  // frames of wave.channels samples
    size_t Frames() const { return samples.size() / wave.channels; }
};

Sound ReadSound(const char* name) {
    Sound sound;
    EXPECT_EQ(ktSound::ReadWave(DataPath(name).c_str(), &sound.wave), 1) << name;
    const std::vector<uint8_t>& data = sound.wave.data;
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        sound.samples.push_back(int16_t(uint16_t(data[i] | (data[i + 1] << 8))));
    return sound;
}

int Peak(const std::vector<int16_t>& samples, size_t from, size_t to) {
    int peak = 0;
    for (size_t i = from; i < to && i < samples.size(); ++i) peak = std::max(peak, std::abs(int(samples[i])));
    return peak;
}

const char* const GoodEffect = "effect\npeak -6\nlayer\nwave square\nfreq 880 440\nenv 0.002 0.0 0.1\n";

}  // namespace

TEST(SoundsData, EveryWaveIsSixteenBitPcmOfItsLengthWithoutClipping) {
    for (const WaveUse& use : Waves) {
        SCOPED_TRACE(use.name);
        const Sound sound = ReadSound(use.name);
        const ktSound::WaveData& w = sound.wave;
        EXPECT_EQ(w.formatTag, 1);
        EXPECT_EQ(w.bitsPerSample, 16);
        EXPECT_TRUE(w.channels == 1 || w.channels == 2);
        EXPECT_TRUE(w.samplesPerSec == 22050 || w.samplesPerSec == 44100);
        EXPECT_EQ(w.blockAlign, w.channels * 2);
        EXPECT_EQ(w.avgBytesPerSec, w.samplesPerSec * w.blockAlign);
        ASSERT_GT(w.data.size(), 0u);
        EXPECT_EQ(w.data.size() % w.blockAlign, 0u);
        const double seconds = double(sound.Frames()) / w.samplesPerSec;
        EXPECT_GE(seconds, use.shortest);
        EXPECT_LE(seconds, use.longest);
        EXPECT_LT(Peak(sound.samples, 0, sound.samples.size()), Ceiling);
        EXPECT_GT(Peak(sound.samples, 0, sound.samples.size()), 1000);  // louder than -30 dBFS
    }
}

TEST(SoundsData, EffectsStartAndEndInSilenceAndMusicLoopsWithoutAJump) {
    for (const WaveUse& use : Waves) {
        SCOPED_TRACE(use.name);
        const Sound sound = ReadSound(use.name);
        ASSERT_GT(sound.Frames(), 2u);
        if (!use.loops) {
            EXPECT_LE(std::abs(sound.samples.front()), 32);
            EXPECT_LE(std::abs(sound.samples.back()), 32);
            continue;
        }
        // The music is not silent at the seam, so the check means something.
        const size_t channels = sound.wave.channels;
        EXPECT_GT(Peak(sound.samples, 0, channels * 2000), 1000);
        // Playing on from the last frame into the first is a small step, as
        // between any two neighbouring samples of a smooth wave; music cut
        // off at the seam instead of carried round jumps by thousands.
        for (size_t c = 0; c < channels; ++c)
            EXPECT_LE(std::abs(sound.samples[sound.samples.size() - channels + c] - sound.samples[c]), 512) << c;
    }
}

TEST(SoundsData, SameSourcesGiveTheSameBytes) {
    // The stage music takes longest to render; the others stand for it.
    const std::pair<const char*, const char*> made[] = {
        {"sounds/shot.txt", "shot.wav"}, {"sounds/hit.txt", "hit.wav"},     {"sounds/bomb.txt", "bomb.wav"},
        {"sounds/h2d.txt", "h2d.wav"},   {"sounds/h3d.txt", "h3d.wav"},     {"sounds/x.txt", "x.wav"},
        {"sounds/lazer.txt", "lazer.wav"}, {"music/menu.txt", "loop.wav"},
    };
    for (const auto& [source, wave] : made) {
        SCOPED_TRACE(source);
        const std::string path = std::string(GRAZE_SOURCE_DIR) + "/assets/" + source;
        soundtool::SoundSamples first, second;
        std::string error;
        ASSERT_EQ(soundtool::RenderSourceFile(path.c_str(), &first, &error), 1) << error;
        ASSERT_EQ(soundtool::RenderSourceFile(path.c_str(), &second, &error), 1) << error;
        const std::vector<uint8_t> bytes = soundtool::EncodeWave(first);
        EXPECT_TRUE(bytes == soundtool::EncodeWave(second));
        const std::string onDisk = testutil::ReadText(DataPath(wave));
        EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == onDisk) << wave << " differs from a fresh rendering";
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
    EXPECT_NEAR(Peak(sound.samples, 0, sound.samples.size()), 32767.0 * std::pow(10.0, -6.0 / 20.0), 1.0);  // -6 dBFS
}

TEST(SoundSources, ANoteRingingPastTheEndOfASongSoundsAtItsStart) {
    // One bar of silence, then a long chord on the last step: its release
    // folds round to the start of the loop.
    const char* song = "song\ntempo 120\ninstrument pad\nwave triangle\nenv 0.001 0.1 1 0.4\n"
                       "pattern late\n.*15 A3+E4\nsection only 1\npad late\norder only\n";
    soundtool::SoundSamples sound;
    std::string error;
    ASSERT_EQ(soundtool::RenderSourceText("late.txt", song, &sound, &error), 1) << error;
    EXPECT_EQ(sound.channels, 2);
    ASSERT_EQ(sound.samples.size(), size_t(2 * 2 * 44100));  // 2 seconds, stereo
    EXPECT_GT(Peak(sound.samples, 0, 2 * 4410), 3000);
    EXPECT_EQ(Peak(sound.samples, 2 * 44100, 2 * 48510), 0);
}

TEST(SoundSources, MistakesAreRefusedNamingTheFileAndLine) {
    const struct {
        const char* text;
        const char* where;  // "file:line" the message must name
        const char* what;   // and a word of what is wrong
    } cases[] = {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        soundtool::SoundSamples sound;
        std::string error;
        EXPECT_EQ(soundtool::RenderSourceText("bad.txt", c.text, &sound, &error), 0);
        EXPECT_NE(error.find(c.where), std::string::npos) << error;
        EXPECT_NE(error.find(c.what), std::string::npos) << error;
    }
}

TEST(SoundSources, MissingEmptyAndCutShortFilesAreRefused) {
    const testutil::ScratchFolder dir;
    const struct {
        std::string path;
        const char* where;  // the file (and line) the message names
        const char* what;
    } cases[] = {
        {dir / "no_such_sound.txt", "no_such_sound.txt", ""},
        {dir.Write("blank.txt", ""), "blank.txt", "empty"},
        // A song cut off inside its patterns: no sections, no order.
        {dir.Write("cut_song.txt", "song\ntempo 140\ninstrument a\npattern p\nA4 -"), "cut_song.txt:5:", ""},
    };
    for (const auto& c : cases) {
        soundtool::SoundSamples sound;
        std::string error;
        EXPECT_EQ(soundtool::RenderSourceFile(c.path.c_str(), &sound, &error), 0) << c.path;
        EXPECT_NE(error.find(c.where), std::string::npos) << error;
        EXPECT_NE(error.find(c.what), std::string::npos) << error;
    }
}

TEST(SoundSources, ARefusedSourceLeavesNoWaveFile) {
    const testutil::ScratchFolder dir;
    const std::string wave = dir.Write("stale.wav", "an older wave file");
    std::string error;
    EXPECT_EQ(soundtool::BuildSoundFile(dir.Write("stale.txt", "effect\nlayer\nwave sine\nfreq -5\n").c_str(),
                                        wave.c_str(), &error),
              0);
    EXPECT_NE(error.find("stale.txt:4:"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(wave));
    EXPECT_EQ(soundtool::BuildSoundFile(dir.Write("fresh.txt", GoodEffect).c_str(), wave.c_str(), &error), 1) << error;
    ktSound::WaveData read;
    EXPECT_EQ(ktSound::ReadWave(wave.c_str(), &read), 1);
    EXPECT_EQ(read.data.size(), size_t(0.102 * 44100 + 0.5) * 2);
}
