// Scaffolding shared by the tests: scratch folders, file writers (bitmaps,
// "coded" pictures whose every pixel tells where it came from, wave files).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "ktDraw.h"

namespace testutil {

using Bytes = std::vector<uint8_t>;

// ---- Files and scratch folders

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
inline std::string ReadText(const std::string& path) {
    if (!std::filesystem::is_regular_file(path)) return "";
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
// A text file that the game writes (the score log), read as text: lines end
// in "\n" whatever line end the system writes.
inline std::string ReadLines(const std::string& path) {
    if (!std::filesystem::is_regular_file(path)) return "";
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline Bytes ReadBytes(const std::string& path) {
    const std::string text = ReadText(path);
    return Bytes(text.begin(), text.end());
}

// Standard error, captured from construction to Take(); a test that stops
// early still lets it go.
class CapturedStderr {
public:
    CapturedStderr() { ::testing::internal::CaptureStderr(); }
    ~CapturedStderr() {
        if (!taken_) ::testing::internal::GetCapturedStderr();
    }
    std::string Take() {
        taken_ = true;
        return ::testing::internal::GetCapturedStderr();
    }

private:
    bool taken_ = false;
};

// A fresh, empty folder in the system's temporary folder. The process id is
// part of its name, so test programs of several build folders can run at once.
inline std::string FreshFolder(const std::string& name) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("grz-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path.string();
}

// Makes `to` name the file `from` without copying it where the system can (a
// symbolic link, else a hard link), else as a copy.
inline void LinkFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code failed;
    std::filesystem::create_symlink(from, to, failed);
    if (!failed) return;
    std::filesystem::create_hard_link(from, to, failed);
    if (!failed) return;
    std::filesystem::copy_file(from, to);
}

// "Suite-Name" of the running test, for folder names.
inline std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

// A fresh folder that is removed again when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name = TestName()) : path_(FreshFolder(name)) {}
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& file) const { return path_ + "/" + file; }
    // Writes `text` to a file of the folder; its path.
    std::string Write(const std::string& file, const std::string& text) const {
        WriteText(*this / file, text);
        return *this / file;
    }

private:
    std::string path_;
};

// ---- Bitmaps

// A colour as the bitmap stores it.
struct Rgb {
    uint8_t r, g, b;
};

// Writes a bottom-up 24-bit bitmap of width × height with pixel(x, y).
inline void WriteBmp(const std::string& path, int width, int height,
                     const std::function<Rgb(int, int)>& pixel) {
    const int rowBytes = (width * 3 + 3) & ~3;
    Bytes out(54 + size_t(rowBytes) * size_t(height), 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++) out[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    out[0] = 'B', out[1] = 'M', out[26] = 1, out[28] = 24;
    put32(2, uint32_t(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const Rgb c = pixel(x, y);
            const size_t at = 54 + size_t(height - 1 - y) * size_t(rowBytes) + size_t(x) * 3;
            out[at] = c.b, out[at + 1] = c.g, out[at + 2] = c.r;
        }
    WriteBytes(path, out);
}

// A picture of one plain colour.
inline void WritePlainBmp(const std::string& path, int width, int height, Rgb colour) {
    WriteBmp(path, width, height, [colour](int, int) { return colour; });
}

// The raw display pixel of a bitmap colour.
inline uint16_t Raw(Rgb c) { return ktDraw::PixelOf(uint32_t(c.r) | uint32_t(c.g) << 8 | uint32_t(c.b) << 16); }

// ---- Coded pictures: pixel (x, y) has the colour of number y * width + x + 1,
// spread over the display's five red, six green and five blue bits, so a
// drawn pixel tells which source pixel it came from.

struct Spot {
    int x, y;
    bool operator==(const Spot&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Spot& s) { return out << "(" << s.x << ", " << s.y << ")"; }
// Where nothing was drawn.
constexpr Spot Black = {-1, -1};

inline void WriteCodedPicture(const std::string& path, int width, int height) {
    WriteBmp(path, width, height, [width](int x, int y) {
        const int id = y * width + x + 1;
        return Rgb{uint8_t((id & 31) << 3), uint8_t(((id >> 5) & 63) << 2), uint8_t(((id >> 11) & 31) << 3)};
    });
}

// The source position a pixel of a coded picture of `width` came from.
inline Spot SourceOf(uint16_t pixel, int width) {
    const int id = (pixel >> 11) | (((pixel >> 5) & 63) << 5) | ((pixel & 31) << 11);
    if (id == 0) return Black;
    return {(id - 1) % width, (id - 1) / width};
}

// ---- Wave files, built chunk by chunk

inline void Put(Bytes& b, uint32_t value, int size) {
    for (int i = 0; i < size; i++) b.push_back(uint8_t(value >> (8 * i)));
}
// A chunk with its id, length (the payload's unless given) and padding.
inline Bytes Chunk(const char* id, const Bytes& payload, uint32_t length = UINT32_MAX) {
    Bytes b(id, id + 4);
    Put(b, length == UINT32_MAX ? uint32_t(payload.size()) : length, 4);
    b.insert(b.end(), payload.begin(), payload.end());
    if (payload.size() & 1) b.push_back(0);
    return b;
}
inline Bytes Riff(const std::vector<Bytes>& chunks, const char* id = "RIFF", const char* form = "WAVE") {
    Bytes body(form, form + 4);
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    Bytes b(id, id + 4);
    Put(b, uint32_t(body.size()), 4);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}
// The 16-byte format record; `align` -1 is the right block size.
inline Bytes Fmt(int channels, int bits, uint32_t rate, int tag = 1, int align = -1) {
    Bytes b;
    Put(b, uint32_t(tag), 2);
    Put(b, uint32_t(channels), 2);
    Put(b, rate, 4);
    Put(b, rate * uint32_t(channels * bits / 8), 4);
    Put(b, uint32_t(align < 0 ? channels * bits / 8 : align), 2);
    Put(b, uint32_t(bits), 2);
    return b;
}
inline Bytes Pcm16(const std::vector<int16_t>& samples) {
    Bytes b;
    for (int16_t s : samples) Put(b, uint16_t(s), 2);
    return b;
}
inline Bytes Wave(int channels, int bits, uint32_t rate, const Bytes& data) {
    return Riff({Chunk("fmt ", Fmt(channels, bits, rate)), Chunk("data", data)});
}
// A short valid sound: 16-bit mono, eight samples.
inline Bytes TinyWave() { return Wave(1, 16, 22050, Pcm16({0, 900, 1800, 900, 0, -900, -1800, -900})); }

}  // namespace testutil
