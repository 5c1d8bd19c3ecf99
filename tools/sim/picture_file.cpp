// Picture files of presented frames: BMP (24-bit, bottom-up) or PNG (8-bit
// RGB, stored without compression, which every PNG reader accepts); and
// 32-bit pictures with see-through parts (the icons) as RGBA PNG.
#include "picture_file.h"

#include <cstdio>

namespace sim {

namespace {

struct Rgb {
    uint8_t r, g, b;
};

// RGB565 widened to 8 bits per channel, the low bits repeating the high ones.
Rgb Widen(uint16_t p) {
    uint8_t r = uint8_t((p >> 11) & 31), g = uint8_t((p >> 5) & 63), b = uint8_t(p & 31);
    return {uint8_t(r << 3 | r >> 2), uint8_t(g << 2 | g >> 4), uint8_t(b << 3 | b >> 2)};
}

void Put32le(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out.push_back(uint8_t(v >> (8 * i)));
}
void Put32be(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 3; i >= 0; i--) out.push_back(uint8_t(v >> (8 * i)));
}

std::vector<uint8_t> Bmp(const std::vector<uint16_t>& pixels, int width, int height) {
    const int rowBytes = (width * 3 + 3) & ~3;
    std::vector<uint8_t> out = {'B', 'M'};
    Put32le(out, uint32_t(54 + rowBytes * height));
    Put32le(out, 0);
    Put32le(out, 54);
    Put32le(out, 40);
    Put32le(out, uint32_t(width));
    Put32le(out, uint32_t(height));
    out.push_back(1);
    out.push_back(0);
    out.push_back(24);
    out.push_back(0);
    for (int i = 0; i < 6; i++) Put32le(out, 0);
    for (int y = height - 1; y >= 0; y--) {
        for (int x = 0; x < width; x++) {
            Rgb c = Widen(pixels[size_t(y * width + x)]);
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
        for (int pad = width * 3; pad < rowBytes; pad++) out.push_back(0);
    }
    return out;
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; i++) {
        crc ^= data[i];
        for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Put32be(out, uint32_t(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32be(out, Crc32(out.data() + start, out.size() - start));
}

// Colour types of the PNG header.
constexpr uint8_t PngRgb = 2;
constexpr uint8_t PngRgba = 6;

// `raw`: the image rows, each led by its filter byte (0), 8 bits a channel.
std::vector<uint8_t> Png(const std::vector<uint8_t>& raw, int width, int height,
                         uint8_t colourType) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32be(header, uint32_t(width));
    Put32be(header, uint32_t(height));
    header.insert(header.end(), {8, colourType, 0, 0, 0});
    Chunk(out, "IHDR", header);
    // The rows as zlib "stored" blocks.
    std::vector<uint8_t> z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0;) {
        size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(uint8_t(n));
        z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n));
        z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
        at += n;
        if (n == 0) break;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    Put32be(z, b << 16 | a);
    Chunk(out, "IDAT", z);
    Chunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> Png(const std::vector<uint16_t>& pixels, int width, int height) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; y++) {
        raw.push_back(0);
        for (int x = 0; x < width; x++) {
            Rgb c = Widen(pixels[size_t(y * width + x)]);
            raw.insert(raw.end(), {c.r, c.g, c.b});
        }
    }
    return Png(raw, width, height, PngRgb);
}

int WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    int closed = std::fclose(file);
    return written == bytes.size() && closed == 0;
}

}  // namespace

int WritePicture(const std::string& path, const std::vector<uint16_t>& pixels, int width,
                 int height) {
    if (width <= 0 || height <= 0 || pixels.size() < size_t(width) * size_t(height)) return 0;
    bool png = path.size() >= 4 && (path.compare(path.size() - 4, 4, ".png") == 0 ||
                                    path.compare(path.size() - 4, 4, ".PNG") == 0);
    return WriteBytes(path, png ? Png(pixels, width, height) : Bmp(pixels, width, height));
}

int WriteArgbPng(const std::string& path, const uint32_t* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0) return 0;
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; y++) {
        raw.push_back(0);
        for (int x = 0; x < width; x++) {
            const uint32_t p = pixels[size_t(y) * size_t(width) + size_t(x)];
            raw.insert(raw.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
        }
    }
    return WriteBytes(path, Png(raw, width, height, PngRgba));
}

}  // namespace sim
