// What the fuzzers found (tests/fuzz/), each kept here as an ordinary test so
// that it stays fixed in every build.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine_fixture.h"

using ktScript::State;
using testutil::Rgb;
using testutil::WriteBmp;

namespace {

// ---- Pictures ---------------------------------------------------------------

class PictureFindings : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_EQ(ktDraw::Screen(320, 240), 1);
    }
    std::string Data(const std::string& file) { return folder + "/data/" + file; }

    // A 24-bit bitmap of one black pixel whose header claims width × height,
    // with only that pixel's row behind it.
    void WriteClaim(const std::string& file, int32_t width, int32_t height) {
        WriteBmp(Data(file), 1, 1, [](int, int) { return Rgb{0, 0, 0}; });
        std::fstream f(Data(file), std::ios::in | std::ios::out | std::ios::binary);
        const int32_t sides[2] = {width, height};
        for (int i = 0; i < 2; i++) {
            char bytes[4];
            for (int b = 0; b < 4; b++) bytes[b] = char(uint32_t(sides[i]) >> (8 * b));
            f.seekp(18 + 4 * i);
            f.write(bytes, 4);
        }
    }
};

// fuzz_picture, first seed run: a 54-byte file whose header claimed a
// 30000 × 30000 picture made the loader ask for 2.7 GB (and clear it) before
// it found the pixels missing. Pictures are now refused by their headers
// beyond 4096 pixels a side, before anything is decoded.
TEST_F(PictureFindings, HugeSizeInTheHeaderIsRefused) {
    WriteClaim("huge.bmp", 30000, 30000);
    EXPECT_EQ(ktDraw::LoadObject("./data/huge.bmp"), 0);
    ASSERT_EQ(State.boxes.size(), 1u);
    EXPECT_EQ(State.boxes[0], "ktDraw::LoadObject : BMPファイルを読み込めません");

    // Stored top row first (a negative height) and with the old 12-byte
    // header the same holds.
    WriteClaim("upside.bmp", 16, -30000);
    EXPECT_EQ(ktDraw::LoadObject("./data/upside.bmp"), 0);
    std::vector<uint8_t> core = {'B', 'M', 30, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0,
                                 12, 0, 0, 0, 0x30, 0x75, 0x30, 0x75, 1, 0, 24, 0, 0, 0, 0, 0};
    std::ofstream(Data("core.bmp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(core.data()), std::streamsize(core.size()));
    EXPECT_EQ(ktDraw::LoadObject("./data/core.bmp"), 0);
    EXPECT_EQ(State.boxes.size(), 3u);
}

TEST_F(PictureFindings, SidesUpToTheLimitStillLoad) {
    const Rgb grey{90, 90, 90};
    WriteBmp(Data("wide.bmp"), 4096, 1, [&](int, int) { return grey; });
    WriteBmp(Data("tall.bmp"), 1, 4096, [&](int, int) { return grey; });
    WriteBmp(Data("wider.bmp"), 4097, 1, [&](int, int) { return grey; });
    WriteBmp(Data("taller.bmp"), 1, 4097, [&](int, int) { return grey; });
    const int wide = ktDraw::LoadObject("./data/wide.bmp");
    const int tall = ktDraw::LoadObject("./data/tall.bmp");
    ASSERT_NE(wide, 0);
    ASSERT_NE(tall, 0);
    EXPECT_EQ(ktDraw::ImageObjects[wide].surface->width, 4096);
    EXPECT_EQ(ktDraw::ImageObjects[tall].surface->height, 4096);
    EXPECT_TRUE(State.boxes.empty());
    EXPECT_EQ(ktDraw::LoadObject("./data/wider.bmp"), 0);
    EXPECT_EQ(ktDraw::LoadObject("./data/taller.bmp"), 0);
    EXPECT_EQ(State.boxes.size(), 2u);
}

}  // namespace
