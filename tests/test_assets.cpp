// The picture and sound tools: the data folder holds exactly what their
// sources make, every picture reads with the engine's own reader without
// pixels that the display would turn into holes, and faulty, missing, empty
// or cut-short sources are refused with the file and line named, leaving no
// wave file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "assets.h"
#include "bmp.h"
#include "font.h"
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
    // The stage music takes longest to render; the others stand for it.
    for (const auto& [source, wave] : {std::pair{"sounds/shot.txt", "shot.wav"}, {"sounds/hit.txt", "hit.wav"},
                                       {"sounds/bomb.txt", "bomb.wav"}, {"sounds/h2d.txt", "h2d.wav"},
                                       {"sounds/h3d.txt", "h3d.wav"}, {"sounds/x.txt", "x.wav"},
                                       {"sounds/lazer.txt", "lazer.wav"}, {"music/menu.txt", "loop.wav"}}) {
        soundtool::SoundSamples sound;
        ASSERT_EQ(soundtool::RenderSourceFile((AssetsDir + "/" + source).c_str(), &sound, &error), 1) << error;
        const std::vector<uint8_t> bytes = soundtool::EncodeWave(sound);
        EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == testutil::ReadText(DataDir + "/" + wave)) << wave;
    }
}

TEST(Assets, FaultyPictureSourcesAreReportedWithFileAndLine) {
    const testutil::ScratchFolder dir;
    using Loader = std::function<bool(const std::string&, std::string&)>;
    const Loader sprites = [](const std::string& path, std::string& error) {
        pictures::SpriteBook book;
        return pictures::LoadSpriteFile(path, book, error);
    };
    const Loader font = [](const std::string& path, std::string& error) {
        pictures::Font f;
        return pictures::LoadFont(path, f, error);
    };
    const Loader shapes = [](const std::string& path, std::string& error) {
        pictures::ShapeScript script;
        return pictures::LoadShapeScript(path, script, error);
    };
    const struct {
        const char* file;
        const char* text;
        const Loader& load;
        const char* message;  // "@" stands for the file's path
    } cases[] = {
        {"short_row.txt", "colour a 255 0 0\nsprite s 3 2 1\naaa\naa\n", sprites, "@:4:"},
        {"no_colour.txt", "sprite s 2 1 1\nab\n", sprites, "key 'a' has no colour"},
        {"cut.txt", "colour a 1 2 3\nsprite s 2 5 1\naa\n", sprites, "cut short"},
        {"glyph.txt", "height 2\nglyph A\n#.\n###\n", font, "@:4:"},
        {"shape_fill.txt", "canvas 10 10\ncircle 5 5 3 glitter red\n", shapes, "unknown fill"},
        {"empty.txt", "", shapes, "empty"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Write(c.file, c.text);
        std::string message = c.message, error;
        if (message[0] == '@') message = path + message.substr(1);
        EXPECT_FALSE(c.load(path, error)) << c.file;
        EXPECT_NE(error.find(message), std::string::npos) << c.file << ": " << error;
    }
    pictures::Assets assets;
    std::string error;
    EXPECT_FALSE(pictures::LoadAssets("/nonexistent/assets", assets, error));
    EXPECT_NE(error.find("cannot open /nonexistent/assets/"), std::string::npos) << error;
}

TEST(Assets, FaultySoundSourcesAreRefusedNamingTheFileAndLineAndLeaveNoWaveFile) {
    const testutil::ScratchFolder dir;
    const struct {
        std::string path;
        const char* where;  // the file (and line) the message names
        const char* what;   // and a word of what is wrong
    } cases[] = {
        {dir / "no_such_sound.txt", "no_such_sound.txt", ""},
        {dir.Write("blank.txt", ""), "blank.txt", "empty"},
        // A song cut off inside its patterns: no sections, no order.
        {dir.Write("cut_song.txt", "song\ntempo 140\ninstrument a\npattern p\nA4 -"), "cut_song.txt:5:", ""},
        {dir.Write("freq.txt", "effect\nlayer\nwave sine\nfreq -5\n"), "freq.txt:4:", "freq"},
        {dir.Write("key.txt", "effect\nlayer\nfreqq 100\n"), "key.txt:3:", "freqq"},
        {dir.Write("level.txt", "effect\nlayer\n\n# the level\nlevel 7\n"), "level.txt:5:", "level"},
        {dir.Write("layer.txt", "effect\nwave sine\n"), "layer.txt:2:", "layer"},
        {dir.Write("music.txt", "music\n"), "music.txt:1:", "song"},
        {dir.Write("text.txt", "effect\nlay\x01er\n"), "text.txt:2:", "text"},
        {dir.Write("note.txt", "song\ninstrument a\npattern p\nA4 H4\n"), "note.txt:4:", "H4"},
        {dir.Write("order.txt", "song\ninstrument a\npattern p\nA4\nsection s 1\na p\n"), "order.txt:6:", "order"},
    };
    const std::string wave = dir / "out.wav";
    for (const auto& c : cases) {
        testutil::WriteText(wave, "an older wave file");
        std::string error;
        EXPECT_EQ(soundtool::BuildSoundFile(c.path.c_str(), wave.c_str(), &error), 0) << c.path;
        EXPECT_NE(error.find(c.where), std::string::npos) << error;
        EXPECT_NE(error.find(c.what), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists(wave)) << c.path;
    }
    const char* effect = "effect\npeak -6\nlayer\nwave square\nfreq 880 440\nenv 0.002 0.0 0.1\n";
    std::string error;
    ASSERT_EQ(soundtool::BuildSoundFile(dir.Write("fresh.txt", effect).c_str(), wave.c_str(), &error), 1) << error;
    ktSound::WaveData read;
    EXPECT_EQ(ktSound::ReadWave(wave.c_str(), &read), 1);
    EXPECT_EQ(read.data.size(), size_t(0.102 * 44100 + 0.5) * 2);
}

}  // namespace
