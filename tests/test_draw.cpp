// The display, image objects, sprite drawing and presentation, checked by
// the pixels of Back and of the presented picture.
#include <tuple>
#include <utility>

#include "engine_fixture.h"

using testutil::ColumnColour;
using testutil::ColumnOf;
using testutil::Raw;
using testutil::Rgb;
using testutil::WriteBmp;
using testutil::WritePlainBmp;
using ktScript::State;

namespace {

const std::string Unreadable = "ktDraw::LoadObject : BMPファイルを読み込めません";

class DrawTest : public DisplayTest {
protected:
    // A picture whose every pixel tells its column (never black).
    int LoadColumns(const char* file, int width, int height) {
        WriteBmp(Data(file), width, height, [](int x, int) { return ColumnColour(x); });
        return ktDraw::LoadObject((std::string("./data/") + file).c_str());
    }
    // The columns of Back's row y that are not black, as (first, last), or (-1, -1).
    std::pair<int, int> Drawn(int y) {
        int first = -1, last = -1;
        for (int x = 0; x < 320; x++)
            if (BackPixel(x, y) != 0) {
                if (first < 0) first = x;
                last = x;
            }
        return {first, last};
    }
    static constexpr std::pair<int, int> Nothing = {-1, -1};
};

TEST_F(DrawTest, ScreenOpensPadsAndLoadsTakeSlotsFromTwo) {
    EXPECT_EQ(State.padConfigReads, 1);
    EXPECT_EQ(LoadColumns("a.bmp", 4, 4), 2);
    EXPECT_EQ(LoadColumns("b.bmp", 4, 4), 3);
    EXPECT_TRUE(State.boxes.empty());
}

TEST_F(DrawTest, NamesUpToThirtyCharactersAndAFullTable) {
    const std::string name30 = "./data/" + std::string(19, 'n') + ".bmp";  // 30 characters
    const std::string name31 = "./data/" + std::string(20, 'n') + ".bmp";
    WritePlainBmp(folder + "/" + name30.substr(2), 2, 2, {255, 255, 255});
    EXPECT_EQ(ktDraw::LoadObject(name30.c_str()), 2);
    EXPECT_EQ(ktDraw::LoadObject(name31.c_str()), 0);
    EXPECT_EQ(State.boxes.back(), "ktDraw::LoadObject : ファイル名またはリソース名が長すぎます");
    EXPECT_EQ(ktDraw::SwapObject(name31.c_str(), 2), 0);
    EXPECT_EQ(State.boxes.back(), "ktDraw::SwapObject : ファイル名またはリソース名が長すぎます");
    EXPECT_NE(ktDraw::ImageObjects[2].surface, nullptr);  // untouched

    WritePlainBmp(Data("one.bmp"), 1, 1, {9, 9, 9});
    for (int i = 3; i < 1024; i++) ASSERT_EQ(ktDraw::LoadObject("./data/one.bmp"), i);  // the long name took no slot
    State.boxes.clear();
    EXPECT_EQ(ktDraw::LoadObject("./data/one.bmp"), 0);
    EXPECT_EQ(State.boxes, std::vector<std::string>{"ktDraw::LoadObject : オブジェクト数が多すぎます"});
}

// Every kind of bitmap a paint program writes (1, 4, 8, 16, 24 and 32 bits
// a pixel, colour tables, bit fields, run-length encoding, top row first)
// loads with exactly the RGB565 pixels a 16-bit copy of it gives: the hash of
// the picture's pixels in row order.
TEST_F(DrawTest, EveryBitmapKindLoadsWithItsPixels) {
    struct Kind {
        const char* file;
        int width, height;
        uint32_t hash;
    };
    constexpr Kind Kinds[] = {
        {"depth1.bmp", 9, 3, 0x3B7908E7u}, {"depth16-bitfields.bmp", 3, 2, 0xE52EA849u},
        {"depth24.bmp", 3, 3, 0x24BED103u}, {"depth32.bmp", 2, 3, 0x65A4EB47u},
        {"depth4.bmp", 5, 3, 0xA5EF3CB2u}, {"depth8.bmp", 4, 4, 0x7FD3E5C7u},
        {"rle4.bmp", 7, 3, 0x0E39A06Fu}, {"rle8.bmp", 4, 2, 0x3F1EF91Du},
        {"topdown24.bmp", 2, 2, 0xE68EEDE2u},
    };
    for (const Kind& kind : Kinds) {
        std::filesystem::copy_file(std::string(GRAZE_SOURCE_DIR) + "/tests/fuzz/corpus/fuzz_picture/" + kind.file,
                                   Data(kind.file));
        const int object = ktDraw::LoadObject((std::string("./data/") + kind.file).c_str());
        ASSERT_NE(object, 0) << kind.file;
        const ktDraw::Picture* p = ktDraw::ImageObjects[object].surface;
        uint32_t hash = 2166136261u;
        for (int y = 0; y < p->height; y++)
            for (int x = 0; x < p->width; x++) hash = (hash ^ p->pixels[y * p->pitch + x]) * 16777619u;
        EXPECT_EQ(std::make_tuple(p->width, p->height, hash), std::make_tuple(kind.width, kind.height, kind.hash))
            << kind.file;
    }
    EXPECT_TRUE(State.boxes.empty());
}

TEST_F(DrawTest, MissingOrBrokenBitmapGivesTheBoxAndZero) {
    EXPECT_EQ(ktDraw::LoadObject("./data/tlop.bmp"), 0);
    EXPECT_EQ(State.boxes, std::vector<std::string>{Unreadable});
    EXPECT_EQ(State.beeps, 1);
    // The failed slot keeps its name without a picture; drawing it does nothing.
    EXPECT_STREQ(ktDraw::ImageObjects[2].name, "./data/tlop.bmp");
    ktDraw::DrawObject(0, 0, 2, 0, 0, 10, 10);
    EXPECT_EQ(Drawn(0), Nothing);
    // A truncated bitmap, and a run-length encoded one without its end, are
    // refused the same way.
    WritePlainBmp(Data("cut.bmp"), 8, 8, {200, 0, 0});
    std::filesystem::resize_file(Data("cut.bmp"), 60);
    EXPECT_EQ(ktDraw::LoadObject("./data/cut.bmp"), 0);
    EXPECT_EQ(State.boxes.back(), Unreadable);
    std::filesystem::copy_file(std::string(GRAZE_SOURCE_DIR) + "/tests/fuzz/corpus/fuzz_picture/rle4.bmp",
                               Data("rle.bmp"));
    std::filesystem::resize_file(Data("rle.bmp"), std::filesystem::file_size(Data("rle.bmp")) - 2);
    EXPECT_EQ(ktDraw::LoadObject("./data/rle.bmp"), 0);
    EXPECT_EQ(State.boxes.size(), 3u);
    EXPECT_EQ(ktDraw::SwapObject("./data/none.bmp", 3), 0);
    EXPECT_EQ(State.boxes.back(), "ktDraw::SwapObject : BMPファイルを読み込めません");
}

TEST_F(DrawTest, DrawObjectClipsEachEdge) {
    const int wide = LoadColumns("cols.bmp", 400, 20);
    // Left edge: source columns 5..19 at x 0..14, rows 10..29.
    ktDraw::DrawObject(-5, 10, wide, 0, 0, 20, 20);
    EXPECT_EQ(Drawn(10), std::make_pair(0, 14));
    EXPECT_EQ(ColumnOf(BackPixel(0, 10)), 5);
    EXPECT_EQ(Drawn(9), Nothing);
    EXPECT_EQ(Drawn(29), std::make_pair(0, 14));
    EXPECT_EQ(Drawn(30), Nothing);
    // Right edge: source columns 0..9 at x 310..319.
    ktDraw::ClearScreen();
    ktDraw::DrawObject(310, 0, wide, 0, 0, 20, 20);
    EXPECT_EQ(Drawn(0), std::make_pair(310, 319));
    EXPECT_EQ(ColumnOf(BackPixel(319, 0)), 9);
    // Wholly outside: nothing.
    ktDraw::ClearScreen();
    ktDraw::DrawObject(330, 0, wide, 0, 0, 20, 20);
    ktDraw::DrawObject(-20, 0, wide, 0, 0, 20, 20);
    ktDraw::DrawObject(0, 240, wide, 0, 0, 20, 20);
    ktDraw::DrawObject(0, -20, wide, 0, 0, 20, 20);
    for (int y : {0, 19}) EXPECT_EQ(Drawn(y), Nothing);
    // Wider than the clip: cut on both sides, columns 10..329 at x 0..319.
    ktDraw::DrawObject(-10, 0, wide, 0, 0, 400, 20);
    EXPECT_EQ(Drawn(0), std::make_pair(0, 319));
    EXPECT_EQ(ColumnOf(BackPixel(0, 0)), 10);
    EXPECT_EQ(ColumnOf(BackPixel(319, 0)), 329);
    // Bottom and top edges.
    ktDraw::ClearScreen();
    ktDraw::DrawObject(0, 230, wide, 0, 0, 10, 20);
    EXPECT_EQ(Drawn(239), std::make_pair(0, 9));
    ktDraw::DrawObject(100, -15, wide, 0, 0, 10, 20);
    EXPECT_EQ(Drawn(4), std::make_pair(100, 109));
    EXPECT_EQ(Drawn(5), Nothing);
}

TEST_F(DrawTest, RectanglesOutsideThePictureOrTableDrawNothing) {
    const int small = LoadColumns("small.bmp", 10, 10);
    ktDraw::DrawObject(0, 0, small, 5, 0, 15, 10);  // reaches past the right of the picture
    ktDraw::DrawObject(0, 0, small, -1, 0, 5, 10);  // starts left of it
    ktDraw::DrawObject(0, 0, small, 0, 0, 10, 11);  // past its bottom
    ktDraw::DrawObject(0, 0, 5000, 0, 0, 10, 10);   // outside the table
    ktDraw::DrawObject(0, 0, -1, 0, 0, 10, 10);
    ktDraw::DrawObject(0, 0, 700, 0, 0, 10, 10);  // a slot without a picture
    ktDraw::StretchObject(0, 0, small, 0, 0, 20, 20, 40, 40);
    ktDraw::StretchObject(0, 0, 5000, 0, 0, 1, 1, 4, 4);
    for (int y = 0; y < 40; y++) EXPECT_EQ(Drawn(y), Nothing) << y;
}

TEST_F(DrawTest, BlackIsTransparentAndTheTopLeftPixelKeepsItsColour) {
    const Rgb red{255, 0, 0}, green{0, 255, 0};
    WritePlainBmp(Data("under.bmp"), 8, 8, red);
    // The upper picture: green at (0,0) and on its border, black inside.
    WriteBmp(Data("over.bmp"), 8, 8, [&](int x, int y) {
        return (x == 0 || y == 0 || x == 7 || y == 7) ? green : Rgb{0, 0, 0};
    });
    ktDraw::DrawObject(50, 50, ktDraw::LoadObject("./data/under.bmp"), 0, 0, 8, 8);
    ktDraw::DrawObject(50, 50, ktDraw::LoadObject("./data/over.bmp"), 0, 0, 8, 8);
    EXPECT_EQ(BackPixel(50, 50), Raw(green));
    EXPECT_EQ(BackPixel(53, 53), Raw(red));
    EXPECT_EQ(BackPixel(57, 57), Raw(green));
    // A nearly black colour that is black in 16 bits is transparent too.
    WritePlainBmp(Data("dark.bmp"), 2, 2, {7, 3, 7});
    ktDraw::DrawObject(53, 53, ktDraw::LoadObject("./data/dark.bmp"), 0, 0, 2, 2);
    EXPECT_EQ(BackPixel(53, 53), Raw(red));
}

TEST_F(DrawTest, StretchObjectOnBothPaths) {
    WriteBmp(Data("q.bmp"), 2, 2, [](int x, int y) {
        return x == 0 && y == 0 ? Rgb{0, 0, 0} : Rgb{uint8_t(x ? 255 : 0), uint8_t(y ? 255 : 0), 255};
    });
    const int q = ktDraw::LoadObject("./data/q.bmp");
    ASSERT_EQ(ktDraw::StretchAvailable, 1);
    ktDraw::StretchObject(10, 10, q, 0, 0, 2, 2, 8, 8);
    EXPECT_EQ(BackPixel(10, 10), 0);  // the black quarter stays transparent
    EXPECT_EQ(BackPixel(13, 13), 0);
    EXPECT_EQ(BackPixel(14, 10), Raw({255, 0, 255}));
    EXPECT_EQ(BackPixel(17, 17), Raw({255, 255, 255}));
    EXPECT_EQ(BackPixel(18, 10), 0);
    // Past the right edge: the one-copy path draws nothing at all.
    ktDraw::ClearScreen();
    ktDraw::StretchObject(316, 10, q, 0, 0, 2, 2, 8, 8);
    for (int y = 10; y < 18; y++) EXPECT_EQ(Drawn(y), Nothing);
    // The Buffer path clips and draws the visible part.
    ktDraw::StretchAvailable = 0;
    ktDraw::StretchObject(316, 10, q, 0, 0, 2, 2, 8, 8);
    EXPECT_EQ(Drawn(14), std::make_pair(316, 319));
    EXPECT_EQ(BackPixel(319, 17), Raw({0, 255, 255}));
    EXPECT_EQ(Drawn(10), Nothing);  // black is keyed out of Buffer too
    EXPECT_EQ(Drawn(18), Nothing);
}

TEST_F(DrawTest, RectangleOutlineInsideFillWithinRightAndBottomExclusive) {
    const uint32_t red = 0x0000FF, blue = 0xFF0000;
    ktDraw::DrawRectangle(10, 10, 20, 15, red, blue, 1);
    for (const auto& [x, y] : {std::pair{10, 10}, {19, 14}, {15, 10}, {19, 12}})
        EXPECT_EQ(BackPixel(x, y), ktDraw::PixelOf(blue)) << x << " " << y;
    for (const auto& [x, y] : {std::pair{11, 11}, {18, 13}}) EXPECT_EQ(BackPixel(x, y), ktDraw::PixelOf(red));
    EXPECT_EQ(BackPixel(20, 12), 0);
    EXPECT_EQ(BackPixel(15, 15), 0);
    // No height: nothing. Cut to the screen: no crash, visible part drawn.
    ktDraw::DrawRectangle(280, 0, 320, 0, red, blue, 1);
    EXPECT_EQ(BackPixel(300, 0), 0);
    ktDraw::DrawRectangle(280, 200, 330, 260, red, blue, 1);
    EXPECT_EQ(BackPixel(280, 239), ktDraw::PixelOf(blue));
    EXPECT_EQ(BackPixel(319, 239), ktDraw::PixelOf(red));
}

TEST_F(DrawTest, SwapObjectTakesTheNewPictureAndSize) {
    const int index = LoadColumns("a.bmp", 4, 4);
    WritePlainBmp(Data("b.bmp"), 30, 12, {0, 0, 255});
    EXPECT_EQ(ktDraw::SwapObject("./data/b.bmp", index), 1);
    EXPECT_STREQ(ktDraw::ImageObjects[index].name, "./data/b.bmp");
    ktDraw::DrawObject(0, 0, index, 0, 0, 30, 12);  // drawn only if the picture is that large
    EXPECT_EQ(BackPixel(29, 11), Raw({0, 0, 255}));
}

TEST_F(DrawTest, LostDisplayReloadsEveryPictureAndSkipsThatFrame) {
    const int a = LoadColumns("a.bmp", 4, 4);
    ktDraw::LoadObject("./data/missing.bmp");  // a failed slot is skipped
    WritePlainBmp(Data("a.bmp"), 6, 6, {255, 255, 0});
    State.boxes.clear();
    State.displayLost = 1;
    ktDraw::Flip();
    EXPECT_EQ(State.presents, 0);  // that frame is not shown
    EXPECT_TRUE(State.boxes.empty());
    ktDraw::DrawObject(0, 0, a, 0, 0, 6, 6);  // read again from its file
    ktDraw::Flip();
    EXPECT_EQ(State.presents, 1);
    EXPECT_EQ(ShownPixel(5, 5), Raw({255, 255, 0}));
}

TEST_F(DrawTest, ProgramFolderLongerThanTwoHundredFiftySixBytesWorks) {
    const std::string deep = folder + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
    std::filesystem::create_directories(deep + "/data");
    ASSERT_GT(deep.size(), 256u);
    State.basePath = deep + "/";
    WritePlainBmp(deep + "/data/p.bmp", 3, 3, {255, 0, 0});
    EXPECT_EQ(ktDraw::LoadObject("./data/p.bmp"), 2);
    EXPECT_TRUE(State.boxes.empty());
    // Taken apart here, by name: not every C library can list a folder this deep.
    for (const char* inner : {"/data/p.bmp", "/data", ""}) std::filesystem::remove(deep + inner);
}

}  // namespace
