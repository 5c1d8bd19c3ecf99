// The display, image objects, sprite drawing and presentation, checked by
// the pixels of Back and of the presented picture; and the bitmaps that are
// read or refused (what the picture fuzzer found among them).
#include <filesystem>
#include <fstream>
#include <tuple>
#include <utility>

#include "engine_fixture.h"

using testutil::Raw;
using testutil::Rgb;
using testutil::WriteBmp;
using testutil::WritePlainBmp;
using ktScript::State;

namespace {

const std::string Unreadable = "ktDraw::LoadObject : BMPファイルを読み込めません";
const std::string Corpus = std::string(GRAZE_SOURCE_DIR) + "/tests/fuzz/corpus/fuzz_picture/";

class DrawTest : public DisplayTest {
protected:
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
    // The source column of Back's pixel in a coded picture 400 wide.
    int Column(int x, int y) { return testutil::SourceOf(BackPixel(x, y), 400).x; }
};

// Loads take slots from 2 on, under a program folder longer than 256 bytes.
TEST_F(DrawTest, NamesUpToThirtyCharactersAndAFullTable) {
    const std::string deep = folder + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
    std::filesystem::create_directories(deep + "/data");
    State.basePath = deep + "/";
    const std::string name30 = "./data/" + std::string(19, 'n') + ".bmp";  // 30 characters
    const std::string name31 = "./data/" + std::string(20, 'n') + ".bmp";
    WritePlainBmp(deep + "/" + name30.substr(2), 2, 2, {255, 255, 255});
    EXPECT_EQ(ktDraw::LoadObject(name30.c_str()), 2);
    EXPECT_EQ(ktDraw::LoadObject(name31.c_str()), 0);
    EXPECT_EQ(State.boxes.back(), "ktDraw::LoadObject : ファイル名またはリソース名が長すぎます");
    EXPECT_EQ(ktDraw::SwapObject(name31.c_str(), 2), 0);
    EXPECT_EQ(State.boxes.back(), "ktDraw::SwapObject : ファイル名またはリソース名が長すぎます");
    EXPECT_NE(ktDraw::ImageObjects[2].surface, nullptr);  // untouched
    EXPECT_EQ(ktDraw::SwapObject("./data/none.bmp", 1024), 0);
    // The work surfaces take no picture, though 0 is what a failed load gave.
    ktDraw::Picture* const buffer = ktDraw::ImageObjects[0].surface;
    for (const int work : {0, 1}) EXPECT_EQ(ktDraw::SwapObject(name30.c_str(), work), 0) << work;
    EXPECT_EQ(std::tuple(ktDraw::ImageObjects[0].surface, ktDraw::ImageObjects[0].surface->width, State.boxes.back()),
              std::tuple(buffer, 320, std::string("ktDraw::SwapObject : BMPファイルを読み込めません")));
    WritePlainBmp(deep + "/data/one.bmp", 1, 1, {9, 9, 9});
    for (int i = 3; i < 1024; i++) ASSERT_EQ(ktDraw::LoadObject("./data/one.bmp"), i);  // the long name took no slot
    State.boxes.clear();
    EXPECT_EQ(ktDraw::LoadObject("./data/one.bmp"), 0);
    EXPECT_EQ(State.boxes, std::vector<std::string>{"ktDraw::LoadObject : オブジェクト数が多すぎます"});
    // Taken apart here, by name: not every C library can list a folder this deep.
    for (const std::string& inner : {name30.substr(1), std::string("/data/one.bmp"), std::string("/data"), std::string()})
        std::filesystem::remove(deep + inner);
}

// Every kind of bitmap a paint program writes (1, 4, 8, 16, 24 and 32 bits
// a pixel, colour tables, bit fields, run-length encoding, top row first)
// loads with exactly the RGB565 pixels a 16-bit copy of it gives: the hash of
// the picture's pixels in row order.
TEST_F(DrawTest, EveryBitmapKindLoadsWithItsPixels) {
    const struct {
        const char* file;
        int width, height;
        uint32_t hash;
    } kinds[] = {
        {"depth1.bmp", 9, 3, 0x3B7908E7u}, {"depth16-bitfields.bmp", 3, 2, 0xE52EA849u},
        {"depth24.bmp", 3, 3, 0x24BED103u}, {"depth32.bmp", 2, 3, 0x65A4EB47u},
        {"depth4.bmp", 5, 3, 0xA5EF3CB2u}, {"depth8.bmp", 4, 4, 0x7FD3E5C7u},
        {"rle4.bmp", 7, 3, 0x0E39A06Fu}, {"rle8.bmp", 4, 2, 0x3F1EF91Du},
        {"topdown24.bmp", 2, 2, 0xE68EEDE2u},
    };
    for (const auto& kind : kinds) {
        std::filesystem::copy_file(Corpus + kind.file, Data(kind.file));
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

// Every header size a bitmap has (the core header, the info header, and
// the longer ones with masks, colour space and profile), with colour tables
// of three or four bytes an entry, short or full, bit fields, run-length
// codes with jumps and literal runs: the same 5 × 3 picture, pixel (x, y) of
// colour (x + 2y) % 8 (red bit 1, green bit 2, blue bit 4), as
// tests/fuzz/make_seeds.py writes the gen-same-*.bmp seeds.
TEST_F(DrawTest, EveryHeaderSizeDepthAndCompressionGivesTheSamePicture) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Corpus)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("gen-same-", 0) != 0) continue;
        const std::string name = "same" + std::to_string(files++) + ".bmp";  // names are short
        std::filesystem::copy_file(entry.path(), Data(name));
        const int object = ktDraw::LoadObject(("./data/" + name).c_str());
        const ktDraw::Picture* p = ktDraw::ImageObjects[object].surface;
        if (!object || p->width != 5 || p->height != 3) {
            ADD_FAILURE() << file << " is refused or of another size";
            continue;
        }
        for (int y = 0; y < 3; y++)
            for (int x = 0; x < 5; x++) {
                const int k = (x + 2 * y) % 8;
                const Rgb expected{uint8_t(k & 1 ? 255 : 0), uint8_t(k & 2 ? 255 : 0), uint8_t(k & 4 ? 255 : 0)};
                EXPECT_EQ(p->pixels[y * p->pitch + x], Raw(expected)) << file << " " << x << "," << y;
            }
    }
    EXPECT_EQ(files, 26);
}

// Sides up to 4096 pixels load; a header that claims more is refused before
// anything is decoded (the picture fuzzer's first find: a 54-byte file whose
// header claimed 30000 × 30000 made the loader ask for 2.7 GB). So are a
// missing file, a truncated one and run-length codes without their end; a
// header size that no bitmap has (a run-length picture whose header claimed
// 0 bytes once made the loader write past the end of its buffer).
TEST_F(DrawTest, MissingDamagedAndOversizedBitmapsGiveTheBoxAndZero) {
    const Rgb grey{90, 90, 90};
    WriteBmp(Data("wide.bmp"), 4096, 1, [&](int, int) { return grey; });
    WriteBmp(Data("tall.bmp"), 1, 4096, [&](int, int) { return grey; });
    const int wide = ktDraw::LoadObject("./data/wide.bmp"), tall = ktDraw::LoadObject("./data/tall.bmp");
    ASSERT_TRUE(wide && tall);
    EXPECT_EQ(std::tuple(ktDraw::ImageObjects[wide].surface->width, ktDraw::ImageObjects[tall].surface->height),
              std::tuple(4096, 4096));
    WriteBmp(Data("wider.bmp"), 4097, 1, [&](int, int) { return grey; });
    WriteBmp(Data("taller.bmp"), 1, 4097, [&](int, int) { return grey; });
    // One black pixel whose header claims width × height.
    auto claim = [&](const std::string& file, int32_t width, int32_t height) {
        WriteBmp(Data(file), 1, 1, [](int, int) { return Rgb{0, 0, 0}; });
        std::fstream f(Data(file), std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(18);
        for (const int32_t side : {width, height})
            for (int b = 0; b < 4; b++) f.put(char(uint32_t(side) >> (8 * b)));
    };
    claim("huge.bmp", 30000, 30000);
    claim("upside.bmp", 16, -30000);  // stored top row first
    testutil::WriteBytes(Data("core.bmp"), {'B', 'M', 30, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0, 12, 0,
                                           0, 0, 0x30, 0x75, 0x30, 0x75, 1, 0, 24, 0, 0, 0, 0, 0});  // the old 12-byte header
    WritePlainBmp(Data("cut.bmp"), 8, 8, {200, 0, 0});
    std::filesystem::resize_file(Data("cut.bmp"), 60);
    std::filesystem::copy_file(Corpus + "rle4.bmp", Data("rle.bmp"));
    std::filesystem::resize_file(Data("rle.bmp"), std::filesystem::file_size(Data("rle.bmp")) - 2);
    std::filesystem::copy_file(Corpus + "gen-broken-header-size-0-rle8.bmp", Data("size0.bmp"));
    std::filesystem::copy_file(Corpus + "gen-broken-header-size-64.bmp", Data("size64.bmp"));
    const char* refused[] = {"wider", "taller", "huge", "upside", "core", "cut", "rle", "size0", "size64", "tlop"};
    for (const char* name : refused) EXPECT_EQ(ktDraw::LoadObject(("./data/" + std::string(name) + ".bmp").c_str()), 0) << name;
    EXPECT_EQ(State.boxes, std::vector<std::string>(std::size(refused), Unreadable));
    EXPECT_EQ(State.beeps, int(std::size(refused)));
    // A failed slot keeps its name without a picture; drawing it does nothing.
    EXPECT_STREQ(ktDraw::ImageObjects[tall + 1].name, "./data/wider.bmp");
    ktDraw::DrawObject(0, 0, tall + 1, 0, 0, 10, 10);
    EXPECT_EQ(Drawn(0), Nothing);
    EXPECT_EQ(ktDraw::SwapObject("./data/none.bmp", 2), 0);
    EXPECT_EQ(State.boxes.back(), "ktDraw::SwapObject : BMPファイルを読み込めません");
}

TEST_F(DrawTest, DrawObjectClipsEachEdgeAndRefusesRectanglesOutsideItsPicture) {
    const int wide = LoadCodedPicture("cols.bmp", 400, 20);
    // Left edge: source columns 5..19 at x 0..14, rows 10..29.
    ktDraw::DrawObject(-5, 10, wide, 0, 0, 20, 20);
    EXPECT_EQ(std::tuple(Drawn(10), Column(0, 10), Drawn(9), Drawn(29), Drawn(30)),
              std::tuple(std::pair(0, 14), 5, Nothing, std::pair(0, 14), Nothing));
    // Right edge: source columns 0..9 at x 310..319.
    ktDraw::ClearScreen();
    ktDraw::DrawObject(310, 0, wide, 0, 0, 20, 20);
    EXPECT_EQ(std::tuple(Drawn(0), Column(319, 0)), std::tuple(std::pair(310, 319), 9));
    // Wholly outside: nothing.
    ktDraw::ClearScreen();
    for (const auto& [x, y] : {std::pair{330, 0}, {-20, 0}, {0, 240}, {0, -20}}) ktDraw::DrawObject(x, y, wide, 0, 0, 20, 20);
    EXPECT_EQ(std::tuple(Drawn(0), Drawn(19)), std::tuple(Nothing, Nothing));
    // Wider than the clip: cut on both sides, columns 10..329 at x 0..319.
    ktDraw::DrawObject(-10, 0, wide, 0, 0, 400, 20);
    EXPECT_EQ(std::tuple(Drawn(0), Column(0, 0), Column(319, 0)), std::tuple(std::pair(0, 319), 10, 329));
    // Bottom and top edges.
    ktDraw::ClearScreen();
    ktDraw::DrawObject(0, 230, wide, 0, 0, 10, 20);
    ktDraw::DrawObject(100, -15, wide, 0, 0, 10, 20);
    EXPECT_EQ(std::tuple(Drawn(239), Drawn(4), Drawn(5)), std::tuple(std::pair(0, 9), std::pair(100, 109), Nothing));
    // A rectangle reaching outside its picture, or a slot outside the table
    // or without a picture, draws nothing, even stretched.
    ktDraw::ClearScreen();
    const int small = LoadCodedPicture("small.bmp", 10, 10);
    ktDraw::DrawObject(0, 0, small, 5, 0, 15, 10);
    ktDraw::DrawObject(0, 0, small, -1, 0, 5, 10);
    ktDraw::DrawObject(0, 0, small, 0, 0, 10, 11);
    for (int object : {5000, -1, 700}) ktDraw::DrawObject(0, 0, object, 0, 0, 10, 10);
    ktDraw::StretchObject(0, 0, small, 0, 0, 20, 20, 40, 40);
    ktDraw::StretchObject(0, 0, 5000, 0, 0, 1, 1, 4, 4);
    for (int y = 0; y < 40; y++) EXPECT_EQ(Drawn(y), Nothing) << y;
}

TEST_F(DrawTest, BlackIsTransparentAndTheTopLeftPixelKeepsItsColour) {
    const Rgb red{255, 0, 0}, green{0, 255, 0};
    WritePlainBmp(Data("under.bmp"), 13, 8, red);
    // The upper picture: green at (0,0) and on its border, black inside; 13
    // wide, so its rows are copied eight pixels at once and then one by one.
    WriteBmp(Data("over.bmp"), 13, 8, [&](int x, int y) { return (x == 0 || y == 0 || x == 12 || y == 7) ? green : Rgb{0, 0, 0}; });
    ktDraw::DrawObject(50, 50, ktDraw::LoadObject("./data/under.bmp"), 0, 0, 13, 8);
    ktDraw::DrawObject(50, 50, ktDraw::LoadObject("./data/over.bmp"), 0, 0, 13, 8);
    EXPECT_EQ(std::tuple(BackPixel(50, 50), BackPixel(53, 53), BackPixel(60, 53), BackPixel(62, 53), BackPixel(57, 57)),
              std::tuple(Raw(green), Raw(red), Raw(red), Raw(green), Raw(green)));
    // A nearly black colour that is black in 16 bits is transparent too.
    WritePlainBmp(Data("dark.bmp"), 2, 2, {7, 3, 7});
    ktDraw::DrawObject(53, 53, ktDraw::LoadObject("./data/dark.bmp"), 0, 0, 2, 2);
    EXPECT_EQ(BackPixel(53, 53), Raw(red));
}

TEST_F(DrawTest, StretchObjectScalesWithTheKeyAndRefusesAnythingPastTheEdge) {
    WriteBmp(Data("q.bmp"), 2, 2, [](int x, int y) {
        return x == 0 && y == 0 ? Rgb{0, 0, 0} : Rgb{uint8_t(x ? 255 : 0), uint8_t(y ? 255 : 0), 255};
    });
    const int q = ktDraw::LoadObject("./data/q.bmp");
    ktDraw::StretchObject(10, 10, q, 0, 0, 2, 2, 8, 8);
    ktDraw::StretchObject(10, 30, q, 0, 0, 2, 1, 6, 3);  // three columns for each source column
    // The black quarter stays transparent.
    EXPECT_EQ(std::tuple(BackPixel(10, 10), BackPixel(13, 13), BackPixel(14, 10), BackPixel(17, 17), BackPixel(18, 10)),
              std::tuple(uint16_t(0), uint16_t(0), Raw({255, 0, 255}), Raw({255, 255, 255}), uint16_t(0)));
    EXPECT_EQ(std::tuple(BackPixel(12, 31), BackPixel(13, 32), BackPixel(15, 30)),
              std::tuple(uint16_t(0), Raw({255, 0, 255}), Raw({255, 0, 255})));
    // Past the right edge: nothing at all is drawn.
    ktDraw::ClearScreen();
    ktDraw::StretchObject(316, 10, q, 0, 0, 2, 2, 8, 8);
    for (int y = 10; y < 18; y++) EXPECT_EQ(Drawn(y), Nothing);
}

TEST_F(DrawTest, RectangleOutlineInsideFillWithinRightAndBottomExclusive) {
    const uint32_t red = 0x0000FF, blue = 0xFF0000;
    ktDraw::DrawRectangle(10, 10, 20, 15, red, blue, 1);
    for (const auto& [x, y] : {std::pair{10, 10}, {19, 14}, {15, 10}, {19, 12}})
        EXPECT_EQ(BackPixel(x, y), ktDraw::PixelOf(blue)) << x << " " << y;
    EXPECT_EQ(std::tuple(BackPixel(11, 11), BackPixel(18, 13), BackPixel(20, 12), BackPixel(15, 15)),
              std::tuple(ktDraw::PixelOf(red), ktDraw::PixelOf(red), uint16_t(0), uint16_t(0)));
    // No height: nothing. Cut to the screen: no crash, visible part drawn.
    ktDraw::DrawRectangle(280, 0, 320, 0, red, blue, 1);
    ktDraw::DrawRectangle(280, 200, 330, 260, red, blue, 1);
    EXPECT_EQ(std::tuple(BackPixel(300, 0), BackPixel(280, 239), BackPixel(319, 239)),
              std::tuple(uint16_t(0), ktDraw::PixelOf(blue), ktDraw::PixelOf(red)));
}

// Every frame is shown wherever the window has gone; a repaint (the window
// uncovered, or the platform's display made anew) shows the last frame
// again from memory: no picture is read again from its file.
TEST_F(DrawTest, FlipShowsEveryFrameWhereverTheWindowIsAndARepaintReadsNoFile) {
    const int a = LoadCodedPicture("a.bmp", 4, 4);
    std::filesystem::remove(Data("a.bmp"));
    ktSystem::WindowProc(ktPlatform::WM_MOVE, 0, intptr_t(0x00320064));  // to (100, 50)
    for (const int x : {0, 7}) {
        ktDraw::ClearScreen();
        ktDraw::DrawObject(x, 0, a, 0, 0, 4, 4);
        ktDraw::Flip();
        EXPECT_EQ(std::tuple(ShownPixel(x, 0), ShownPixel(x + 4, 0)), std::tuple(BackPixel(x, 0), uint16_t(0))) << x;
    }
    ktDraw::ClearScreen();  // Back moves on; what is shown does not
    ktSystem::WindowProc(ktPlatform::WM_PAINT, 0, 0);
    EXPECT_EQ(std::tuple(State.presents, ShownPixel(7, 0) != 0, State.boxes.size()), std::tuple(3, true, size_t(0)));
    ktDraw::DrawObject(0, 0, a, 0, 0, 4, 4);
    EXPECT_NE(BackPixel(0, 0), 0);
}

// The picture is scaled by the largest whole factor that fits its area and
// centred; in an area too small for it, it has no place.
TEST(Presentation, PicturesArePlacedByWholeFactorsAndPacedToTheMonitor) {
    const struct {
        int width, height;
        ktDraw::Placement want;
    } cases[] = {
        {1280, 720, {160, 0, 960, 720, 3}},   {1920, 1080, {320, 60, 1280, 960, 4}},
        {1366, 768, {203, 24, 960, 720, 3}},  {3840, 2160, {480, 0, 2880, 2160, 9}},
        {320, 240, {0, 0, 320, 240, 1}},      {319, 240, {0, 0, 0, 0, 0}},  {640, 239, {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const ktDraw::Placement p = ktDraw::PlacePicture(c.width, c.height, 320, 240), w = c.want;
        EXPECT_EQ(std::tie(p.x, p.y, p.width, p.height, p.scale), std::tie(w.x, w.y, w.width, w.height, w.scale))
            << c.width << "x" << c.height;
    }
    // A picture less than three quarters of a refresh after the last waits
    // for the rest of it.
    const std::pair<int64_t, int64_t> waits[] = {{0, 1600}, {1199, 401}, {1200, 0}, {5000, 0}, {-1, 0}};
    for (const auto& [since, wait] : waits) EXPECT_EQ(ktDraw::PresentWait(since, 1600), wait) << since;
}

}  // namespace
