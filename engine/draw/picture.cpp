// Pictures in the display's format, and bitmap files read into them.
//
// A bitmap file is checked by its headers before anything is decoded: a
// side beyond MaxPictureSide, a kind that is not read, or pixel rows that
// the file does not hold in full are refused, so that a damaged file is
// never read past its end nor makes the loader set aside more memory than a
// real picture needs. Run-length encoded bitmaps (4 and 8 bits a pixel) are
// first expanded here into plain 8-bit ones; the decoding itself is
// stb_image's.
#include <cstdio>
#include <new>
#include <vector>

#include "ktDraw.h"
#include "ktSystem.h"
#include "stb_image.h"

namespace ktDraw {

Picture* NewPicture(int32_t width, int32_t height) {
    if (width < 1 || height < 1 || width > MaxPictureSide || height > MaxPictureSide) return nullptr;
    Picture* picture = new (std::nothrow) Picture{width, height, width, nullptr, NoColourKey};
    if (!picture) return nullptr;
    picture->pixels = new (std::nothrow) uint16_t[size_t(width) * size_t(height)]();
    if (!picture->pixels) {
        delete picture;
        return nullptr;
    }
    return picture;
}

void FreePicture(Picture* picture) {
    if (!picture) return;
    delete[] picture->pixels;
    delete picture;
}

namespace {

uint32_t Get16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Get32(const uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }

// The bitmap kinds that are read: uncompressed, run-length encoded with 8
// or 4 bits a pixel, and bit fields.
constexpr uint32_t Uncompressed = 0, Rle8 = 1, Rle4 = 2, BitFields = 3;

// What the headers of a bitmap file say.
struct Headers {
    uint64_t offset;  // where the pixels start
    int64_t width;
    int64_t height;  // negative: stored top row first
    uint32_t depth;
    uint32_t compression;
};

// Reads the headers; false when they describe no picture of at most
// MaxPictureSide a side of a kind that is read.
bool ReadHeaders(const uint8_t* bytes, uint64_t size, Headers& h) {
    if (size < 26 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const uint64_t headerSize = Get32(bytes + 14);
    h.offset = Get32(bytes + 10);
    h.compression = Uncompressed;
    if (headerSize == 12) {  // the old core header: 16-bit sides
        h.width = Get16(bytes + 18);
        h.height = Get16(bytes + 20);
        h.depth = Get16(bytes + 24);
    } else {
        if (size < 34) return false;
        h.width = int32_t(Get32(bytes + 18));
        h.height = int32_t(Get32(bytes + 22));
        h.depth = Get16(bytes + 28);
        h.compression = Get32(bytes + 30);
    }
    const int64_t rows = h.height < 0 ? -h.height : h.height;
    if (h.width < 1 || rows < 1 || h.width > MaxPictureSide || rows > MaxPictureSide) return false;
    if (h.offset < 14 + headerSize || h.offset > size) return false;
    switch (h.compression) {
    case Uncompressed:
        return h.depth == 1 || h.depth == 4 || h.depth == 8 || h.depth == 16 || h.depth == 24 || h.depth == 32;
    case Rle8: return h.depth == 8 && h.height > 0;
    case Rle4: return h.depth == 4 && h.height > 0;
    case BitFields: return h.depth == 16 || h.depth == 32;
    default: return false;
    }
}

// Whether every pixel row of an uncompressed picture is in the file.
bool RowsPresent(const Headers& h, uint64_t size) {
    const uint64_t rowBytes = (uint64_t(h.width) * h.depth + 31) / 32 * 4;
    const uint64_t rows = uint64_t(h.height < 0 ? -h.height : h.height);
    return rowBytes * rows <= size - h.offset;
}

// Expands a run-length encoded bitmap into a plain 8-bit one with the same
// headers and colour table: runs of one colour, literal runs padded to a
// whole word, line ends, jumps and the end mark, rows from the bottom up.
// Pixels that no run reaches keep colour 0; pixels that runs put outside
// the picture are dropped. False when the codes run past the end of the
// file before the end mark.
bool ExpandRle(const uint8_t* bytes, uint64_t size, const Headers& h, std::vector<uint8_t>& out) {
    const uint64_t rowBytes = (uint64_t(h.width) + 3) / 4 * 4;
    out.assign(bytes, bytes + h.offset);
    out.resize(size_t(h.offset + rowBytes * uint64_t(h.height)), 0);
    out[28] = 8;
    out[29] = 0;
    for (int at = 30; at < 34; at++) out[at] = 0;  // uncompressed
    const bool four = h.compression == Rle4;
    uint64_t at = h.offset;
    int64_t x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](uint8_t index) {
        if (x < h.width && y < h.height) out[size_t(h.offset + uint64_t(y) * rowBytes + uint64_t(x))] = index;
        x++;
    };
    while (at + 2 <= size) {
        const uint8_t count = bytes[at], value = bytes[at + 1];
        at += 2;
        if (count > 0) {  // a run of `count` pixels
            for (int i = 0; i < count; i++) put(four ? uint8_t(i % 2 ? value & 15 : value >> 4) : value);
        } else if (value == 0) {  // end of the line
            x = 0;
            y++;
        } else if (value == 1) {  // end of the picture
            return true;
        } else if (value == 2) {  // a jump right and up
            if (at + 2 > size) return false;
            x += bytes[at];
            y += bytes[at + 1];
            at += 2;
        } else {  // `value` literal pixels, then padding to a whole word
            const uint64_t length = four ? (uint64_t(value) + 1) / 2 : value;
            if (at + length > size) return false;
            for (int i = 0; i < value; i++)
                put(four ? uint8_t(i % 2 ? bytes[at + i / 2] & 15 : bytes[at + i / 2] >> 4) : bytes[at + i]);
            at += (length + 1) / 2 * 2;
        }
    }
    return false;  // the end mark is missing: the file is cut short
}

// 8-bit red, green and blue cut to RGB565, as a 16-bit copy of the display
// does.
uint16_t Rgb565(const uint8_t* rgb) {
    return uint16_t((rgb[0] >> 3) << 11 | (rgb[1] >> 2) << 5 | rgb[2] >> 3);
}

}  // namespace

Picture* ReadBitmapBytes(const uint8_t* bytes, uint64_t size) {
    Headers h;
    if (!bytes || !ReadHeaders(bytes, size, h)) return nullptr;
    std::vector<uint8_t> expanded;
    if (h.compression == Rle8 || h.compression == Rle4) {
        if (!ExpandRle(bytes, size, h, expanded)) return nullptr;
        bytes = expanded.data();
        size = expanded.size();
    } else if (!RowsPresent(h, size)) {
        return nullptr;
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgb = stbi_load_from_memory(bytes, int(size), &width, &height, &channels, 3);
    if (!rgb) return nullptr;
    Picture* picture = NewPicture(width, height);
    if (picture) {
        for (size_t i = 0; i < size_t(width) * size_t(height); i++) picture->pixels[i] = Rgb565(rgb + 3 * i);
    }
    stbi_image_free(rgb);
    return picture;
}

Picture* ReadBitmapFile(const char* path) {
    std::FILE* file = ktSystem::OpenFile(path, "rb");
    if (!file) return nullptr;
    // The largest file a readable picture needs: 32 bits a pixel at the
    // largest size, and room for headers and a colour table.
    constexpr long Largest = long(MaxPictureSide) * MaxPictureSide * 4 + 65536;
    std::vector<uint8_t> bytes;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    if (size > 0 && size <= Largest && std::fseek(file, 0, SEEK_SET) == 0) {
        bytes.resize(size_t(size));
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
    }
    std::fclose(file);
    return bytes.empty() ? nullptr : ReadBitmapBytes(bytes.data(), bytes.size());
}

}  // namespace ktDraw
