// The picture and sound tools: the data folder holds exactly what their
// sources make, every picture reads with the engine's own reader without
// pixels that the display would turn into holes, and faulty, missing, empty
// or cut-short sources are refused with the file and line named, leaving no
// wave file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "assets.h"
#include "bmp.h"
#include "ktDraw.h"
#include "ktSound.h"
#include "picture.h"
#include "shapes.h"
#include "sound_build.h"
#include "sound_wave.h"
#include "sprite_book.h"
#include "test_support.h"

namespace {

const std::string DataDir = GRAZE_DATA_DIR, AssetsDir = std::string(GRAZE_SOURCE_DIR) + "/assets";

TEST(Assets, TheDataFolderHoldsWhatTheSourcesMake) {
    pictures::Assets assets;
    std::string error;
    ASSERT_TRUE(pictures::LoadAssets(AssetsDir, assets, error)) << error;
    std::vector<pictures::OutputPicture> made;
    ASSERT_TRUE(pictures::BuildPictures(assets, made, error)) << error;
    ASSERT_EQ(made.size(), 11u);
    for (const pictures::OutputPicture& out : made) {
        std::vector<uint8_t> onDisk;
        ASSERT_TRUE(pictures::ReadFileBytes(DataDir + "/" + out.file, onDisk, error)) << error;
        ktDraw::Picture* read = ktDraw::ReadBitmapFile((DataDir + "/" + out.file).c_str());
        ASSERT_NE(read, nullptr) << out.file;
        EXPECT_EQ(std::tuple(pictures::EncodeBmp(out.picture) == onDisk, pictures::CountRuleBreakers(out.picture),
                             read->width, read->height),
                  std::tuple(true, 0, out.picture.width, out.picture.height)) << out.file;
        ktDraw::FreePicture(read);
    }
    // The effects render as the data folder has them (the music takes
    // longest; they stand for it).
    for (const char* effect : {"shot", "hit", "bomb", "h2d", "h3d", "x", "lazer"}) {
        soundtool::SoundSamples sound;
        ASSERT_EQ(soundtool::RenderSourceFile((AssetsDir + "/sounds/" + effect + ".txt").c_str(), &sound, &error), 1) << error;
        const std::vector<uint8_t> bytes = soundtool::EncodeWave(sound);
        EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == testutil::ReadText(DataDir + "/" + effect + ".wav")) << effect;
    }
}

// The signs of the controls sit in the room the menu pictures leave them; a
// font that grew would push them off it or over a row's name.
TEST(Assets, ControlsThatNoLongerFitAreRefused) {
    pictures::Assets assets;
    std::string error;
    ASSERT_TRUE(pictures::LoadAssets(AssetsDir, assets, error)) << error;
    for (pictures::Glyph& g : assets.small.glyphs) {
        for (std::string& row : g.rows) row += '.';
        g.width += 1;
    }
    std::vector<pictures::OutputPicture> made;
    EXPECT_FALSE(pictures::BuildPictures(assets, made, error));
    EXPECT_NE(error.find("start.bmp: the title's table of controls does not fit"), std::string::npos) << error;
}

TEST(Assets, FaultySourcesAreRefusedNamingTheFileAndLine) {
    const testutil::ScratchFolder dir;
    std::string error;
    pictures::SpriteBook book;
    pictures::ShapeScript shapes;
    pictures::Assets assets;
    auto expectRefused = [&](bool loaded, const std::string& message) {
        EXPECT_FALSE(loaded) << message;
        EXPECT_NE(error.find(message), std::string::npos) << error;
    };
    expectRefused(pictures::LoadSpriteFile(dir.Write("row.txt", "colour a 255 0 0\nsprite s 3 2 1\naaa\naa\n"), book, error),
                  dir / "row.txt:4:");
    expectRefused(pictures::LoadSpriteFile(dir.Write("key.txt", "sprite s 2 1 1\nab\n"), book, error), "key 'a' has no colour");
    expectRefused(pictures::LoadShapeScript(dir.Write("fill.txt", "canvas 10 10\ncircle 5 5 3 glitter red\n"), shapes, error),
                  "fill.txt:2: unknown fill");
    expectRefused(pictures::LoadShapeScript(dir.Write("empty.txt", ""), shapes, error), "empty");
    expectRefused(pictures::LoadAssets("/nonexistent/assets", assets, error), "cannot open /nonexistent/assets/");
    // A refused sound source leaves no wave file, not even an older one.
    const struct {
        std::string path;
        const char* where;  // the file (and line) the message names
        const char* what;   // and a word of what is wrong
    } soundCases[] = {
        {dir / "no_such_sound.txt", "no_such_sound.txt", ""},
        {dir.Write("blank.txt", ""), "blank.txt", "empty"},
        // A song cut off inside its patterns: no sections, no order.
        {dir.Write("cut_song.txt", "song\ntempo 140\ninstrument a\npattern p\nA4 -"), "cut_song.txt:5:", ""},
        {dir.Write("freq.txt", "effect\nlayer\nwave sine\nfreq -5\n"), "freq.txt:4:", "freq"},
        {dir.Write("key.wave.txt", "effect\nlayer\nfreqq 100\n"), "key.wave.txt:3:", "freqq"},
    };
    const std::string wave = dir / "out.wav";
    for (const auto& c : soundCases) {
        testutil::WriteText(wave, "an older wave file");
        EXPECT_EQ(soundtool::BuildSoundFile(c.path.c_str(), wave.c_str(), &error), 0) << c.path;
        EXPECT_NE(error.find(c.where), std::string::npos) << error;
        EXPECT_NE(error.find(c.what), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists(wave)) << c.path;
    }
    const char* effect = "effect\npeak -6\nlayer\nwave square\nfreq 880 440\nenv 0.002 0.0 0.1\n";
    ASSERT_EQ(soundtool::BuildSoundFile(dir.Write("fresh.txt", effect).c_str(), wave.c_str(), &error), 1) << error;
    ktSound::WaveData read;
    EXPECT_EQ(ktSound::ReadWave(wave.c_str(), &read), 1);
    EXPECT_EQ(read.data.size(), size_t(0.102 * 44100 + 0.5) * 2);
}

}  // namespace
