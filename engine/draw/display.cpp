// Display setup: the four surfaces Front, Back, Buffer and Screen of the
// 320 × 240 picture in RGB565, on the platform's display.
#include "ktDraw.h"
#include "ktSound.h"
#include "ktSystem.h"

namespace ktDraw {

using ktPlatform::Sys;

ImageObject ImageObjects[ImageObjectCount];
Picture* Front = nullptr;
Picture* Back = nullptr;
int32_t ScreenWidth = 0;
int32_t ScreenHeight = 0;
ClipRectangle ClipRect = {0, 0, 0, 0};
uint32_t CurrentKeyColour = 0;
int DisplayOpen = 0;

namespace {

int Fail(const char* text) { return ktSystem::ShowError("ktDraw::Screen", text); }

void EmptySlot(ImageObject& slot) {
    slot.surface = nullptr;
    slot.name[0] = 0;
    slot.keyColour = 0;
}

}  // namespace

uint16_t PixelOf(uint32_t colour) {
    uint32_t r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// Keys a picture on a colour: its raw pixel value in the picture's format.
void SetColourKey(Picture* picture, uint32_t colour) { picture->colourKey = PixelOf(colour); }

void SetClip(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    ClipRect = {left, top, right, bottom};
}

namespace {

// Releases every surface and the display itself, if it exists.
void ReleaseDisplay() {
    if (!DisplayOpen) return;
    for (ImageObject& slot : ImageObjects) {
        FreePicture(slot.surface);
        EmptySlot(slot);
    }
    FreePicture(Front);
    FreePicture(Back);
    Front = nullptr;
    Back = nullptr;
    Sys.CloseDisplay();
    DisplayOpen = 0;
}

}  // namespace

int Screen(int32_t width, int32_t height) {
    // Opening the display again first lets go of the one already open, so
    // nothing it held is lost track of.
    ReleaseDisplay();
    ScreenWidth = width;
    ScreenHeight = height;
    SetClip(0, 0, width, height);
    // Back is a picture in memory that Flip copies to Front, which the
    // platform shows.
    const int opened = Sys.OpenDisplay(width, height);
    if (opened != ktPlatform::DisplayReady) {
        // Whatever the failed open made is let go, so that a later Screen
        // starts afresh.
        Sys.CloseDisplay();
        switch (opened) {
        case ktPlatform::NoFullScreen: return Fail("フルスクリーン化できません");
        case ktPlatform::NoDisplayMode: return Fail("解像度が変更できません");
        default: return Fail("DirectDrawが使用できません");
        }
    }
    DisplayOpen = 1;
    Front = NewPicture(width, height);
    if (!Front) return Fail("スプライト(Front)が生成できません");
    Back = NewPicture(width, height);
    if (!Back) return Fail("スプライト(Back)が取得できません");
    for (int slot = 0; slot < 2; slot++) {
        Picture* work = NewPicture(width, height);
        if (!work) return Fail(slot == 0 ? "スプライト(Buffer)が生成できません"
                                         : "スプライト(Screen)が生成できません");
        EmptySlot(ImageObjects[slot]);
        ImageObjects[slot].surface = work;
        SetColourKey(work, 0);
    }
    for (int slot = 2; slot < ImageObjectCount; slot++) EmptySlot(ImageObjects[slot]);
    CurrentKeyColour = 0;
    ktSound::Open();
    ktSound::ResetTable();
    ktSystem::OpenPads();
    return 1;
}


Placement PlacePicture(int32_t areaWidth, int32_t areaHeight, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || areaWidth < width || areaHeight < height) return {0, 0, 0, 0, 0};
    const int32_t byWidth = areaWidth / width, byHeight = areaHeight / height;
    const int32_t scale = byWidth < byHeight ? byWidth : byHeight;
    return {(areaWidth - width * scale) / 2, (areaHeight - height * scale) / 2, width * scale, height * scale, scale};
}

int32_t WindowFactor(int32_t areaWidth, int32_t areaHeight, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return 1;
    const int32_t byWidth = areaWidth * 4 / 5 / width, byHeight = areaHeight * 4 / 5 / height;
    const int32_t factor = byWidth < byHeight ? byWidth : byHeight;
    return factor > 1 ? factor : 1;
}

int64_t PresentWait(int64_t sinceLast, int64_t period) {
    if (sinceLast < 0 || period <= 0 || sinceLast >= period * 3 / 4) return 0;
    return period - sinceLast;
}

void CloseScreen() {
    ReleaseDisplay();
    Sys.MinimiseWindow();
}

}  // namespace ktDraw
