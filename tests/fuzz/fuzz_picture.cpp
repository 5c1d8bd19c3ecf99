// fuzz_picture: the input as a bitmap file in the program's data folder,
// loaded into an image object with ktDraw::LoadObject and drawn with
// DrawObject and StretchObject at several places, some of them reaching past
// the picture or past the screen; then the window is repainted, which shows
// the last frame from memory and keeps the picture, which is drawn again.
// Runs on the scripted platform with the display opened once.
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "ktDraw.h"
#include "ktSystem.h"
#include "sys_script.h"

namespace {

constexpr const char* PictureName = "./data/fuzz.bmp";

// The game's pictures are keyed on black and drawn onto Back, which must stay
// a 320 × 240 RGB565 picture whatever was drawn.
void CheckBack() {
    if (!ktDraw::Back || ktDraw::Back->width != 320 || ktDraw::Back->height != 240) std::abort();
}

void DrawEverywhere(int object) {
    const ktDraw::Picture* picture = ktDraw::ImageObjects[object].surface;
    // A loaded picture has its bitmap's size, within the engine's limit.
    if (!picture || picture->width <= 0 || picture->height <= 0 || picture->width > ktDraw::MaxPictureSide ||
        picture->height > ktDraw::MaxPictureSide || picture->pitch < picture->width)
        std::abort();
    const int32_t w = picture->width, h = picture->height;

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

    const int object = ktDraw::LoadObject(PictureName);
    if (object != 0) {
        if (object != 2) std::abort();  // every input starts with the table empty
        DrawEverywhere(object);
        // The window is uncovered: the last frame is shown again from
        // memory, and the picture stays as it was.
        ktDraw::Flip();
        const ktDraw::Picture* picture = ktDraw::ImageObjects[object].surface;
        const int presents = ktScript::State.presents;
        ktSystem::WindowProc(ktPlatform::WM_PAINT, 0, 0);
        if (!ktScript::State.boxes.empty() || ktDraw::ImageObjects[object].surface != picture ||
            ktScript::State.presents != presents + 1)
            std::abort();
        DrawEverywhere(object);
    } else if (ktScript::State.boxes.empty()) {
        std::abort();  // a refused picture is always told in an error box
    }

    // The game never frees a slot; the fuzzer hands slot 2 back so that the
    // next input finds the table as this one did.
    ktDraw::ImageObject& slot = ktDraw::ImageObjects[2];
    ktDraw::FreePicture(slot.surface);
    slot.surface = nullptr;
    slot.name[0] = 0;
    ktScript::State.boxes.clear();
    ktScript::State.presented.clear();
    return 0;
}
