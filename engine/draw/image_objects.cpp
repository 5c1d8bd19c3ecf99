// Image objects: pictures loaded from bitmap files into surfaces of the
// display's format, keyed on black, named by their index in the table.
#include <SDL.h>

#include <cstring>
#include <string>

#include "ktDraw.h"
#include "ktSystem.h"

namespace ktDraw {

void SetColourKey(SDL_Surface* surface, uint32_t colour);

namespace {

constexpr const char* TooLong = "ファイル名またはリソース名が長すぎます";
constexpr const char* TooMany = "オブジェクト数が多すぎます";
constexpr const char* Unreadable = "BMPファイルを読み込めません";

// The program has no bitmap resources built in; a name that is not a file
// is therefore never found.
SDL_Surface* LoadBitmapResource(const char*) { return nullptr; }

// The longest side of a picture that is read. The game's pictures are far
// smaller; a damaged header must not make the loader set aside gigabytes.
constexpr int32_t MaxPictureSide = 4096;

// Whether the bitmap header at the start of the file gives a width and a
// height of at most MaxPictureSide; the file is rewound either way.
bool SizeWithinLimit(SDL_RWops* file) {
    Uint8 header[26];  // the file header and the start of the picture header
    const bool complete = SDL_RWread(file, header, 1, sizeof header) == sizeof header;
    SDL_RWseek(file, 0, RW_SEEK_SET);
    if (!complete) return false;
    auto get32 = [&](int at) {
        return int32_t(uint32_t(header[at]) | uint32_t(header[at + 1]) << 8 |
                       uint32_t(header[at + 2]) << 16 | uint32_t(header[at + 3]) << 24);
    };
    int64_t width, height;
    if (get32(14) == 12) {  // the old 12-byte header: 16-bit width and height
        width = header[18] | header[19] << 8;
        height = header[20] | header[21] << 8;
    } else {
        width = get32(18);
        height = get32(22);  // negative for a picture stored top row first
    }
    return width <= MaxPictureSide && height <= MaxPictureSide && -height <= MaxPictureSide;
}

// Reads a bitmap file into a new surface of exactly its size in the
// display's format; null when the file is missing or not a bitmap.
SDL_Surface* LoadBitmapFile(const char* name) {
    std::string path = ktSystem::GetProgramFolder();
    path += name;
    if (!DisplayOpen) return nullptr;  // surfaces belong to the display
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    if (!file) return nullptr;
    if (!SizeWithinLimit(file)) {
        SDL_RWclose(file);
        return nullptr;
    }
    SDL_Surface* bitmap = SDL_LoadBMP_RW(file, 1);
    if (!bitmap) return nullptr;
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(bitmap, SDL_PIXELFORMAT_RGB565, 0);
    SDL_FreeSurface(bitmap);
    return surface;
}

// Fills a slot with the named picture (file first, then a built-in bitmap),
// keyed on the current key colour. 1 when a picture came.
int FillSlot(ImageObject& slot, const char* name) {
    SDL_Surface* surface = LoadBitmapFile(name);
    if (!surface) surface = LoadBitmapResource(name);
    if (!surface) return 0;
    SetColourKey(surface, CurrentKeyColour);
    slot.surface = surface;
    slot.keyColour = CurrentKeyColour;
    return 1;
}

void CopyName(ImageObject& slot, const char* name) {
    std::strncpy(slot.name, name, sizeof slot.name - 1);
    slot.name[sizeof slot.name - 1] = 0;
}

}  // namespace

int LoadObject(const char* name) {
    if (std::strlen(name) > MaxNameLength) return ktSystem::ShowError("ktDraw::LoadObject", TooLong);
    int index = 2;
    while (index < ImageObjectCount && ImageObjects[index].name[0] != 0) index++;
    if (index == ImageObjectCount) return ktSystem::ShowError("ktDraw::LoadObject", TooMany);
    ImageObject& slot = ImageObjects[index];
    CopyName(slot, name);
    if (FillSlot(slot, name)) return index;
    // The slot keeps the name without a picture, as a failed load leaves it.
    return ktSystem::ShowError("ktDraw::LoadObject", Unreadable);
}

int SwapObject(const char* name, int index) {
    if (std::strlen(name) > MaxNameLength) return ktSystem::ShowError("ktDraw::SwapObject", TooLong);
    if (index < 0 || index >= ImageObjectCount)
        return ktSystem::ShowError("ktDraw::SwapObject", Unreadable);
    ImageObject& slot = ImageObjects[index];
    if (slot.surface) {
        SDL_FreeSurface(slot.surface);
        slot.surface = nullptr;
    }
    CopyName(slot, name);
    if (FillSlot(slot, name)) return 1;
    return ktSystem::ShowError("ktDraw::SwapObject", Unreadable);
}

void RestoreObjects() {
    // Front, Back, Buffer and Screen live in the program's memory and keep
    // their contents; only the pictures are read again from their files.
    for (int index = 2; index < ImageObjectCount; index++) {
        ImageObject& slot = ImageObjects[index];
        if (slot.name[0] == 0 || !slot.surface) continue;  // a failed load has nothing to restore
        char name[sizeof slot.name];
        std::memcpy(name, slot.name, sizeof name);
        CurrentKeyColour = slot.keyColour;
        SwapObject(name, index);
    }
}

}  // namespace ktDraw
