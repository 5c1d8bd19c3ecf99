// What the fuzzers found (tests/fuzz/), each kept here as an ordinary test so
// that it stays fixed in every build.
#include <SDL.h>

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

// The largest single block that SDL is asked for while it is watched; SDL's
// own allocation calls are routed through the watch and on to the ones it
// had before, so blocks taken before or after are freed as usual.
size_t LargestRequest = 0;
SDL_malloc_func OldMalloc;
SDL_calloc_func OldCalloc;
SDL_realloc_func OldRealloc;
SDL_free_func OldFree;

void Note(size_t size) {
    if (size > LargestRequest) LargestRequest = size;
}
void* WatchedMalloc(size_t size) {
    Note(size);
    return OldMalloc(size);
}
void* WatchedCalloc(size_t count, size_t size) {
    Note(count * size);
    return OldCalloc(count, size);
}
void* WatchedRealloc(void* block, size_t size) {
    Note(size);
    return OldRealloc(block, size);
}

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

    // Loads with SDL's allocations watched; the object's index.
    int LoadWatched(const char* name) {
        SDL_GetMemoryFunctions(&OldMalloc, &OldCalloc, &OldRealloc, &OldFree);
        SDL_SetMemoryFunctions(WatchedMalloc, WatchedCalloc, WatchedRealloc, OldFree);
        LargestRequest = 0;
        const int object = ktDraw::LoadObject(name);
        SDL_SetMemoryFunctions(OldMalloc, OldCalloc, OldRealloc, OldFree);
        return object;
    }
};

// fuzz_picture, first seed run: a 54-byte file whose header claimed a
// 30000 × 30000 picture made the loader ask for 2.7 GB (and clear it) before
// it found the pixels missing. Pictures are now refused beyond 4096 pixels a
// side before any pixel memory is set aside.
TEST_F(PictureFindings, HugeSizeInTheHeaderIsRefusedWithoutSettingMemoryAside) {
    WriteClaim("huge.bmp", 30000, 30000);
    EXPECT_EQ(LoadWatched("./data/huge.bmp"), 0);
    EXPECT_LT(LargestRequest, size_t(1) << 20);
    ASSERT_EQ(State.boxes.size(), 1u);
    EXPECT_EQ(State.boxes[0], "ktDraw::LoadObject : BMPファイルを読み込めません");

    // Stored top row first (a negative height) and with the old 12-byte
    // header the same holds.
    WriteClaim("upside.bmp", 16, -30000);
    EXPECT_EQ(LoadWatched("./data/upside.bmp"), 0);
    EXPECT_LT(LargestRequest, size_t(1) << 20);
    std::vector<uint8_t> core = {'B', 'M', 30, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0,
                                 12, 0, 0, 0, 0x30, 0x75, 0x30, 0x75, 1, 0, 24, 0, 0, 0, 0, 0};
    std::ofstream(Data("core.bmp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(core.data()), std::streamsize(core.size()));
    EXPECT_EQ(LoadWatched("./data/core.bmp"), 0);
    EXPECT_LT(LargestRequest, size_t(1) << 20);
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
    EXPECT_EQ(ktDraw::ImageObjects[wide].surface->w, 4096);
    EXPECT_EQ(ktDraw::ImageObjects[tall].surface->h, 4096);
    EXPECT_TRUE(State.boxes.empty());
    EXPECT_EQ(ktDraw::LoadObject("./data/wider.bmp"), 0);
    EXPECT_EQ(ktDraw::LoadObject("./data/taller.bmp"), 0);
    EXPECT_EQ(State.boxes.size(), 2u);
}

}  // namespace
