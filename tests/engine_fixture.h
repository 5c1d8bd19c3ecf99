// Shared set-up of the engine tests: the scripted platform, a scratch
// program folder, and a writer of small 24-bit bitmap files.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ktDraw.h"
#include "ktSound.h"
#include "ktSystem.h"
#include "sys_script.h"

namespace testutil {

// A colour as the bitmap stores it.
struct Rgb {
    uint8_t r, g, b;
};

// Writes a bottom-up 24-bit bitmap of width × height with pixel(x, y).
inline void WriteBmp(const std::string& path, int width, int height,
                     const std::function<Rgb(int, int)>& pixel) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const uint32_t imageSize = uint32_t(rowBytes * height);
    std::vector<uint8_t> out(54 + imageSize, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++) out[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, uint32_t(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    out[26] = 1;
    out[28] = 24;
    put32(34, imageSize);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            Rgb c = pixel(x, y);
            size_t at = 54 + size_t(height - 1 - y) * size_t(rowBytes) + size_t(x) * 3;
            out[at] = c.b;
            out[at + 1] = c.g;
            out[at + 2] = c.r;
        }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()),
                                                std::streamsize(out.size()));
}

// The raw display pixel of a bitmap colour.
inline uint16_t Raw(Rgb c) { return ktDraw::PixelOf(uint32_t(c.r) | uint32_t(c.g) << 8 | uint32_t(c.b) << 16); }

// A colour that tells its column apart in the display's format and is never
// black: red carries the low five bits, green the next six.
inline Rgb ColumnColour(int column) {
    return {uint8_t((column & 31) << 3), uint8_t(((column >> 5) & 63) << 2), 0x80};
}
inline int ColumnOf(uint16_t pixel) { return (pixel >> 11) | (((pixel >> 5) & 63) << 5); }

}  // namespace testutil

// The engine on the scripted platform with a fresh scratch program folder.
class EngineTest : public ::testing::Test {
protected:
    std::string folder;

    void SetUp() override {
        ktScript::UseScriptedPlatform();
        ktSystem::ResetForTests();
        folder = (std::filesystem::temp_directory_path() /
                  ("grz-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
                     .string();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder + "/data");
        ktScript::State.basePath = folder + "/";
    }

    void TearDown() override {
        ktDraw::CloseScreen();
        ktSound::Close();
        std::filesystem::remove_all(folder);
    }

    // Back's raw pixel at (x, y).
    static uint16_t BackPixel(int x, int y) {
        return reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(ktDraw::Back->pixels) +
                                                 y * ktDraw::Back->pitch)[x];
    }
    // The last presented picture's raw pixel at (x, y).
    static uint16_t ShownPixel(int x, int y) {
        return ktScript::State.presented[size_t(y) * size_t(ktScript::State.presentedWidth) + size_t(x)];
    }
};
