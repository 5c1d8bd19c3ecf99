// The counting wrappers of draw_count.h. Each one works out the area that the
// engine's own operation will cover, with the engine's clipping and refusal
// rules, then calls the operation itself (the linker names it __real_...).
#include "draw_count.h"

#include <algorithm>

#include "ktDraw.h"

namespace drawcount {

bool Counting = false;
uint64_t Pixels = 0;

namespace {

bool Inside(const ktDraw::Picture* s, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return s && left >= 0 && top >= 0 && right <= s->width && bottom <= s->height && left < right && top < bottom;
}

ktDraw::Picture* ObjectSurface(int32_t object) {
    if (object < 0 || object >= ktDraw::ImageObjectCount) return nullptr;
    return ktDraw::ImageObjects[object].surface;
}

// The clipped area of a rectangle on Back.
uint64_t AreaOnBack(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (!ktDraw::Back) return 0;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, ktDraw::Back->width);
    bottom = std::min(bottom, ktDraw::Back->height);
    if (left >= right || top >= bottom) return 0;
    return uint64_t(right - left) * uint64_t(bottom - top);
}

// DrawObject: clipped to ClipRect in the engine's order, then refused whole
// unless the rectangle lies inside both pictures.
uint64_t SpriteArea(int32_t x, int32_t y, int32_t object, int32_t left, int32_t top, int32_t right,
                    int32_t bottom) {
    const ktDraw::ClipRectangle& clip = ktDraw::ClipRect;
    if ((right - left) + x > clip.right) right = left + (clip.right - x);
    if ((bottom - top) + y > clip.bottom) bottom = top + (clip.bottom - y);
    if (x < clip.left) {
        left += clip.left - x;
        x = clip.left;
    }
    if (y < clip.top) {
        top += clip.top - y;
        y = clip.top;
    }
    if (left > right || top > bottom) return 0;
    if (!Inside(ObjectSurface(object), left, top, right, bottom)) return 0;
    if (!Inside(ktDraw::Back, x, y, x + (right - left), y + (bottom - top))) return 0;
    return uint64_t(right - left) * uint64_t(bottom - top);
}

// StretchObject on the one-copy path: the whole destination, or nothing
// when it reaches outside Back.
uint64_t StretchArea(int32_t x, int32_t y, int32_t object, int32_t left, int32_t top, int32_t right,
                     int32_t bottom, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return 0;
    if (!Inside(ObjectSurface(object), left, top, right, bottom)) return 0;
    if (!Inside(ktDraw::Back, x, y, x + width, y + height)) return 0;
    return uint64_t(width) * uint64_t(height);
}

}  // namespace
}  // namespace drawcount

using drawcount::Counting;
using drawcount::Pixels;

extern "C" {

void __real__ZN6ktDraw11ClearScreenEv();
void __real__ZN6ktDraw10DrawObjectEiiiiiii(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
void __real__ZN6ktDraw13StretchObjectEiiiiiiiii(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                                int32_t, int32_t, int32_t);
void __real__ZN6ktDraw13DrawRectangleEiiiijji(int32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t,
                                              int32_t);

// ktDraw::ClearScreen()
void __wrap__ZN6ktDraw11ClearScreenEv() {
    if (Counting) Pixels += drawcount::AreaOnBack(0, 0, ktDraw::ScreenWidth, ktDraw::ScreenHeight);
    __real__ZN6ktDraw11ClearScreenEv();
}

// ktDraw::DrawObject(x, y, object, left, top, right, bottom)
void __wrap__ZN6ktDraw10DrawObjectEiiiiiii(int32_t x, int32_t y, int32_t object, int32_t left,
                                           int32_t top, int32_t right, int32_t bottom) {
    if (Counting) Pixels += drawcount::SpriteArea(x, y, object, left, top, right, bottom);
    __real__ZN6ktDraw10DrawObjectEiiiiiii(x, y, object, left, top, right, bottom);
}

// ktDraw::StretchObject(x, y, object, left, top, right, bottom, width, height)
void __wrap__ZN6ktDraw13StretchObjectEiiiiiiiii(int32_t x, int32_t y, int32_t object, int32_t left,
                                                int32_t top, int32_t right, int32_t bottom,
                                                int32_t width, int32_t height) {
    if (Counting) Pixels += drawcount::StretchArea(x, y, object, left, top, right, bottom, width, height);
    __real__ZN6ktDraw13StretchObjectEiiiiiiiii(x, y, object, left, top, right, bottom, width, height);
}

// ktDraw::DrawRectangle(left, top, right, bottom, fill, pen, penWidth): the
// outline colour fills the whole rectangle, then the fill colour its inside.
void __wrap__ZN6ktDraw13DrawRectangleEiiiijji(int32_t left, int32_t top, int32_t right,
                                              int32_t bottom, uint32_t fill, uint32_t pen,
                                              int32_t penWidth) {
    if (Counting) {
        const int32_t l = std::min(left, right), r = std::max(left, right);
        const int32_t t = std::min(top, bottom), b = std::max(top, bottom);
        const int32_t w = std::max(penWidth, 1);
        Pixels += drawcount::AreaOnBack(l, t, r, b);
        if (r - l > 2 * w && b - t > 2 * w) Pixels += drawcount::AreaOnBack(l + w, t + w, r - w, b - w);
    }
    __real__ZN6ktDraw13DrawRectangleEiiiijji(left, top, right, bottom, fill, pen, penWidth);
}

}  // extern "C"
