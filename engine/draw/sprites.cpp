// Sprite drawing and presentation: every frame is composed on Back with
// clipped, colour-keyed copies, then shown by Flip.
#include <cstddef>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ktDraw.h"
#include "ktSystem.h"

namespace ktDraw {

using ktPlatform::Sys;

namespace {

uint16_t* Row(Picture* picture, int32_t y) { return picture->pixels + ptrdiff_t(y) * picture->pitch; }

// The picture of an object, or null for an index outside the table or a
// slot without a picture.
Picture* ObjectSurface(int32_t object) {
    if (object < 0 || object >= ImageObjectCount) return nullptr;
    return ImageObjects[object].surface;
}

bool Inside(const Picture* p, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return left >= 0 && top >= 0 && right <= p->width && bottom <= p->height && left < right && top < bottom;
}

// One row of a colour-keyed copy: `width` pixels from `src` to `dst`, where
// a source pixel equal to the key leaves the destination pixel as it was.
void KeyedRow(const uint16_t* src, uint16_t* dst, int32_t width, uint32_t key) {
    int32_t i = 0;
#if defined(__SSE2__)
    // Eight pixels at a time: compare them with the key at once, then take
    // the old destination pixel where they match and the source elsewhere.
    if (key <= 0xFFFF) {
        const __m128i keys = _mm_set1_epi16(static_cast<int16_t>(key));
        for (; i + 8 <= width; i += 8) {
            const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
            const __m128i transparent = _mm_cmpeq_epi16(s, keys);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                             _mm_or_si128(_mm_and_si128(transparent, d), _mm_andnot_si128(transparent, s)));
        }
    }
#endif
    for (; i < width; i++)
        if (src[i] != key) dst[i] = src[i];
}

// One colour-keyed copy of a source rectangle that lies inside both pictures.
void KeyedCopy(Picture* from, int32_t left, int32_t top, int32_t right, int32_t bottom,
               Picture* to, int32_t x, int32_t y) {
    const uint32_t key = from->colourKey;
    for (int32_t row = top; row < bottom; row++)
        KeyedRow(Row(from, row) + left, Row(to, y + row - top) + x, right - left, key);
}

// Nearest-neighbour scaling of a source rectangle onto a destination
// rectangle, both inside their pictures; with `keyed`, the source's
// transparent pixels are skipped.
void ScaledCopy(Picture* from, int32_t left, int32_t top, int32_t right, int32_t bottom,
                Picture* to, int32_t x, int32_t y, int32_t width, int32_t height, bool keyed) {
    const uint32_t key = keyed ? from->colourKey : NoColourKey;
    const int32_t sourceWidth = right - left, sourceHeight = bottom - top;
    // Destination column i shows source column i * sourceWidth / width
    // (rounded down). It is stepped along without a division per pixel:
    // `whole` columns each step, and one more whenever the remainders add
    // up to a whole `width`.
    const int32_t whole = sourceWidth / width, part = sourceWidth % width;
    for (int32_t j = 0; j < height; j++) {
        const uint16_t* src = Row(from, top + int32_t(int64_t(j) * sourceHeight / height)) + left;
        uint16_t* dst = Row(to, y + j) + x;
        int32_t column = 0, carry = 0;
        for (int32_t i = 0; i < width; i++) {
            const uint16_t pixel = src[column];
            if (pixel != key) dst[i] = pixel;
            column += whole;
            carry += part;
            if (carry >= width) {
                carry -= width;
                column += 1;
            }
        }
    }
}

// Cuts a rectangle to the picture.
void CutTo(const Picture* surface, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) {
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > surface->width) right = surface->width;
    if (bottom > surface->height) bottom = surface->height;
}

void Fill(Picture* surface, int32_t left, int32_t top, int32_t right, int32_t bottom,
          uint16_t pixel) {
    CutTo(surface, left, top, right, bottom);
    for (int32_t y = top; y < bottom; y++) {
        uint16_t* row = Row(surface, y);
        for (int32_t x = left; x < right; x++) row[x] = pixel;
    }
}

}  // namespace

void ClearScreen() {
    if (!Back) return;
    Fill(Back, 0, 0, ScreenWidth, ScreenHeight, 0);
}

void DrawObject(int32_t x, int32_t y, int32_t object, int32_t left, int32_t top, int32_t right,
                int32_t bottom) {
    if ((right - left) + x > ClipRect.right) right = left + (ClipRect.right - x);
    if ((bottom - top) + y > ClipRect.bottom) bottom = top + (ClipRect.bottom - y);
    if (x < ClipRect.left) {
        left += ClipRect.left - x;
        x = ClipRect.left;
    }
    if (y < ClipRect.top) {
        top += ClipRect.top - y;
        y = ClipRect.top;
    }
    if (left > right || top > bottom) return;
    Picture* from = ObjectSurface(object);
    if (!from || !Back) return;
    // A rectangle that reaches outside the picture or outside Back is refused
    // whole, as the display refuses it: nothing is read outside a picture.
    if (!Inside(from, left, top, right, bottom)) return;
    if (!Inside(Back, x, y, x + (right - left), y + (bottom - top))) return;
    KeyedCopy(from, left, top, right, bottom, Back, x, y);
}

void StretchObject(int32_t x, int32_t y, int32_t object, int32_t left, int32_t top,
                   int32_t right, int32_t bottom, int32_t width, int32_t height) {
    Picture* from = ObjectSurface(object);
    if (!from || !Back || width <= 0 || height <= 0) return;
    if (!Inside(from, left, top, right, bottom)) return;
    // One scaled copy with the object's key; a destination that reaches
    // outside Back is refused and nothing is drawn.
    if (!Inside(Back, x, y, x + width, y + height)) return;
    ScaledCopy(from, left, top, right, bottom, Back, x, y, width, height, true);
}

void DrawRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t fill,
                   uint32_t pen, int32_t penWidth) {
    if (!Back) return;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (left == right || top == bottom) return;
    if (penWidth < 1) penWidth = 1;
    // Outline of pen width inside the rectangle, right and bottom exclusive;
    // the interior in the fill colour; cut to Back.
    const uint16_t penPixel = PixelOf(pen), fillPixel = PixelOf(fill);
    Fill(Back, left, top, right, bottom, penPixel);
    if (right - left > 2 * penWidth && bottom - top > 2 * penWidth)
        Fill(Back, left + penWidth, top + penWidth, right - penWidth, bottom - penWidth, fillPixel);
}

int PresentPictures = 1;
void (*DrawOverlay)() = nullptr;

void DimRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (!Back) return;
    CutTo(Back, left, top, right, bottom);
    // Each channel of RGB565 halved: one shift, and the bit each channel
    // took from the one above it cleared.
    for (int32_t y = top; y < bottom; y++) {
        uint16_t* row = Row(Back, y);
        for (int32_t x = left; x < right; x++) row[x] = uint16_t((row[x] >> 1) & 0x7BEF);
    }
}

void Flip() {
    if (!Back || !Front) return;
    if (!PresentPictures) return;
    if (DrawOverlay) DrawOverlay();
    // Back is a picture in memory: one copy of the whole picture to Front,
    // which the platform shows wherever its window is.
    if (Inside(Front, 0, 0, ScreenWidth, ScreenHeight) && Inside(Back, 0, 0, ScreenWidth, ScreenHeight)) {
        if (Front->pitch == ScreenWidth && Back->pitch == ScreenWidth)  // whole rows in a row: one copy
            std::memcpy(Row(Front, 0), Row(Back, 0), size_t(ScreenWidth) * size_t(ScreenHeight) * 2);
        else
            for (int32_t row = 0; row < ScreenHeight; row++)
                std::memcpy(Row(Front, row), Row(Back, row), size_t(ScreenWidth) * 2);
    }
    Sys.Present(Front);
}

void Repaint() {
    if (DisplayOpen && Front) Sys.Present(Front);
}

}  // namespace ktDraw
