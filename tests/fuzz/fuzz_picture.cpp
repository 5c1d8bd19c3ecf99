// fuzz_picture: the input as a bitmap file in the program's data folder,
// loaded into an image object with ktDraw::LoadObject and drawn with
// DrawObject and StretchObject at several places, some of them reaching past
// the picture or past the screen; then the display loses its pictures once,
// so that Flip reads the file again into the same object, which is drawn
// again. Runs on the scripted platform with the display opened once.
#include <SDL.h>

#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "ktDraw.h"
#include "ktSystem.h"
#include "sys_script.h"

// SDL's bitmap reader is a system library without coverage hooks, so
// libFuzzer cannot tell its paths apart. These counters stand in for them:
// one for the kind of bitmap the header names (header size, depth,
// compression, row order, size class) and whether it loaded, one for the
// reason SDL gave when it refused the file.
__attribute__((used, section("__libfuzzer_extra_counters"))) uint8_t BitmapPaths[1024];

namespace {

constexpr const char* PictureName = "./data/fuzz.bmp";

uint32_t Mix(uint32_t hash, uint32_t value) { return (hash ^ value) * 16777619u; }

uint32_t Le(const uint8_t* bytes, size_t size, size_t at, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; i++)
        if (at + size_t(i) < size) value |= uint32_t(bytes[at + size_t(i)]) << (8 * i);
    return value;
}

int SizeClass(uint32_t side) {
    int bits = 0;
    while (side && bits < 32) {
        side >>= 1;
        bits++;
    }
    return bits;
}

void CountPath(const uint8_t* bytes, size_t size, bool loaded) {
    const uint32_t headerSize = Le(bytes, size, 14, 4);
    const bool core = headerSize == 12;
    const uint32_t width = Le(bytes, size, 18, core ? 2 : 4);
    const uint32_t height = Le(bytes, size, core ? 20 : 22, core ? 2 : 4);
    const uint32_t depth = Le(bytes, size, core ? 24 : 28, 2);
    const uint32_t compression = core ? 0 : Le(bytes, size, 30, 4);
    uint32_t kind = 2166136261u;
    for (uint32_t v : {uint32_t(loaded), headerSize, depth, compression, uint32_t(int32_t(height) < 0),
                       uint32_t(SizeClass(width)), uint32_t(SizeClass(height))})
        kind = Mix(kind, v);
    BitmapPaths[kind % 512] = 1;
    if (!loaded) {
        uint32_t reason = 2166136261u;
        for (const char* c = SDL_GetError(); *c; c++) reason = Mix(reason, uint8_t(*c));
        BitmapPaths[512 + reason % 512] = 1;
    }
}

// The game's pictures are keyed on black and drawn onto Back, which must stay
// a 320 × 240 RGB565 picture whatever was drawn.
void CheckBack() {
    if (!ktDraw::Back || ktDraw::Back->w != 320 || ktDraw::Back->h != 240 ||
        ktDraw::Back->format->format != SDL_PIXELFORMAT_RGB565)
        std::abort();
}

void DrawEverywhere(int object) {
    const SDL_Surface* picture = ktDraw::ImageObjects[object].surface;
    // A loaded picture has exactly its bitmap's size in the display's format.
    if (!picture || picture->w <= 0 || picture->h <= 0 ||
        picture->format->format != SDL_PIXELFORMAT_RGB565)
        std::abort();
    const int32_t w = picture->w, h = picture->h;

    ktDraw::ClearScreen();
    // The whole picture, at the corner, in the middle, past each edge.
    ktDraw::DrawObject(0, 0, object, 0, 0, w, h);
    ktDraw::DrawObject(160, 120, object, 0, 0, w, h);
    ktDraw::DrawObject(-w / 2, -h / 2, object, 0, 0, w, h);
    ktDraw::DrawObject(320 - w / 2, 240 - h / 2, object, 0, 0, w, h);
    ktDraw::DrawObject(-w - 1, 0, object, 0, 0, w, h);
    // Source rectangles reaching past the picture, empty or turned round.
    ktDraw::DrawObject(10, 10, object, 0, 0, w + 1, h + 1);
    ktDraw::DrawObject(10, 10, object, w / 2, h / 2, w * 2, h * 2);
    ktDraw::DrawObject(10, 10, object, -1, -1, w, h);
    ktDraw::DrawObject(10, 10, object, w, h, 0, 0);
    ktDraw::DrawObject(10, 10, object, w, h, w, h);
    // Stretched: to the whole screen, shrunk, grown, and past the screen.
    ktDraw::StretchObject(0, 0, object, 0, 0, w, h, 320, 240);
    ktDraw::StretchObject(5, 5, object, 0, 0, w, h, w / 3 + 1, h / 3 + 1);
    ktDraw::StretchObject(0, 0, object, w / 2, h / 2, w, h, 300, 7);
    ktDraw::StretchObject(100, 100, object, 0, 0, w, h, 400, 400);
    ktDraw::StretchObject(-20, -20, object, 0, 0, w, h, 40, 40);
    ktDraw::StretchObject(10, 10, object, 0, 0, w + 1, h, 50, 50);
    ktDraw::StretchObject(10, 10, object, 0, 0, w, h, 0, -5);
    CheckBack();
    ktDraw::Flip();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ktScript::UseScriptedPlatform();
    ktSystem::ResetForTests();
    ktScript::State.basePath = fuzzsupport::ScratchFolder("fuzz-picture") + "/";
    if (!ktDraw::Screen(320, 240)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    fuzzsupport::WriteBytes(ktScript::State.basePath + "data/fuzz.bmp", bytes, size);

    SDL_ClearError();
    const int object = ktDraw::LoadObject(PictureName);
    CountPath(bytes, size, object != 0);
    if (object != 0) {
        if (object != 2) std::abort();  // every input starts with the table empty
        DrawEverywhere(object);
        // The display loses its pictures: the next Flip reads the file again
        // into the same object.
        ktScript::State.displayLost = 1;
        ktDraw::Flip();
        if (!ktScript::State.boxes.empty() || !ktDraw::ImageObjects[object].surface) std::abort();
        DrawEverywhere(object);
    } else if (ktScript::State.boxes.empty()) {
        std::abort();  // a refused picture is always told in an error box
    }

    // The game never frees a slot; the fuzzer hands slot 2 back so that the
    // next input finds the table as this one did.
    ktDraw::ImageObject& slot = ktDraw::ImageObjects[2];
    if (slot.surface) SDL_FreeSurface(slot.surface);
    slot.surface = nullptr;
    slot.name[0] = 0;
    ktScript::State.boxes.clear();
    ktScript::State.presented.clear();
    return 0;
}
