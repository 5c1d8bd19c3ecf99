// ktDraw: the display of 320 × 240 pixels at 16 bits per pixel (RGB565),
// the image-object table of colour-keyed pictures loaded from bitmap files,
// and sprite drawing with clipping and presentation.
#pragma once

#include <cstdint>

struct SDL_Surface;

namespace ktDraw {

constexpr int ImageObjectCount = 1024;
constexpr int MaxNameLength = 30;

struct ImageObject {
    SDL_Surface* surface;  // the picture; null when none
    char name[32];         // file name as loaded; empty marks a free slot
    uint32_t keyColour;    // colour made transparent (0x00BBGGRR), black here
};

struct ClipRectangle {
    int32_t left, top, right, bottom;  // right and bottom exclusive
};

extern ImageObject ImageObjects[ImageObjectCount];
extern SDL_Surface* Front;  // the picture on the monitor
extern SDL_Surface* Back;   // every drawing operation writes here
extern int32_t ScreenWidth;
extern int32_t ScreenHeight;
extern ClipRectangle ClipRect;
extern int AcceleratorDevice;
extern int StretchAvailable;
extern uint32_t CurrentKeyColour;
// 1 between a successful Screen and CloseScreen: the display exists.
extern int DisplayOpen;

// Display setup
int Screen(int32_t width, int32_t height);
void SetClip(int32_t left, int32_t top, int32_t right, int32_t bottom);
void CloseScreen();

// Image objects
int LoadObject(const char* name);
int SwapObject(const char* name, int index);
void RestoreObjects();

// Sprite drawing and presentation
void ClearScreen();
void DrawObject(int32_t x, int32_t y, int32_t object, int32_t left, int32_t top, int32_t right,
                int32_t bottom);
void StretchObject(int32_t x, int32_t y, int32_t object, int32_t left, int32_t top,
                   int32_t right, int32_t bottom, int32_t width, int32_t height);
void DrawRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t fill,
                   uint32_t pen, int32_t penWidth);
void Flip();

// The raw 16-bit pixel value of a colour (0x00BBGGRR) in the display format.
uint16_t PixelOf(uint32_t colour);

}  // namespace ktDraw
