// ktSound: reading wave files, loading sound objects, and what the mixer
// makes of play, loop and stop. Runs on the scripted platform: no sound card.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine_fixture.h"

namespace {

using testutil::Bytes;
using testutil::Chunk;
using testutil::Fmt;
using testutil::Pcm16;
using testutil::Riff;
using testutil::Wave;
using Frames = std::vector<int16_t>;  // stereo: left, right, left, ...

const std::string WaveNotFound = "ktSound::LoadObject : WAVEリソースが見つかりません";
const std::string NoBuffer = "ktSound::LoadObject : サウンドバッファが生成できません";

// An extensible format record: 16-bit mono, its sub-format's first two bytes
// `tag`, the last byte of the GUID `last`.
Bytes Extensible(uint16_t tag, uint8_t last = 0x71) {
    Bytes fmt = Fmt(1, 16, 44100, 0xFFFE);
    fmt.insert(fmt.end(), {22, 0, 16, 0, 4, 0, 0, 0, uint8_t(tag), uint8_t(tag >> 8), 0, 0, 0, 0, 0x10, 0, 0x80, 0,
                           0, 0xAA, 0, 0x38, 0x9B, last});
    return fmt;
}

// A stereo ramp of n frames: left 100, 200, ..., right the negatives.
Frames Ramp(int n) {
    Frames f;
    for (int i = 1; i <= n; i++) f.push_back(int16_t(100 * i)), f.push_back(int16_t(-100 * i));
    return f;
}

class SoundTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_EQ(ktSound::Open(), 1);
        ktSound::ResetTable();
    }
    void TearDown() override {
        EngineTest::TearDown();
        ktSound::ResetTable();
    }
    void Write(const std::string& name, const Bytes& bytes) { testutil::WriteBytes(folder + "/" + name, bytes); }
    int Load(const std::string& name, const Bytes& bytes, int copies = 1) {
        Write(name, bytes);
        return ktSound::LoadObject(("./" + name).c_str(), copies);
    }
    int LoadRamp(int frames, int copies = 1) {
        return Load("ramp.wav", Wave(2, 16, ktSound::DeviceRate, Pcm16(Ramp(frames))), copies);
    }
    // What the device would be given next: `frames` frames mixed into silence.
    Frames Mix(int frames) {
        Frames out(size_t(frames) * 2, 0);
        if (ktScript::State.mix) ktScript::State.mix(out.data(), frames);
        return out;
    }
};

TEST_F(SoundTest, ReadsPcmWaveAndSkipsOtherChunks) {
    const Bytes data = Pcm16({1, -2, 3, -4});
    // A padded odd chunk in front, the data ahead of "fmt ", a chunk behind the RIFF end.
    Bytes file = Riff({Chunk("LIST", {1, 2, 3}), Chunk("data", data), Chunk("fmt ", Fmt(2, 16, 22050))});
    file.insert(file.end(), {'j', 'u', 'n', 'k', 0, 0, 0, 0});
    Write("a.wav", file);
    ktSound::WaveData w;
    ASSERT_EQ(ktSound::ReadWave((folder + "/a.wav").c_str(), &w), 1);
    EXPECT_EQ(std::tuple(w.formatTag, w.channels, w.samplesPerSec, w.avgBytesPerSec, w.blockAlign, w.bitsPerSample),
              std::tuple(1, 2, 22050u, 88200u, 4, 16));
    EXPECT_EQ(std::tuple(w.data, w.extra.size()), std::tuple(data, size_t(0)));
    // Any other format carries its extra bytes behind a count.
    Bytes fmt = Fmt(1, 4, 8000, 2);
    fmt.insert(fmt.end(), {3, 0, 7, 8, 9});
    const Bytes adpcm = Riff({Chunk("fmt ", fmt), Chunk("data", {5, 6})});
    ASSERT_EQ(ktSound::ReadWaveBytes(adpcm.data(), adpcm.size(), &w), 1);
    EXPECT_EQ(std::tuple(w.formatTag, w.extra, w.data), std::tuple(2, Bytes({7, 8, 9}), Bytes({5, 6})));
}

// What is not a whole wave is not found; a wave the device cannot play
// cannot make a buffer. Neither takes a slot.
TEST_F(SoundTest, RefusesWhatIsNotAWholeOrPlayableWave) {
    const int rate = ktSound::DeviceRate;
    const Bytes fmt = Fmt(1, 16, 8000), data = Pcm16({1, 2, 3});
    Bytes floatFmt = Fmt(1, 16, rate, 3);
    floatFmt.insert(floatFmt.end(), {0, 0});  // no extra format bytes
    const Bytes ext = Extensible(1);
    const struct {
        const char* what;
        Bytes bytes;
        const std::string& box;
    } bad[] = {
        {"empty", {}, WaveNotFound},
        {"fmt shorter than 16", Riff({Chunk("fmt ", Bytes(fmt.begin(), fmt.begin() + 14)), Chunk("data", data)}), WaveNotFound},
        {"data cut short", Riff({Chunk("fmt ", fmt), Chunk("data", data, 100)}), WaveNotFound},
        {"data length near 4 GiB", Riff({Chunk("fmt ", fmt), Chunk("data", data, 0xFFFFFFF0u)}), WaveNotFound},
        {"huge chunk before fmt", Riff({Chunk("LIST", {}, 0xFFFFFFF7u), Chunk("fmt ", fmt), Chunk("data", data)}), WaveNotFound},
        {"not RIFF", Riff({Chunk("fmt ", fmt), Chunk("data", data)}, "RIFX"), WaveNotFound},
        {"not WAVE", Riff({Chunk("fmt ", fmt), Chunk("data", data)}, "RIFF", "AVI "), WaveNotFound},
        {"no fmt", Riff({Chunk("data", data)}), WaveNotFound},
        {"no data", Riff({Chunk("fmt ", fmt)}), WaveNotFound},
        {"12-bit", Riff({Chunk("fmt ", Fmt(1, 12, rate, 1, 2)), Chunk("data", {1, 2, 3, 4})}), NoBuffer},
        {"64-bit float", Riff({Chunk("fmt ", Fmt(1, 64, rate, 3)), Chunk("data", Bytes(16, 0))}), NoBuffer},
        {"extensible, not PCM", Riff({Chunk("fmt ", Extensible(2)), Chunk("data", {1, 2})}), NoBuffer},
        {"extensible, other GUID", Riff({Chunk("fmt ", Extensible(1, 0x72)), Chunk("data", {1, 2})}), NoBuffer},
        {"extensible, GUID cut", Riff({Chunk("fmt ", Bytes(ext.begin(), ext.end() - 1)), Chunk("data", {1, 2})}), NoBuffer},
        {"3 channels", Riff({Chunk("fmt ", Fmt(3, 8, rate)), Chunk("data", {1, 2, 3})}), NoBuffer},
        {"0 channels", Riff({Chunk("fmt ", Fmt(0, 8, rate)), Chunk("data", {1, 2, 3})}), NoBuffer},
        {"rate 0", Wave(1, 8, 0, {1, 2}), NoBuffer},
        {"half a frame", Wave(2, 16, rate, {1, 2}), NoBuffer},
        {"wrong block size", Riff({Chunk("fmt ", Fmt(1, 16, rate, 1, 4)), Chunk("data", {1, 2, 3, 4})}), NoBuffer},
        {"not PCM", Riff({Chunk("fmt ", floatFmt), Chunk("data", {1, 2, 3, 4})}), NoBuffer},
        {"no samples", Wave(1, 8, rate, {}), NoBuffer},
        {"too long once converted", Wave(1, 8, 1, Bytes(1000, 128)), NoBuffer},
    };
    for (const auto& b : bad) {
        EXPECT_EQ(Load("bad.wav", b.bytes), 0) << b.what;
        EXPECT_EQ(ktScript::State.boxes.back(), b.box) << b.what;
    }
    EXPECT_EQ(ktSound::LoadObject("./missing.wav", 1), 0);
    EXPECT_EQ(ktScript::State.boxes.size(), std::size(bad) + 1);
    ktSound::WaveData w;
    EXPECT_EQ(ktSound::ReadWave(folder.c_str(), &w), 0);  // a folder
    // Every cut of a good file is refused.
    const Bytes good = Wave(2, 16, 8000, Pcm16(Ramp(20)));
    for (size_t n = 0; n < good.size(); n++) EXPECT_EQ(ktSound::ReadWaveBytes(good.data(), n, &w), 0) << n;
    EXPECT_EQ(LoadRamp(4), 0);
}

TEST_F(SoundTest, LoadsEightAndSixteenBitMonoAndStereoInTheDeviceFormat) {
    const int rate = ktSound::DeviceRate;
    ASSERT_EQ(Load("m8.wav", Wave(1, 8, rate, {0, 128, 255})), 0);
    ASSERT_EQ(Load("s8.wav", Wave(2, 8, rate, {0, 255, 192, 64})), 1);
    ASSERT_EQ(Load("m16.wav", Wave(1, 16, rate, Pcm16({-32768, 5}))), 2);
    ASSERT_EQ(Load("s16.wav", Wave(2, 16, rate, Pcm16({7, -7}))), 3);
    const std::vector<Frames> expected = {
        {-32768, -32768, 0, 0, 32512, 32512, 0, 0},
        {-32768, 32512, 16384, -16384, 0, 0, 0, 0},
        {-32768, -32768, 5, 5, 0, 0, 0, 0},
        {7, -7, 0, 0, 0, 0, 0, 0},
    };
    for (int s = 0; s < 4; s++) {
        ktSound::PlayObject(s, -1);
        EXPECT_EQ(Mix(4), expected[s]) << s;
    }
    // Half the device rate: twice the frames, the new ones halfway between.
    ASSERT_EQ(rate % 2, 0);
    ASSERT_EQ(Load("half.wav", Wave(1, 16, rate / 2, Pcm16({0, 1000, 2000}))), 4);
    ktSound::PlayObject(4, -1);
    EXPECT_EQ(Mix(7), Frames({0, 0, 500, 500, 1000, 1000, 1500, 1500, 2000, 2000, 2000, 2000, 0, 0}));
    EXPECT_TRUE(ktScript::State.boxes.empty());
}

// 24- and 32-bit PCM keep their top 16 bits; 32-bit float is clamped to
// -1 .. 1 and scaled, NaN taken as 0; the extensible format plays what its
// sub-format names; a last frame held only in part is left out.
TEST_F(SoundTest, LoadsWiderPcmFloatAndExtensibleAndDropsAPartFrame) {
    const int rate = ktSound::DeviceRate;
    auto samples = [](int bytes, const std::vector<int64_t>& values) {
        Bytes b;
        for (const int64_t v : values) testutil::Put(b, uint32_t(v), bytes);
        return b;
    };
    Bytes floats;
    for (const float f : {0.5f, 2.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(), -0.25f, 1.0f}) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        testutil::Put(floats, bits, 4);
    }
    Bytes extFloat = Extensible(3);
    extFloat[2] = 2, extFloat[12] = 8, extFloat[14] = 32, extFloat[18] = 32;  // stereo, 32 bits
    const Bytes pcm24 = samples(3, {0x7FFFFF, -0x800000, 0x000100, 0x12345F, -1, 0x400000});
    const struct {
        const char* what;
        Bytes bytes;
        Frames frames;
    } good[] = {
        {"24-bit mono", Wave(1, 24, rate, pcm24), {32767, 32767, -32768, -32768, 1, 1, 0x1234, 0x1234, -1, -1, 16384, 16384}},
        {"32-bit stereo", Wave(2, 32, rate, samples(4, {0x40000000, -0x40000000, 0x7FFFFFFF, 0x0000FFFF})),
         {16384, -16384, 32767, 0}},
        {"float mono", Riff({Chunk("fmt ", Fmt(1, 32, rate, 3)), Chunk("data", floats)}),
         {16384, 16384, 32767, 32767, -32768, -32768, 0, 0, -8192, -8192, 32767, 32767}},
        {"extensible float stereo", Riff({Chunk("fmt ", extFloat), Chunk("data", floats)}),
         {16384, 32767, -32768, 0, -8192, 32767}},
        {"extensible 16-bit, one stray byte", Riff({Chunk("fmt ", Extensible(1)), Chunk("data", {1, 2, 3, 4, 5})}),
         {0x0201, 0x0201, 0x0403, 0x0403}},
        {"8-bit stereo, one stray byte", Wave(2, 8, rate, {0, 255, 7}), {-32768, 32512}},
    };
    for (const auto& g : good) {
        const int sound = Load("good.wav", g.bytes);
        ASSERT_TRUE(ktScript::State.boxes.empty()) << g.what << ": " << ktScript::State.boxes.back();
        EXPECT_EQ(ktSound::SoundObjects[sound].samples, g.frames) << g.what;
    }
}

// Files as sox writes them (made once with the commands in
// tests/fuzz/make_seeds.py): a 1 kHz sine at half scale, 2 ms, of every
// sample format, mono and stereo, at 22050, 44100 and 48000 Hz, and the
// extensible format sox writes past 16 bits. Each loads at the device's rate
// with its length, rises first, peaks at half scale and has both sides
// alike; one stray byte behind the data changes nothing.
TEST_F(SoundTest, LoadsWhatSoxWrites) {
    const std::string corpus = std::string(GRAZE_SOURCE_DIR) + "/tests/fuzz/corpus/fuzz_wave/";
    const char* files[] = {"sox-u8-mono-22050.wav", "sox-s16-stereo-44100.wav", "sox-s16-mono-48000.wav",
                           "sox-s24-mono-48000-extensible.wav", "sox-s24-stereo-44100.wav",
                           "sox-s32-stereo-48000-extensible.wav", "sox-f32-mono-44100.wav",
                           "sox-f32-stereo-22050.wav", "sox-s16-mono-48000-stray-byte.wav"};
    for (const char* file : files) {
        const int sound = Load("sox.wav", testutil::ReadBytes(corpus + file));
        ASSERT_TRUE(ktScript::State.boxes.empty()) << file << ": " << ktScript::State.boxes.back();
        const Frames& s = ktSound::SoundObjects[sound].samples;
        EXPECT_NEAR(double(s.size() / 2), 0.002 * ktSound::DeviceRate, 1.0) << file;
        int highest = 0, lowest = 0, first = 0;
        for (size_t i = 0; i < s.size(); i += 2) {
            EXPECT_EQ(s[i], s[i + 1]) << file << " frame " << i / 2;
            highest = std::max<int>(highest, s[i]), lowest = std::min<int>(lowest, s[i]);
            if (first == 0 && (s[i] > 1000 || s[i] < -1000)) first = s[i];
        }
        EXPECT_NEAR(highest, 16384, 400) << file;
        EXPECT_NEAR(lowest, -16384, 400) << file;
        EXPECT_GT(first, 0) << file;
    }
    EXPECT_EQ(ktSound::SoundObjects[8].samples, ktSound::SoundObjects[2].samples);
}

TEST_F(SoundTest, NameLengthIsTestedLastAndTheTableHoldsSeventy) {
    const Bytes wave = Wave(1, 8, 8000, {1, 2});
    const std::string name30 = "./" + std::string(24, 'n') + ".wav", name31 = "./" + std::string(25, 'n') + ".wav";
    Write("a.wav", wave);
    Write(name30.substr(2), wave);
    Write(name31.substr(2), wave);
    EXPECT_EQ(ktSound::LoadObject(name31.c_str(), 1), 0);
    EXPECT_EQ(ktScript::State.boxes, std::vector<std::string>{"ktSound::LoadObject : ファイル名またはリソース名が長すぎます"});
    EXPECT_EQ(ktSound::LoadObject(name30.c_str(), 1), 1);  // slot 0 stayed used
    ktSound::PlayObject(0, -1);
    ktSound::PlayObject(1, -1);
    EXPECT_EQ(ktScript::State.sounds, std::vector<std::string>({"play ", "play " + name30}));
    for (int i = 2; i < ktSound::SoundObjectCount; i++) EXPECT_EQ(ktSound::LoadObject("./a.wav", 1), i);
    EXPECT_EQ(ktSound::LoadObject("./a.wav", 1), 0);
    EXPECT_EQ(ktScript::State.boxes.back(), "ktSound::LoadObject : オブジェクト数が多すぎます");
}

TEST_F(SoundTest, CopiesTakeTurnsAndEachStartsFromTheBeginning) {
    EXPECT_EQ(ktScript::State.mix, &ktSound::Mix);
    ASSERT_EQ(LoadRamp(100, 3), 0);
    const Frames ramp = Ramp(100);
    ktSound::PlayObject(0, -1), Mix(2);  // copy 0 at frame 2
    ktSound::PlayObject(0, -1), Mix(2);  // copy 1 at 2, copy 0 at 4
    ktSound::PlayObject(0, -1), Mix(2);  // copy 2 at 2, copy 1 at 4, copy 0 at 6
    ktSound::PlayObject(0, -1);          // copy 0 again, from the start
    const Frames mixed = Mix(2);
    for (int i = 0; i < 2; i++) EXPECT_EQ(mixed[size_t(i) * 2], ramp[i * 2] + ramp[(i + 4) * 2] + ramp[(i + 2) * 2]);
    // Copies clamp to 1..10.
    EXPECT_EQ(LoadRamp(3, 0), 1);
    EXPECT_EQ(LoadRamp(3, 25), 2);
    EXPECT_EQ(std::tuple(ktSound::SoundObjects[1].copies, ktSound::SoundObjects[2].copies), std::tuple(1, 10));
}

TEST_F(SoundTest, OneShotEndsStopRewindsLoopWrapsAndMixAddsAndSaturates) {
    ASSERT_EQ(LoadRamp(5, 2), 0);
    ASSERT_EQ(LoadRamp(5, 1), 1);
    const Frames ramp = Ramp(5);
    Frames once = ramp;
    once.resize(16, 0);
    // Slots and copies outside their tables do nothing.
    ktSound::PlayObject(-1, -1), ktSound::PlayObject(70, -1), ktSound::LoopObject(0, 2), ktSound::StopObject(69, -1);
    ktSound::PlayObject(0, 0);
    EXPECT_EQ(Mix(8), once);  // the sound, then silence
    EXPECT_EQ(Mix(8), Frames(16, 0));
    // Stop rewinds: the next play starts at the first frame again.
    ktSound::PlayObject(0, -1), Mix(3);
    ktSound::StopObject(0, -1);
    EXPECT_EQ(Mix(4), Frames(8, 0));
    ktSound::PlayObject(0, 1);
    EXPECT_EQ(Mix(8), once);
    // Stopping one copy leaves the other playing.
    ktSound::PlayObject(0, 0), ktSound::PlayObject(0, 1), ktSound::StopObject(0, 1);
    EXPECT_EQ(Mix(8), once);
    // A loop wraps without a gap, across mixes of any length, until stopped;
    // looping again starts over.
    ktSound::LoopObject(1, -1);
    Frames looped = Mix(3);
    const Frames more = Mix(300);
    looped.insert(looped.end(), more.begin(), more.end());
    for (size_t i = 0; i < looped.size(); i++) ASSERT_EQ(looped[i], ramp[i % ramp.size()]) << i;
    ktSound::LoopObject(1, -1);
    EXPECT_EQ(Mix(2), Frames(ramp.begin(), ramp.begin() + 4));
    ktSound::StopObject(1, -1);
    EXPECT_EQ(Mix(5), Frames(10, 0));
    // The mix adds to what the buffer holds and saturates.
    ASSERT_EQ(Load("loud.wav", Wave(2, 16, ktSound::DeviceRate, Pcm16({30000, -30000})), 2), 2);
    Frames out = {1000, 1000, 1000, 1000};
    ktSound::PlayObject(1, -1);
    ktSound::Mix(out.data(), 2);
    EXPECT_EQ(out, Frames({1100, 900, 1200, 800}));
    ktSound::PlayObject(2, 0), ktSound::PlayObject(2, 1);
    EXPECT_EQ(Mix(1), Frames({32767, -32768}));
    // After Close nothing plays, a loop neither, and the device is gone.
    ktSound::LoopObject(1, -1);
    ktSound::Close();
    ktSound::PlayObject(2, -1);
    out = {0, 0, 0, 0};
    ktSound::Mix(out.data(), 2);
    EXPECT_EQ(std::tuple(out, ktScript::State.audioOpen), std::tuple(Frames(4, 0), 0));
}

// A beep that the output closed before sounding is not heard from the next
// one (nor in the next test, where the tests run as one program).
TEST_F(SoundTest, ABeepEndsWithItsOutput) {
    ktSound::Beep();
    ktSound::Close();
    ASSERT_EQ(ktSound::Open(), 1);
    EXPECT_EQ(Mix(4), Frames(8, 0));
}

}  // namespace
