// Pictures in the display's format, and bitmap files read into them.
//
// A bitmap file is checked by its headers before anything is decoded: a
// side beyond MaxPictureSide, a kind that is not read, or pixel rows that
// the file does not hold in full are refused, so that a damaged file is
// never read past its end nor makes the loader set aside more memory than a
// real picture needs. Every picture is then rebuilt here into one plain form
// (run-length encoded ones, 4 and 8 bits a pixel, expanded into plain 8-bit
// rows), every write into that copy placed by its own layout, never by what
// the file's headers claim; the decoding itself is stb_image's.
#include <cstdio>
#include <cstring>
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
void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void Put32(uint8_t* p, uint32_t v) { Put16(p, v), Put16(p + 2, v >> 16); }

// The bitmap kinds that are read: uncompressed, run-length encoded with 8
// or 4 bits a pixel, and bit fields.
constexpr uint32_t Uncompressed = 0, Rle8 = 1, Rle4 = 2, BitFields = 3;

// The header sizes bitmap files have: the old core header (12 bytes), the
// info header (40) and its longer kinds with colour masks (52, 56), colour
// space (108) and colour profile (124). The fields up to the compression are
// the same in all but the first.
constexpr uint32_t CoreHeader = 12, InfoHeader = 40, MasksHeader = 52;
constexpr uint32_t HeaderSizes[] = {CoreHeader, InfoHeader, MasksHeader, 56, 108, 124};
constexpr uint64_t FileHeader = 14;

// What the headers of a bitmap file say.
struct Headers {
    uint32_t headerSize;
    uint64_t offset;  // where the pixels start
    int64_t width;
    int64_t height;  // negative: stored top row first
    uint32_t depth;
    uint32_t compression;
};

// Reads the headers; false when they describe no picture of at most
// MaxPictureSide a side of a kind that is read, or when the headers do not
// end before the pixels start.
bool ReadHeaders(const uint8_t* bytes, uint64_t size, Headers& h) {
    if (size < FileHeader + 4 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    h.headerSize = Get32(bytes + 14);
    h.offset = Get32(bytes + 10);
    bool known = false;
    for (const uint32_t headerSize : HeaderSizes) known = known || h.headerSize == headerSize;
    if (!known || h.offset < FileHeader + h.headerSize || h.offset > size) return false;
    h.compression = Uncompressed;
    if (h.headerSize == CoreHeader) {  // 16-bit sides, always stored bottom row first; no masks
        h.width = Get16(bytes + 18);
        h.height = Get16(bytes + 20);
        h.depth = Get16(bytes + 24);
        if (h.depth == 16 || h.depth == 32) return false;
    } else {
        h.width = int32_t(Get32(bytes + 18));
        h.height = int32_t(Get32(bytes + 22));
        h.depth = Get16(bytes + 28);
        h.compression = Get32(bytes + 30);
    }
    const int64_t rows = h.height < 0 ? -h.height : h.height;
    if (h.width < 1 || rows < 1 || h.width > MaxPictureSide || rows > MaxPictureSide) return false;
    switch (h.compression) {
    case Uncompressed:
        return h.depth == 1 || h.depth == 4 || h.depth == 8 || h.depth == 16 || h.depth == 24 || h.depth == 32;
    case Rle8: return h.depth == 8 && h.height > 0;
    case Rle4: return h.depth == 4 && h.height > 0;
    case BitFields:  // under an info header, its three colour masks follow it; the longer ones hold them
        if (h.headerSize == InfoHeader && h.offset < FileHeader + InfoHeader + 12) return false;
        return h.depth == 16 || h.depth == 32;
    default: return false;
    }
}

uint64_t RowBytes(int64_t width, uint32_t depth) { return (uint64_t(width) * depth + 31) / 32 * 4; }
uint64_t Rows(const Headers& h) { return uint64_t(h.height < 0 ? -h.height : h.height); }

// Whether every pixel row of an uncompressed picture is in the file.
bool RowsPresent(const Headers& h, uint64_t size) { return RowBytes(h.width, h.depth) * Rows(h) <= size - h.offset; }

// Every picture is rebuilt for the decoder into one plain form: the two
// headers as an info header writes them, then a colour table of every index
// the depth can name (1, 4 and 8 bits a pixel; the entries the file lacks are
// black, so that no pixel reads past the table) or the three colour masks
// (16 and 32 bits a pixel), then the pixel rows. A file's colour table is
// what lies between its headers and its pixels, four bytes an entry, three
// under a core header; its masks follow the info header's fields, inside
// the longer headers. Run-length codes become plain 8-bit rows.
struct Plain {
    std::vector<uint8_t> bytes;
    uint64_t pixels;    // where the rows start in `bytes`
    uint64_t rowBytes;  // bytes a row there, padding included
};

// The masks a file of 16 or 32 bits a pixel without its own stands for.
constexpr uint32_t Masks16[3] = {0x7C00, 0x03E0, 0x001F}, Masks32[3] = {0xFF0000, 0xFF00, 0xFF};

// Makes the plain form's headers and colour table or masks for `depth` bits
// a pixel, with room for the rows; false when the file holds no colour
// table for a depth that needs one.
bool StartPlain(const uint8_t* bytes, const Headers& h, uint32_t depth, Plain& out) {
    const uint64_t entryBytes = h.headerSize == CoreHeader ? 3 : 4;
    const uint64_t given = (h.offset - FileHeader - h.headerSize) / entryBytes;
    const uint64_t entries = depth <= 8 ? uint64_t(1) << depth : 0;
    const bool masked = depth == 16 || depth == 32;
    if (entries && given == 0) return false;
    out.rowBytes = RowBytes(h.width, depth);
    out.pixels = FileHeader + InfoHeader + entries * 4 + (masked ? 12 : 0);
    out.bytes.assign(size_t(out.pixels + out.rowBytes * Rows(h)), 0);
    uint8_t* b = out.bytes.data();
    b[0] = 'B', b[1] = 'M';
    Put32(b + 2, uint32_t(out.bytes.size()));
    Put32(b + 10, uint32_t(out.pixels));
    Put32(b + 14, InfoHeader);
    Put32(b + 18, uint32_t(h.width));
    Put32(b + 22, uint32_t(h.height));
    Put16(b + 26, 1);  // planes
    Put16(b + 28, depth);
    uint8_t* behind = b + FileHeader + InfoHeader;
    for (uint64_t i = 0; i < entries && i < given; i++)  // blue, green, red
        for (uint64_t c = 0; c < 3; c++) behind[i * 4 + c] = bytes[FileHeader + h.headerSize + i * entryBytes + c];
    if (masked) {
        Put32(b + 30, BitFields);
        for (int i = 0; i < 3; i++)
            Put32(behind + 4 * i, h.compression == BitFields ? Get32(bytes + FileHeader + InfoHeader + 4 * i)
                                  : depth == 16                ? Masks16[i]
                                                               : Masks32[i]);
    }
    return true;
}

// Expands run-length codes into the plain 8-bit rows of `out`: runs of one
// colour, literal runs padded to a whole word, line ends, jumps and the end
// mark, rows from the bottom up. Pixels that no run reaches keep colour 0;
// pixels that runs put outside the picture are dropped. False when the
// codes run past the end of the file before the end mark.
bool ExpandRle(const uint8_t* bytes, uint64_t size, const Headers& h, Plain& out) {
    const bool four = h.compression == Rle4;
    const uint64_t rows = Rows(h), width = uint64_t(h.width);
    uint64_t at = h.offset;
    uint64_t x = 0, y = 0;  // y counts rows from the bottom
    // Puts `count` pixels from x on, the i-th of them `index(i)`; those past
    // the picture's right edge or top row are skipped without a look.
    auto run = [&](uint64_t count, auto index) {
        if (y < rows)
            for (uint64_t i = 0; i < count && x + i < width; i++)
                out.bytes[size_t(out.pixels + y * out.rowBytes + x + i)] = index(i);
        x += count;
    };
    while (at + 2 <= size) {
        const uint8_t count = bytes[at], value = bytes[at + 1];
        at += 2;
        if (count > 0) {  // a run of `count` pixels
            run(count, [&](uint64_t i) { return four ? uint8_t(i % 2 ? value & 15 : value >> 4) : value; });
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
            const uint8_t* literal = bytes + at;
            run(value, [&](uint64_t i) {
                return four ? uint8_t(i % 2 ? literal[i / 2] & 15 : literal[i / 2] >> 4) : literal[i];
            });
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
    Plain plain;
    if (h.compression == Rle8 || h.compression == Rle4) {
        if (!StartPlain(bytes, h, 8, plain) || !ExpandRle(bytes, size, h, plain)) return nullptr;
    } else {
        if (!RowsPresent(h, size) || !StartPlain(bytes, h, h.depth, plain)) return nullptr;
        // The rows as they are: the same depth gives the same row length.
        std::memcpy(plain.bytes.data() + plain.pixels, bytes + h.offset, size_t(plain.rowBytes * Rows(h)));
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgb = stbi_load_from_memory(plain.bytes.data(), int(plain.bytes.size()), &width, &height, &channels, 3);
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
