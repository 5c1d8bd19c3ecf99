// The game's pictures in the generated data folder: read back with SDL's own
// BMP loader, checked for their sizes, the 16-bit visibility rule and the
// layouts that the scenes cut them by; and the picture tool's handling of
// its sources.
#include <gtest/gtest.h>

#include "stb_image.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "assets.h"
#include "bmp.h"
#include "font.h"
#include "picture.h"
#include "shapes.h"
#include "sprite_book.h"
#include "test_support.h"

namespace {

struct Colour {
    int r, g, b;
    bool Black() const { return r == 0 && g == 0 && b == 0; }
};

struct Rect {
    int x, y, width, height;
};

// A picture as the engine's bitmap decoder reads it, in 8-bit red, green,
// blue.
struct Loaded {
    int width = 0, height = 0;
    std::vector<Colour> pixels;
    Colour At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

std::string DataFile(const std::string& name) { return std::string(GRAZE_DATA_DIR) + "/" + name; }

Loaded Load(const std::string& name) {
    Loaded out;
    const std::string bytes = testutil::ReadText(DataFile(name));
    int channels = 0;
    uint8_t* rgb = stbi_load_from_memory(reinterpret_cast<const uint8_t*>(bytes.data()), int(bytes.size()),
                                         &out.width, &out.height, &channels, 3);
    EXPECT_NE(rgb, nullptr) << name << ": " << stbi_failure_reason();
    if (!rgb) return out;
    for (int i = 0; i < out.width * out.height; ++i)
        out.pixels.push_back(Colour{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]});
    stbi_image_free(rgb);
    return out;
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

int VisiblePixels(const Loaded& p, Rect r) {
    int n = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) n += p.At(x, y).Black() ? 0 : 1;
    return n;
}

// Summed colour difference between rectangle ra of a and the same-sized
// rectangle at rb of b.
long Difference(const Loaded& a, Rect ra, const Loaded& b, Rect rb) {
    long sum = 0;
    for (int y = 0; y < ra.height; ++y)
        for (int x = 0; x < ra.width; ++x) {
            const Colour c = a.At(ra.x + x, ra.y + y), d = b.At(rb.x + x, rb.y + y);
            sum += std::abs(c.r - d.r) + std::abs(c.g - d.g) + std::abs(c.b - d.b);
        }
    return sum;
}

// A band that wraps top to bottom joins without a seam when the step from
// its last row to its first is no bigger than the band's own steps between
// neighbouring rows usually are (twice their 90th percentile: a band that
// does not wrap jumps by far more, like two unrelated rows).
void ExpectWraps(const Loaded& p, Rect band, const std::string& what) {
    auto row = [&](int y) { return Rect{band.x, y, band.width, 1}; };
    std::vector<long> steps;
    for (int y = band.y; y + 1 < band.y + band.height; ++y) steps.push_back(Difference(p, row(y), p, row(y + 1)));
    std::sort(steps.begin(), steps.end());
    const long seam = Difference(p, row(band.y + band.height - 1), p, row(band.y));
    EXPECT_LE(seam, 2 * steps[steps.size() * 9 / 10]) << what << ": the last row does not lead into the first";
}

}  // namespace

// ---- the generated files

TEST(PictureFiles, EveryPictureIsAnUncompressed24BitBmpOfItsSizeSeenIn16Bits) {
    for (const ExpectedSize& e : Pictures) {
        SCOPED_TRACE(e.file);
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(pictures::ReadFileBytes(DataFile(e.file), bytes, error)) << error;
        ASSERT_GE(bytes.size(), 54u);
        auto u32 = [&](int at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24; };
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(u32(14), 40) << "BITMAPINFOHEADER";
        EXPECT_EQ(u32(22), e.height) << "positive height, rows bottom-up";
        EXPECT_EQ(bytes[28] | bytes[29] << 8, 24);
        EXPECT_EQ(u32(30), 0) << "no compression";
        EXPECT_EQ(bytes.size(), static_cast<size_t>(u32(10)) + (e.width * 3 + 3) / 4 * 4 * e.height) << "padded rows";

        const Loaded p = Load(e.file);
        EXPECT_EQ(p.width, e.width);
        EXPECT_EQ(p.height, e.height);
        const long holes = std::count_if(p.pixels.begin(), p.pixels.end(), [](const Colour& c) {
            return !c.Black() && (c.r >> 3) == 0 && (c.g >> 2) == 0 && (c.b >> 3) == 0;
        });
        EXPECT_EQ(holes, 0) << "pixels that the display would turn into holes";
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
    const Loaded sheet = Load("chips2.bmp");
    struct Named {
        std::string what;
        Rect cell;
        int least;  // visible pixels at least
    };
    std::vector<Named> cells = {{"results label", {0, 120, 80, 20}, 1200},
                                {"reverse icon", {60, 140, 20, 10}, 100},
                                {"bomb icon", {60, 180, 20, 10}, 100},
                                {"final-hit caption", {0, 210, 80, 20}, 1200},
                                {"bomb beam piece", {0, 230, 80, 20}, 600}};
    for (int k = 0; k < 3; ++k)
        for (int f = 0; f < 3; ++f)
            cells.push_back({"player " + std::to_string(k) + " frame " + std::to_string(f),
                             {20 * k, 40 * f, 20, 40}, 150});
    for (int k = 0; k < 5; ++k) {
        cells.push_back({"depth shot " + std::to_string(k), {60, 20 * k, 20, 20}, 120});
        cells.push_back({"flat shot " + std::to_string(k), {10 * k, 180, 10, 10}, 50});
        cells.push_back({"explosion step " + std::to_string(k), {20 * k, 190, 20, 20}, 40});
    }
    for (int k = 0; k < 3; ++k) cells.push_back({"player shot " + std::to_string(k), {20 * k, 140, 20, 20}, 30});
    for (int f = 0; f < 4; ++f) cells.push_back({"burst " + std::to_string(f), {20 * f, 160, 20, 20}, 8});
    for (const Named& n : cells) EXPECT_GE(VisiblePixels(sheet, n.cell), n.least) << n.what;
}

// ---- chips.bmp: digits and the score panel

TEST(DigitSheet, DigitsAreDistinctAndThePanelIsSolid) {
    const Loaded sheet = Load("chips.bmp");
    for (int a = 0; a < 10; ++a) {
        const Rect large{0, 20 * a, 40, 20}, small{4 * a, 260, 4, 5};
        EXPECT_EQ(VisiblePixels(sheet, large), 800) << "large digit " << a << " fills its cell";
        EXPECT_GE(VisiblePixels(sheet, small), 5) << "small digit " << a;
        EXPECT_EQ(VisiblePixels(sheet, {4 * a + 3, 260, 1, 5}), 0) << "small digit " << a << " keeps a gap";
        for (int b = a + 1; b < 10; ++b) {
            EXPECT_GT(Difference(sheet, large, sheet, {0, 20 * b, 40, 20}), 3000) << a << " vs " << b;
            EXPECT_GT(Difference(sheet, small, sheet, {4 * b, 260, 4, 5}), 0) << a << " vs " << b;
        }
    }
    EXPECT_EQ(VisiblePixels(sheet, {0, 220, 40, 40}), 1600) << "the panel is solid";
}

// ---- stage pictures

TEST(StagePictures, BackgroundsWrapAndAreSolidAndEachStageHasItsOwnBoss) {
    std::vector<Loaded> stages;
    for (int s = 0; s < 5; ++s) stages.push_back(Load("stage" + std::to_string(s) + ".bmp"));
    for (int s = 0; s < 5; ++s) {
        SCOPED_TRACE("stage " + std::to_string(s));
        const Loaded& p = stages[size_t(s)];
        for (const Rect r : {Rect{0, 0, 60, 240}, Rect{180, 0, 60, 240}, Rect{60, 0, 120, 120}}) {
            ExpectWraps(p, r, "band at x " + std::to_string(r.x));
            EXPECT_EQ(VisiblePixels(p, r), r.width * r.height) << "holes at x " << r.x;
        }
        const Rect resting{60, 120, 60, 60}, firing{120, 120, 60, 60};
        EXPECT_GE(VisiblePixels(p, resting), 900);
        EXPECT_GT(Difference(p, resting, p, firing), 2000);
        for (int t = s + 1; t < 5; ++t)
            EXPECT_GT(Difference(p, resting, stages[size_t(t)], resting), 100000) << "shares a boss with stage " << t;
    }
    // The bomb's beam piece tiles down the screen the same way.
    ExpectWraps(Load("chips2.bmp"), {0, 230, 80, 20}, "beam piece");
}

// ---- menu pictures

TEST(MenuPictures, HighlightStripsLeaveTheRowSeenAndEverySelectRowDiffers) {
    const Loaded bar = Load("tlop.bmp");
    for (int strip = 0; strip < 2; ++strip)
        EXPECT_LE(VisiblePixels(bar, {20, 80 * strip + 8, 280, 64}), 280 * 64 / 20)
            << "strip " << strip << " hides the row";
    for (const char* file : {"selemode.bmp", "opening.bmp"}) {
        const Loaded p = Load(file);
        for (int a = 0; a < 3; ++a)
            for (int b = a + 1; b < 3; ++b)
                EXPECT_GT(Difference(p, {0, 80 * a, 320, 80}, p, {0, 80 * b, 320, 80}), 200000)
                    << file << " rows " << a << " and " << b;
    }
}

// ---- the picture tool and its sources

TEST(PictureTool, VisibilityRuleAtTheEdges) {
    using pictures::Rgb;
    for (const Rgb seen : {Rgb{0, 0, 0}, Rgb{8, 0, 0}, Rgb{0, 4, 0}, Rgb{0, 0, 8}})
        EXPECT_TRUE(pictures::PassesVisibilityRule(seen)) << int(seen.r) << " " << int(seen.g) << " " << int(seen.b);
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
    const std::vector<uint8_t> bytes = pictures::EncodeBmp(p);
    EXPECT_EQ(bytes.size(), 54u + 16u * 3u);
    pictures::Picture back;
    std::string error;
    ASSERT_TRUE(pictures::DecodeBmp(bytes, back, error)) << error;
    EXPECT_EQ(back.pixels, p.pixels);
    EXPECT_FALSE(pictures::DecodeBmp(std::vector<uint8_t>(bytes.begin(), bytes.end() - 10), back, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    EXPECT_FALSE(pictures::DecodeBmp(std::vector<uint8_t>(10, 0), back, error));
    EXPECT_FALSE(pictures::DecodeBmp(std::vector<uint8_t>(100, 'x'), back, error));
}

TEST(PictureTool, FaultySourcesAreReportedWithFileAndLine) {
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
        {"black.txt", "colour a 0 0 0\n", sprites, "transparent"},
        {"glyph.txt", "height 2\nglyph A\n#.\n###\n", font, "@:4:"},
        {"shape.txt", "canvas 10 10\ncircle 5 5 flat 255,0,0\n", shapes, "@:2:"},
        {"shape_fill.txt", "canvas 10 10\ncircle 5 5 3 glitter red\n", shapes, "unknown fill"},
        {"shape_nan.txt", "canvas 10 10\ncircle nan 5 3 flat 255,0,0\n", shapes, "@:2:"},
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

TEST(PictureTool, ShapesAndSpritesDrawWhatTheySay) {
    const testutil::ScratchFolder dir;
    std::string error;
    pictures::ShapeScript shapes;
    const std::string script =
        "canvas 10 10\ncolour red 255 0 0\nrect 0 0 5 10 flat red\nvariant 1\nrect 5 0 5 10 flat 0,0,255\n";
    ASSERT_TRUE(pictures::LoadShapeScript(dir.Write("draw.txt", script), shapes, error)) << error;
    const pictures::Picture rest = pictures::RenderShapes(shapes, 0), twice = pictures::RenderShapes(shapes, 0, 2);
    EXPECT_EQ(pictures::PixelAt(rest, 2, 5), (pictures::Rgb{255, 0, 0}));
    EXPECT_EQ(pictures::PixelAt(rest, 7, 5), pictures::Transparent);
    EXPECT_EQ(pictures::PixelAt(pictures::RenderShapes(shapes, 1), 7, 5), (pictures::Rgb{0, 0, 255}));
    EXPECT_EQ(pictures::PixelAt(twice, 9, 19), (pictures::Rgb{255, 0, 0}));
    EXPECT_EQ(pictures::PixelAt(twice, 10, 19), pictures::Transparent);

    pictures::SpriteBook book;
    const std::string sprite = "colour a 255 255 255 | none\nsprite blink 2 1 2\na.\n";
    ASSERT_TRUE(pictures::LoadSpriteFile(dir.Write("blink.txt", sprite), book, error)) << error;
    pictures::Picture frame;
    ASSERT_TRUE(pictures::RenderSprite(book, "blink", 0, frame, error)) << error;
    EXPECT_EQ(pictures::PixelAt(frame, 0, 0), (pictures::Rgb{255, 255, 255}));
    ASSERT_TRUE(pictures::RenderSprite(book, "blink", 1, frame, error)) << error;
    EXPECT_EQ(pictures::PixelAt(frame, 0, 0), pictures::Transparent);
    EXPECT_FALSE(pictures::RenderSprite(book, "blink", 2, frame, error));
    EXPECT_FALSE(pictures::RenderSprite(book, "missing", 0, frame, error));
}
