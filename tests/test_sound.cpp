// ktSound: reading wave files, loading sound objects, and what the mixer
// makes of play, loop and stop. Runs on the scripted platform: no sound card.
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
        {"24-bit", Riff({Chunk("fmt ", Fmt(1, 24, rate)), Chunk("data", {1, 2, 3})}), NoBuffer},
        {"3 channels", Riff({Chunk("fmt ", Fmt(3, 8, rate)), Chunk("data", {1, 2, 3})}), NoBuffer},
        {"0 channels", Riff({Chunk("fmt ", Fmt(0, 8, rate)), Chunk("data", {1, 2, 3})}), NoBuffer},
        {"rate 0", Wave(1, 8, 0, {1, 2}), NoBuffer},
        {"half a frame", Wave(2, 16, rate, {1, 2, 3, 4, 5, 6}), NoBuffer},
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

}  // namespace
