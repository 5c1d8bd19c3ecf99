// Writing and reading 24-bit BMP files.
#include "bmp.h"

#include <cstdio>

namespace pictures {

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;
constexpr int PixelsPerMetre = 2835;  // 72 dots per inch

int RowBytes(int width) { return (width * 3 + 3) / 4 * 4; }

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get16(const std::vector<uint8_t>& in, size_t at) { return in[at] | (in[at + 1] << 8); }

uint32_t Get32(const std::vector<uint8_t>& in, size_t at) {
    return in[at] | (in[at + 1] << 8) | (in[at + 2] << 16) | (static_cast<uint32_t>(in[at + 3]) << 24);
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const Picture& picture) {
    const int rowBytes = RowBytes(picture.width);
    const uint32_t imageBytes = static_cast<uint32_t>(rowBytes) * picture.height;
    const uint32_t offset = FileHeaderSize + InfoHeaderSize;
    std::vector<uint8_t> out(offset + imageBytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, offset + imageBytes);
    Put32(out, 10, offset);
    Put32(out, 14, InfoHeaderSize);
    Put32(out, 18, static_cast<uint32_t>(picture.width));
    Put32(out, 22, static_cast<uint32_t>(picture.height));  // positive: bottom-up
    Put16(out, 26, 1);                                      // planes
    Put16(out, 28, 24);                                     // bits per pixel
    Put32(out, 30, 0);                                      // no compression
    Put32(out, 34, imageBytes);
    Put32(out, 38, PixelsPerMetre);
    Put32(out, 42, PixelsPerMetre);
    for (int y = 0; y < picture.height; ++y) {
        size_t row = offset + static_cast<size_t>(picture.height - 1 - y) * rowBytes;
        for (int x = 0; x < picture.width; ++x) {
            Rgb c = PixelAt(picture, x, y);
            out[row + 3 * x] = c.b;
            out[row + 3 * x + 1] = c.g;
            out[row + 3 * x + 2] = c.r;
        }
    }
    return out;
}

bool DecodeBmp(const std::vector<uint8_t>& in, Picture& picture, std::string& error) {
    if (in.size() < FileHeaderSize + InfoHeaderSize) {
        error = "file too short for a BMP header (" + std::to_string(in.size()) + " bytes)";
        return false;
    }
    if (in[0] != 'B' || in[1] != 'M') {
        error = "not a BMP file (no 'BM' signature)";
        return false;
    }
    const uint32_t offset = Get32(in, 10);
    const uint32_t infoSize = Get32(in, 14);
    const int32_t width = static_cast<int32_t>(Get32(in, 18));
    const int32_t rawHeight = static_cast<int32_t>(Get32(in, 22));
    const uint32_t bits = Get16(in, 28);
    const uint32_t compression = Get32(in, 30);
    if (infoSize < InfoHeaderSize) {
        error = "unsupported BMP header size " + std::to_string(infoSize);
        return false;
    }
    if (bits != 24 || compression != 0) {
        error = "only uncompressed 24-bit BMP files are read (this one has " + std::to_string(bits) +
                " bits, compression " + std::to_string(compression) + ")";
        return false;
    }
    if (width <= 0 || rawHeight == 0 || width > 16384 || rawHeight > 16384 || rawHeight < -16384) {
        error = "implausible BMP size";
        return false;
    }
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;
    const size_t rowBytes = RowBytes(width);
    if (offset < FileHeaderSize + infoSize || offset + rowBytes * height > in.size()) {
        error = "BMP pixel data is truncated";
        return false;
    }
    picture = MakePicture(width, height);
    for (int y = 0; y < height; ++y) {
        size_t row = offset + (bottomUp ? height - 1 - y : y) * rowBytes;
        for (int x = 0; x < width; ++x)
            picture.pixels[static_cast<size_t>(y) * width + x] =
                Rgb{in[row + 3 * x + 2], in[row + 3 * x + 1], in[row + 3 * x]};
    }
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    bytes.clear();
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot create " + path;
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) error = "cannot write " + path;
    return ok;
}

}  // namespace pictures
