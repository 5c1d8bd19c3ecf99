// The game's pictures in the generated data folder: read back with SDL's own
// BMP loader, checked for their sizes, the 16-bit visibility rule and the
// layouts that the scenes cut them by; and the picture tool's handling of
// its sources.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assets.h"
#include "bmp.h"
#include "font.h"
#include "picture.h"
#include "shapes.h"
#include "sprite_book.h"

namespace {

struct Colour {
    int r, g, b;
    bool Black() const { return r == 0 && g == 0 && b == 0; }
    int Luma() const { return (r * 3 + g * 6 + b) / 10; }
};

// A picture as SDL reads it, in 8-bit red, green, blue.
struct Loaded {
    int width = 0, height = 0;
    std::vector<Colour> pixels;
    Colour At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

std::string DataFile(const std::string& name) { return std::string(GRAZE_DATA_DIR) + "/" + name; }

bool LoadWithSdl(const std::string& name, Loaded& out) {
    SDL_Surface* raw = SDL_LoadBMP(DataFile(name).c_str());
    if (!raw) return false;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(raw);
    if (!rgb) return false;
    out.width = rgb->w;
    out.height = rgb->h;
    out.pixels.resize(static_cast<size_t>(rgb->w) * rgb->h);
    const auto* bytes = static_cast<const uint8_t*>(rgb->pixels);
    for (int y = 0; y < rgb->h; ++y)
        for (int x = 0; x < rgb->w; ++x) {
            const uint8_t* p = bytes + y * rgb->pitch + 3 * x;
            out.pixels[static_cast<size_t>(y) * rgb->w + x] = Colour{p[0], p[1], p[2]};
        }
    SDL_FreeSurface(rgb);
    return true;
}

Loaded Load(const std::string& name) {
    Loaded l;
    EXPECT_TRUE(LoadWithSdl(name, l)) << name << ": " << SDL_GetError();
    return l;
}

struct ExpectedSize {
    const char* file;
    int width, height;
};
constexpr ExpectedSize Pictures[] = {
    {"start.bmp", 240, 240},  {"selemode.bmp", 320, 240}, {"opening.bmp", 320, 240}, {"tlop.bmp", 320, 160},
    {"chips.bmp", 40, 265},   {"chips2.bmp", 100, 250},   {"stage0.bmp", 240, 240},  {"stage1.bmp", 240, 240},
    {"stage2.bmp", 240, 240}, {"stage3.bmp", 240, 240},   {"stage4.bmp", 240, 240},
};

struct Rect {
    int x, y, width, height;
};

int VisiblePixels(const Loaded& p, Rect r) {
    int n = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) n += p.At(x, y).Black() ? 0 : 1;
    return n;
}

int Difference(Colour a, Colour b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); }

// Summed colour difference between row `a` and row `b` over columns x0..x1-1.
long RowDifference(const Loaded& p, int x0, int x1, int a, int b) {
    long sum = 0;
    for (int x = x0; x < x1; ++x) sum += Difference(p.At(x, a), p.At(x, b));
    return sum;
}

// A band that wraps top to bottom joins without a seam when the step from
// its last row to its first is no bigger than the band's own steps between
// neighbouring rows usually are (twice their 90th percentile: a band that
// does not wrap jumps by far more, like two unrelated rows).
void ExpectWraps(const Loaded& p, Rect band, const std::string& what) {
    std::vector<long> steps;
    for (int y = band.y; y + 1 < band.y + band.height; ++y) steps.push_back(RowDifference(p, band.x, band.x + band.width, y, y + 1));
    std::sort(steps.begin(), steps.end());
    long typical = steps[steps.size() * 9 / 10];
    long seam = RowDifference(p, band.x, band.x + band.width, band.y + band.height - 1, band.y);
    EXPECT_LE(seam, 2 * typical) << what << ": the last row does not lead into the first";
}

long CellDifference(const Loaded& p, Rect a, Rect b) {
    long sum = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) sum += Difference(p.At(a.x + x, a.y + y), p.At(b.x + x, b.y + y));
    return sum;
}

// The same rectangle of two pictures.
long PictureDifference(const Loaded& a, const Loaded& b, Rect r) {
    long sum = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) sum += Difference(a.At(x, y), b.At(x, y));
    return sum;
}

double MeanLuma(const Loaded& p, Rect r) {
    double sum = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) sum += p.At(x, y).Luma();
    return sum / (r.width * r.height);
}

std::string TempFile(const std::string& name, const std::string& text) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "grazerunner_picture_tests";
    std::filesystem::create_directories(dir);
    std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

}  // namespace

// ---- the generated files

TEST(PictureFiles, EveryPictureLoadsWithItsSize) {
    for (const ExpectedSize& e : Pictures) {
        Loaded p;
        ASSERT_TRUE(LoadWithSdl(e.file, p)) << e.file << ": " << SDL_GetError();
        EXPECT_EQ(p.width, e.width) << e.file;
        EXPECT_EQ(p.height, e.height) << e.file;
    }
}

TEST(PictureFiles, AreUncompressed24BitBottomUpWithPaddedRows) {
    for (const ExpectedSize& e : Pictures) {
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(pictures::ReadFileBytes(DataFile(e.file), bytes, error)) << error;
        ASSERT_GE(bytes.size(), 54u) << e.file;
        auto u32 = [&](int at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24; };
        const int rowBytes = (e.width * 3 + 3) / 4 * 4;
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(u32(14), 40) << e.file << ": BITMAPINFOHEADER";
        EXPECT_EQ(u32(22), e.height) << e.file << ": positive height, rows bottom-up";
        EXPECT_EQ(bytes[28] | bytes[29] << 8, 24) << e.file;
        EXPECT_EQ(u32(30), 0) << e.file << ": no compression";
        EXPECT_EQ(bytes.size(), static_cast<size_t>(u32(10)) + rowBytes * e.height) << e.file;
    }
}

TEST(PictureFiles, EveryPixelIsTransparentOrSeenIn16BitColour) {
    for (const ExpectedSize& e : Pictures) {
        Loaded p = Load(e.file);
        int breakers = 0;
        for (const Colour& c : p.pixels)
            if (!c.Black() && (c.r >> 3) == 0 && (c.g >> 2) == 0 && (c.b >> 3) == 0) ++breakers;
        EXPECT_EQ(breakers, 0) << e.file << ": pixels that the display would turn into holes";
    }
}

TEST(PictureFiles, SameSourcesGiveTheSameBytes) {
    pictures::Assets assets;
    std::string error;
    ASSERT_TRUE(pictures::LoadAssets(std::string(GRAZE_SOURCE_DIR) + "/assets", assets, error)) << error;
    std::vector<pictures::OutputPicture> first, second;
    ASSERT_TRUE(pictures::BuildPictures(assets, first, error)) << error;
    ASSERT_TRUE(pictures::BuildPictures(assets, second, error)) << error;
    ASSERT_EQ(first.size(), std::size(Pictures));
    for (size_t i = 0; i < first.size(); ++i) {
        std::vector<uint8_t> onDisk;
        ASSERT_TRUE(pictures::ReadFileBytes(DataFile(first[i].file), onDisk, error)) << error;
        EXPECT_EQ(pictures::EncodeBmp(first[i].picture), onDisk) << first[i].file;
        EXPECT_EQ(pictures::EncodeBmp(first[i].picture), pictures::EncodeBmp(second[i].picture)) << first[i].file;
    }
}

// ---- chips2.bmp, the play scene's sprite sheet

TEST(SpriteSheet, EveryCellHoldsAPicture) {
    Loaded sheet = Load("chips2.bmp");
    struct Named {
        std::string what;
        Rect cell;
        int least;  // visible pixels at least
    };
    std::vector<Named> cells;
    for (int k = 0; k < 3; ++k)
        for (int f = 0; f < 3; ++f)
            cells.push_back({"player " + std::to_string(k) + " frame " + std::to_string(f), {20 * k, 40 * f, 20, 40}, 150});
    for (int k = 0; k < 5; ++k) cells.push_back({"depth shot " + std::to_string(k), {60, 20 * k, 20, 20}, 120});
    cells.push_back({"results label", {0, 120, 80, 20}, 1200});
    cells.push_back({"reverse icon", {60, 140, 20, 10}, 100});
    for (int k = 0; k < 3; ++k) cells.push_back({"player shot " + std::to_string(k), {20 * k, 140, 20, 20}, 30});
    for (int f = 0; f < 4; ++f) cells.push_back({"burst " + std::to_string(f), {20 * f, 160, 20, 20}, 8});
    for (int k = 0; k < 5; ++k) cells.push_back({"flat shot " + std::to_string(k), {10 * k, 180, 10, 10}, 50});
    cells.push_back({"bomb icon", {60, 180, 20, 10}, 100});
    for (int n = 0; n < 5; ++n) cells.push_back({"explosion step " + std::to_string(n), {20 * n, 190, 20, 20}, 40});
    cells.push_back({"final-hit caption", {0, 210, 80, 20}, 1200});
    cells.push_back({"bomb beam piece", {0, 230, 80, 20}, 600});
    for (const Named& n : cells) EXPECT_GE(VisiblePixels(sheet, n.cell), n.least) << n.what;
}

TEST(SpriteSheet, FiguresShowTheirCoreAtTheHitPointAndDifferByCharacter) {
    Loaded sheet = Load("chips2.bmp");
    for (int k = 0; k < 3; ++k)
        for (int f = 0; f < 3; ++f) {
            // The hit point is the middle of the figure's top 20 x 20 square.
            Colour core = sheet.At(20 * k + 10, 40 * f + 10);
            EXPECT_GT(core.Luma(), 180) << "character " << k << " frame " << f;
        }
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b)
            EXPECT_GT(CellDifference(sheet, {20 * a, 0, 20, 40}, {20 * b, 0, 20, 40}), 20000)
                << "characters " << a << " and " << b << " look alike";
    // The three frames animate: they are not all the same picture.
    for (int k = 0; k < 3; ++k)
        EXPECT_GT(CellDifference(sheet, {20 * k, 0, 20, 40}, {20 * k, 40, 20, 40}) +
                      CellDifference(sheet, {20 * k, 40, 20, 40}, {20 * k, 80, 20, 40}),
                  0)
            << "character " << k;
}

TEST(SpriteSheet, ShotsHaveABrightCoreAndADarkerRim) {
    Loaded sheet = Load("chips2.bmp");
    for (int k = 0; k < 5; ++k) {
        Rect depth{60, 20 * k, 20, 20}, flat{10 * k, 180, 10, 10};
        for (Rect r : {depth, flat}) {
            int brightest = 0, darkestVisible = 255;
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x) {
                    Colour c = sheet.At(x, y);
                    if (c.Black()) continue;
                    brightest = std::max(brightest, c.Luma());
                    darkestVisible = std::min(darkestVisible, c.Luma());
                }
            EXPECT_GE(brightest, 230) << "shot kind " << k << " at " << r.x << "," << r.y;
            EXPECT_LE(darkestVisible, 60) << "shot kind " << k << " at " << r.x << "," << r.y;
        }
    }
}

TEST(SpriteSheet, ExplosionStartsAsAFlashAndEndsAsSmoke) {
    Loaded sheet = Load("chips2.bmp");
    // Step 4 is shown first (the hit timer counts down from 4), step 0 last.
    double first = MeanLuma(sheet, {80, 190, 20, 20}), last = MeanLuma(sheet, {0, 190, 20, 20});
    EXPECT_GT(first, last * 1.5);
}

TEST(SpriteSheet, BeamPieceTilesVertically) {
    Loaded sheet = Load("chips2.bmp");
    ExpectWraps(sheet, {0, 230, 80, 20}, "beam piece");
    // Centred on the player: the middle columns are the brightest.
    EXPECT_GT(MeanLuma(sheet, {35, 230, 10, 20}), 200);
    EXPECT_GT(MeanLuma(sheet, {35, 230, 10, 20}), 2 * MeanLuma(sheet, {0, 230, 10, 20}));
}

// ---- chips.bmp: digits and the score panel

TEST(DigitSheet, DigitsAreDistinctAndThePanelIsLabelled) {
    Loaded sheet = Load("chips.bmp");
    for (int a = 0; a < 10; ++a) {
        EXPECT_EQ(VisiblePixels(sheet, {0, 20 * a, 40, 20}), 800) << "large digit " << a << " fills its cell";
        EXPECT_GE(VisiblePixels(sheet, {4 * a, 260, 4, 5}), 5) << "small digit " << a;
        EXPECT_EQ(VisiblePixels(sheet, {4 * a + 3, 260, 1, 5}), 0) << "small digit " << a << " keeps a gap";
        for (int b = a + 1; b < 10; ++b) {
            EXPECT_GT(CellDifference(sheet, {0, 20 * a, 40, 20}, {0, 20 * b, 40, 20}), 3000) << a << " vs " << b;
            EXPECT_GT(CellDifference(sheet, {4 * a, 260, 4, 5}, {4 * b, 260, 4, 5}), 0) << a << " vs " << b;
        }
    }
    EXPECT_EQ(VisiblePixels(sheet, {0, 220, 40, 40}), 1600) << "the panel is solid";
    // Labels sit right of the digits in each of the four rows (panel rows 5, 15, 25, 35).
    for (int row : {5, 15, 25, 35}) {
        int bright = 0;
        for (int y = 220 + row; y < 225 + row; ++y)
            for (int x = 24; x < 40; ++x) bright += sheet.At(x, y).Luma() > 120 ? 1 : 0;
        EXPECT_GE(bright, 5) << "label of panel row " << row;
    }
}

// ---- stage pictures

TEST(StagePictures, StripsAndCentreTileWrapWithoutASeam) {
    for (int s = 0; s < 5; ++s) {
        std::string file = "stage" + std::to_string(s) + ".bmp";
        Loaded p = Load(file);
        ExpectWraps(p, {0, 0, 60, 240}, file + " left strip");
        ExpectWraps(p, {180, 0, 60, 240}, file + " right strip");
        ExpectWraps(p, {60, 0, 120, 120}, file + " centre tile");
    }
}

TEST(StagePictures, BackgroundsAreSolidAndDarkEnoughForShots) {
    for (int s = 0; s < 5; ++s) {
        std::string file = "stage" + std::to_string(s) + ".bmp";
        Loaded p = Load(file);
        for (Rect r : {Rect{0, 0, 60, 240}, Rect{180, 0, 60, 240}, Rect{60, 0, 120, 120}}) {
            EXPECT_EQ(VisiblePixels(p, r), r.width * r.height) << file << " has holes at x " << r.x;
            EXPECT_LT(MeanLuma(p, r), 100) << file << " too bright at x " << r.x;
        }
    }
}

TEST(StagePictures, EachStageHasItsOwnBossWithTwoPoses) {
    std::vector<Loaded> stages;
    for (int s = 0; s < 5; ++s) stages.push_back(Load("stage" + std::to_string(s) + ".bmp"));
    for (int s = 0; s < 5; ++s) {
        EXPECT_GE(VisiblePixels(stages[s], {60, 120, 60, 60}), 900) << "stage " << s << " resting pose";
        EXPECT_GE(VisiblePixels(stages[s], {120, 120, 60, 60}), 900) << "stage " << s << " firing pose";
        EXPECT_GT(CellDifference(stages[s], {60, 120, 60, 60}, {120, 120, 60, 60}), 2000) << "stage " << s;
        EXPECT_EQ(VisiblePixels(stages[s], {60, 180, 120, 60}), 0) << "stage " << s << " unused corner";
        for (int t = s + 1; t < 5; ++t)
            EXPECT_GT(PictureDifference(stages[s], stages[t], {60, 120, 60, 60}), 100000)
                << "stages " << s << " and " << t << " share a boss";
    }
}

// ---- menu pictures

TEST(MenuPictures, HighlightStripsFrameTheRowWithoutHidingIt) {
    Loaded bar = Load("tlop.bmp");
    for (int strip = 0; strip < 2; ++strip) {
        Rect inside{20, 80 * strip + 8, 280, 64};
        EXPECT_GE(inside.width * inside.height - VisiblePixels(bar, inside), inside.width * inside.height * 95 / 100)
            << "strip " << strip << " covers the row";
        EXPECT_GE(VisiblePixels(bar, {0, 80 * strip, 320, 80}), 800) << "strip " << strip << " frames the row";
    }
    EXPECT_GT(CellDifference(bar, {0, 0, 320, 80}, {0, 80, 320, 80}), 10000) << "the two strips alternate";
}

TEST(MenuPictures, EverySelectRowIsDrawnAndDiffers) {
    for (const char* file : {"selemode.bmp", "opening.bmp"}) {
        Loaded p = Load(file);
        EXPECT_EQ(VisiblePixels(p, {0, 0, 320, 240}), 320 * 240) << file << " covers the screen";
        for (int a = 0; a < 3; ++a)
            for (int b = a + 1; b < 3; ++b)
                EXPECT_GT(CellDifference(p, {0, 80 * a, 320, 80}, {0, 80 * b, 320, 80}), 200000)
                    << file << " rows " << a << " and " << b;
    }
    Loaded title = Load("start.bmp");
    EXPECT_EQ(VisiblePixels(title, {0, 0, 240, 240}), 240 * 240);
}

// ---- the picture tool and its sources

TEST(PictureTool, VisibilityRuleAtTheEdges) {
    using pictures::Rgb;
    EXPECT_TRUE(pictures::PassesVisibilityRule(Rgb{0, 0, 0}));
    EXPECT_TRUE(pictures::PassesVisibilityRule(Rgb{8, 0, 0}));
    EXPECT_TRUE(pictures::PassesVisibilityRule(Rgb{0, 4, 0}));
    EXPECT_TRUE(pictures::PassesVisibilityRule(Rgb{0, 0, 8}));
    EXPECT_FALSE(pictures::PassesVisibilityRule(Rgb{7, 3, 7}));
    EXPECT_FALSE(pictures::PassesVisibilityRule(Rgb{1, 0, 0}));
    // Painting a shade too dark for the display keeps it visible, never a hole.
    pictures::Picture p = pictures::MakePicture(2, 1);
    pictures::Paint(p, 0, 0, Rgb{7, 3, 7});
    pictures::Paint(p, 1, 0, Rgb{0, 0, 0});
    EXPECT_TRUE(pictures::IsSeenOnScreen(pictures::PixelAt(p, 0, 0)));
    EXPECT_TRUE(pictures::IsSeenOnScreen(pictures::PixelAt(p, 1, 0)));
    EXPECT_EQ(pictures::CountRuleBreakers(p), 0);
    p.pixels[0] = Rgb{5, 2, 5};
    EXPECT_EQ(pictures::CountRuleBreakers(p), 1);
}

TEST(PictureTool, BmpRoundTripAndDamagedFiles) {
    pictures::Picture p = pictures::MakePicture(5, 3);  // odd width: padded rows
    pictures::Paint(p, 0, 0, pictures::Rgb{255, 0, 0});
    pictures::Paint(p, 4, 2, pictures::Rgb{0, 0, 255});
    std::vector<uint8_t> bytes = pictures::EncodeBmp(p);
    EXPECT_EQ(bytes.size(), 54u + 16u * 3u);
    pictures::Picture back;
    std::string error;
    ASSERT_TRUE(pictures::DecodeBmp(bytes, back, error)) << error;
    EXPECT_EQ(back.pixels, p.pixels);
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 10);
    EXPECT_FALSE(pictures::DecodeBmp(cut, back, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    EXPECT_FALSE(pictures::DecodeBmp(std::vector<uint8_t>(10, 0), back, error));
    EXPECT_FALSE(pictures::DecodeBmp(std::vector<uint8_t>(100, 'x'), back, error));
}

TEST(PictureTool, FaultySourcesAreReportedWithFileAndLine) {
    std::string error;
    pictures::SpriteBook book;
    std::string path = TempFile("short_row.txt", "colour a 255 0 0\nsprite s 3 2 1\naaa\naa\n");
    EXPECT_FALSE(pictures::LoadSpriteFile(path, book, error));
    EXPECT_NE(error.find(path + ":4:"), std::string::npos) << error;

    path = TempFile("no_colour.txt", "sprite s 2 1 1\nab\n");
    EXPECT_FALSE(pictures::LoadSpriteFile(path, book, error));
    EXPECT_NE(error.find("key 'a' has no colour"), std::string::npos) << error;

    path = TempFile("cut.txt", "colour a 1 2 3\nsprite s 2 5 1\naa\n");
    EXPECT_FALSE(pictures::LoadSpriteFile(path, book, error));
    EXPECT_NE(error.find("cut short"), std::string::npos) << error;

    path = TempFile("black.txt", "colour a 0 0 0\n");
    EXPECT_FALSE(pictures::LoadSpriteFile(path, book, error));
    EXPECT_NE(error.find("transparent"), std::string::npos) << error;

    pictures::Font font;
    path = TempFile("glyph.txt", "height 2\nglyph A\n#.\n###\n");
    EXPECT_FALSE(pictures::LoadFont(path, font, error));
    EXPECT_NE(error.find(path + ":4:"), std::string::npos) << error;

    pictures::ShapeScript shapes;
    path = TempFile("shape.txt", "canvas 10 10\ncircle 5 5 flat 255,0,0\n");
    EXPECT_FALSE(pictures::LoadShapeScript(path, shapes, error));
    EXPECT_NE(error.find(path + ":2:"), std::string::npos) << error;
    path = TempFile("shape_fill.txt", "canvas 10 10\ncircle 5 5 3 glitter red\n");
    EXPECT_FALSE(pictures::LoadShapeScript(path, shapes, error));
    EXPECT_NE(error.find("unknown fill"), std::string::npos) << error;

    path = TempFile("shape_nan.txt", "canvas 10 10\ncircle nan 5 3 flat 255,0,0\n");
    EXPECT_FALSE(pictures::LoadShapeScript(path, shapes, error));
    EXPECT_NE(error.find(path + ":2:"), std::string::npos) << error;

    path = TempFile("empty.txt", "");
    EXPECT_FALSE(pictures::LoadShapeScript(path, shapes, error));
    EXPECT_NE(error.find("empty"), std::string::npos) << error;

    pictures::Assets assets;
    EXPECT_FALSE(pictures::LoadAssets("/nonexistent/assets", assets, error));
    EXPECT_NE(error.find("cannot open /nonexistent/assets/"), std::string::npos) << error;
}

TEST(PictureTool, ShapesAndSpritesDrawWhatTheySay) {
    std::string error;
    pictures::ShapeScript shapes;
    std::string path = TempFile("draw.txt",
                                "canvas 10 10\ncolour red 255 0 0\nrect 0 0 5 10 flat red\n"
                                "variant 1\nrect 5 0 5 10 flat 0,0,255\n");
    ASSERT_TRUE(pictures::LoadShapeScript(path, shapes, error)) << error;
    pictures::Picture rest = pictures::RenderShapes(shapes, 0), fire = pictures::RenderShapes(shapes, 1);
    EXPECT_EQ(pictures::PixelAt(rest, 2, 5), (pictures::Rgb{255, 0, 0}));
    EXPECT_EQ(pictures::PixelAt(rest, 7, 5), pictures::Transparent);
    EXPECT_EQ(pictures::PixelAt(fire, 7, 5), (pictures::Rgb{0, 0, 255}));
    pictures::Picture twice = pictures::RenderShapes(shapes, 0, 2);
    EXPECT_EQ(twice.width, 20);
    EXPECT_EQ(pictures::PixelAt(twice, 9, 19), (pictures::Rgb{255, 0, 0}));
    EXPECT_EQ(pictures::PixelAt(twice, 10, 19), pictures::Transparent);

    pictures::SpriteBook book;
    path = TempFile("blink.txt", "colour a 255 255 255 | none\nsprite blink 2 1 2\na.\n");
    ASSERT_TRUE(pictures::LoadSpriteFile(path, book, error)) << error;
    pictures::Picture frame;
    ASSERT_TRUE(pictures::RenderSprite(book, "blink", 0, frame, error)) << error;
    EXPECT_EQ(pictures::PixelAt(frame, 0, 0), (pictures::Rgb{255, 255, 255}));
    ASSERT_TRUE(pictures::RenderSprite(book, "blink", 1, frame, error)) << error;
    EXPECT_EQ(pictures::PixelAt(frame, 0, 0), pictures::Transparent);
    EXPECT_FALSE(pictures::RenderSprite(book, "blink", 2, frame, error));
    EXPECT_FALSE(pictures::RenderSprite(book, "missing", 0, frame, error));
}
