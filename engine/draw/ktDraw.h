// ktDraw: the display of 320 × 240 pixels at 16 bits per pixel (RGB565),
// the image-object table of colour-keyed pictures loaded from bitmap files,
// and sprite drawing with clipping and presentation.
#pragma once

#include <cstdint>

namespace ktDraw {

constexpr int ImageObjectCount = 1024;
constexpr int MaxNameLength = 30;

// A picture in the display's format: RGB565 pixels, row y starting at
// pixels + y * pitch. Pixels equal to `colourKey` are transparent when the
// picture is copied with its key; NoColourKey makes every pixel opaque.
struct Picture {
    int32_t width;
    int32_t height;
    int32_t pitch;  // pixels from the start of one row to the next
    uint16_t* pixels;
    uint32_t colourKey;
};
constexpr uint32_t NoColourKey = 0x10000;
// The longest side of a picture that the engine makes or reads.
constexpr int32_t MaxPictureSide = 4096;

// A new picture of width × height, all black and without a key; null when a
// side is not 1 to MaxPictureSide or there is no memory for it.
Picture* NewPicture(int32_t width, int32_t height);
void FreePicture(Picture* picture);
// Reads a bitmap file into a new picture of exactly its size, converted to
// RGB565 (each channel cut to its top bits); null when the file cannot be
// read, is damaged or cut short, or holds no bitmap the engine reads.
Picture* ReadBitmapFile(const char* path);
Picture* ReadBitmapBytes(const uint8_t* bytes, uint64_t size);

struct ImageObject {
    Picture* surface;      // the picture; null when none
    char name[32];         // file name as loaded; empty marks a free slot
    uint32_t keyColour;    // colour made transparent (0x00BBGGRR), black here
};

struct ClipRectangle {
    int32_t left, top, right, bottom;  // right and bottom exclusive
};

extern ImageObject ImageObjects[ImageObjectCount];
extern Picture* Front;  // the picture on the monitor
extern Picture* Back;   // every drawing operation writes here
extern int32_t ScreenWidth;
extern int32_t ScreenHeight;
extern ClipRectangle ClipRect;
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

// Sprite drawing and presentation
void ClearScreen();
void DrawObject(int32_t x, int32_t y, int32_t object, int32_t left, int32_t top, int32_t right,
                int32_t bottom);
void StretchObject(int32_t x, int32_t y, int32_t object, int32_t left, int32_t top,
                   int32_t right, int32_t bottom, int32_t width, int32_t height);
void DrawRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t fill,
                   uint32_t pen, int32_t penWidth);
// Darkens every pixel of Back in the rectangle to half its brightness (cut
// to Back).
void DimRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
void Flip();
// 0 while Flip composes pictures that are not shown (frames of a recording
// run faster than the monitor shows them); 1 otherwise.
extern int PresentPictures;
// Drawn over every frame just before Flip shows it (a sign over the game;
// null: nothing).
extern void (*DrawOverlay)();
// Shows the last presented picture again (the window was uncovered, or the
// platform made its display anew).
void Repaint();

// Presentation rules that every platform layer follows.
//
// Where the picture goes in an area of areaWidth × areaHeight device pixels
// (a monitor, a window, a page): scaled by the largest whole factor that
// fits, centred; the rest of the area is black. scale 0 when not even one
// whole picture fits.
struct Placement {
    int32_t x, y, width, height, scale;
};
Placement PlacePicture(int32_t areaWidth, int32_t areaHeight, int32_t width, int32_t height);
// The whole factor of a window of its own for the picture on a screen whose
// free area is areaWidth × areaHeight: the largest that fits in four fifths
// of it each way (3 on a screen of 1080 lines), at least 1.
int32_t WindowFactor(int32_t areaWidth, int32_t areaHeight, int32_t width, int32_t height);
// How long a picture waits before it is shown, so that pictures come no
// faster than the monitor shows them: one that comes less than three
// quarters of a refresh `period` after the last one (`sinceLast`, in the
// same unit) waits for the rest of the refresh; otherwise 0.
int64_t PresentWait(int64_t sinceLast, int64_t period);

// The raw 16-bit pixel value of a colour (0x00BBGGRR) in the display format.
uint16_t PixelOf(uint32_t colour);

}  // namespace ktDraw
