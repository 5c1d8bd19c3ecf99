// grazerunner-winicon OUT.ico: writes the game's built-in icon "MAIN" (the
// window's) as an icon file for the Windows program's resources, so that the
// program file and its window show the very picture the game defines.
//
// One 32 × 32 image of 32 bits a pixel: the icon directory, the image's
// bitmap header (twice the height: colour rows, then the mask), the colour
// rows bottom up in BGRA, and the 1-bit mask of the see-through pixels.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ktSystem.h"

extern const ktSystem::IconResource ProgramIcons[];
extern const int ProgramIconCount;

namespace {

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++) out.push_back(uint8_t(value >> (8 * i)));
}

std::vector<uint8_t> IconFile(const ktSystem::IconResource& icon) {
    const int w = icon.width, h = icon.height;
    const int maskRow = ((w + 31) / 32) * 4;
    const uint32_t imageBytes = 40 + uint32_t(w * h * 4) + uint32_t(maskRow * h);
    std::vector<uint8_t> out;
    Put(out, 0, 2);  // reserved
    Put(out, 1, 2);  // an icon
    Put(out, 1, 2);  // one image
    out.push_back(uint8_t(w >= 256 ? 0 : w));
    out.push_back(uint8_t(h >= 256 ? 0 : h));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put(out, 1, 2);   // planes
    Put(out, 32, 2);  // bits a pixel
    Put(out, imageBytes, 4);
    Put(out, 6 + 16, 4);  // where the image starts
    Put(out, 40, 4);
    Put(out, uint32_t(w), 4);
    Put(out, uint32_t(h * 2), 4);
    Put(out, 1, 2);
    Put(out, 32, 2);
    Put(out, 0, 4);  // uncompressed
    Put(out, uint32_t(w * h * 4 + maskRow * h), 4);
    Put(out, 0, 4);
    Put(out, 0, 4);
    Put(out, 0, 4);
    Put(out, 0, 4);
    for (int y = h - 1; y >= 0; y--)
        for (int x = 0; x < w; x++) Put(out, icon.pixels[y * w + x], 4);  // ARGB: B, G, R, A in the file
    for (int y = h - 1; y >= 0; y--) {
        std::vector<uint8_t> row(size_t(maskRow), 0);
        for (int x = 0; x < w; x++)
            if ((icon.pixels[y * w + x] >> 24) == 0) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: grazerunner-winicon OUT.ico\n");
        return 2;
    }
    const ktSystem::IconResource* icon = nullptr;
    for (int i = 0; i < ProgramIconCount; i++)
        if (std::strcmp(ProgramIcons[i].name, "MAIN") == 0) icon = &ProgramIcons[i];
    if (!icon) {
        std::fprintf(stderr, "grazerunner-winicon: the game has no icon MAIN\n");
        return 1;
    }
    const std::vector<uint8_t> bytes = IconFile(*icon);
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::fprintf(stderr, "grazerunner-winicon: cannot write %s\n", argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "grazerunner-winicon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
