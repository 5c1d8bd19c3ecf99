// Image objects: pictures loaded from bitmap files into surfaces of the
// display's format, keyed on black, named by their index in the table.
#include <cstring>
#include <string>

#include "ktDraw.h"
#include "ktSystem.h"

namespace ktDraw {

void SetColourKey(Picture* picture, uint32_t colour);

namespace {

constexpr const char* TooLong = "ファイル名またはリソース名が長すぎます";
constexpr const char* TooMany = "オブジェクト数が多すぎます";
constexpr const char* Unreadable = "BMPファイルを読み込めません";

// The program has no bitmap resources built in; a name that is not a file
// is therefore never found.
Picture* LoadBitmapResource(const char*) { return nullptr; }

// Reads a bitmap file of the program folder into a new picture; null when
// the file is missing or not a bitmap the engine reads.
Picture* LoadBitmapFile(const char* name) {
    if (!DisplayOpen) return nullptr;  // pictures belong to the display
    const char* folder = ktSystem::GetProgramFolder();
    if (!folder) return nullptr;
    std::string path = folder;
    path += name;
    return ReadBitmapFile(path.c_str());
}

// Fills a slot with the named picture (file first, then a built-in bitmap),
// keyed on the current key colour. 1 when a picture came.
int FillSlot(ImageObject& slot, const char* name) {
    Picture* surface = LoadBitmapFile(name);
    if (!surface) surface = LoadBitmapResource(name);
    if (!surface) return 0;
    SetColourKey(surface, CurrentKeyColour);
    slot.surface = surface;
    slot.keyColour = CurrentKeyColour;
    return 1;
}

void CopyName(ImageObject& slot, const char* name) {
    size_t length = std::strlen(name);
    if (length > sizeof slot.name - 1) length = sizeof slot.name - 1;
    std::memcpy(slot.name, name, length);
    slot.name[length] = 0;
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
    // Only a slot that a load handed out takes another picture: 0 and 1 are
    // the work surfaces, and 0 is also what a failed load returns.
    if (index < 2 || index >= ImageObjectCount)
        return ktSystem::ShowError("ktDraw::SwapObject", Unreadable);
    ImageObject& slot = ImageObjects[index];
    FreePicture(slot.surface);
    slot.surface = nullptr;
    CopyName(slot, name);
    if (FillSlot(slot, name)) return 1;
    return ktSystem::ShowError("ktDraw::SwapObject", Unreadable);
}

}  // namespace ktDraw
