// Pictures in memory: pixel access, copies and the visibility rule.
#include "picture.h"

#include <algorithm>
#include <cmath>

namespace pictures {

bool IsSeenOnScreen(Rgb c) { return (c.r >> 3) != 0 || (c.g >> 2) != 0 || (c.b >> 3) != 0; }

bool PassesVisibilityRule(Rgb c) { return c == Transparent || IsSeenOnScreen(c); }

Rgb KeepVisible(Rgb c) {
    if (IsSeenOnScreen(c)) return c;
    // The darkest shade the display still tells apart from the key: a trace
    // of green, the channel with the finest steps.
    return Rgb{c.r, 4, c.b};
}

static uint8_t ClampByte(float v) {
    if (v <= 0.0f) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<uint8_t>(std::lround(v));
}

Rgb Mix(Rgb a, Rgb b, float t) {
    return Rgb{ClampByte(a.r + (b.r - a.r) * t), ClampByte(a.g + (b.g - a.g) * t),
               ClampByte(a.b + (b.b - a.b) * t)};
}

Rgb Scale(Rgb c, float f) { return Rgb{ClampByte(c.r * f), ClampByte(c.g * f), ClampByte(c.b * f)}; }

Picture MakePicture(int width, int height) {
    Picture p;
    p.width = width;
    p.height = height;
    p.pixels.assign(static_cast<size_t>(width) * height, Transparent);
    return p;
}

bool Inside(const Picture& p, int x, int y) { return x >= 0 && y >= 0 && x < p.width && y < p.height; }

Rgb PixelAt(const Picture& p, int x, int y) {
    if (!Inside(p, x, y)) return Transparent;
    return p.pixels[static_cast<size_t>(y) * p.width + x];
}

bool IsSet(const Picture& p, int x, int y) { return !(PixelAt(p, x, y) == Transparent); }

void Paint(Picture& p, int x, int y, Rgb c) {
    if (!Inside(p, x, y)) return;
    p.pixels[static_cast<size_t>(y) * p.width + x] = KeepVisible(c);
}

void Erase(Picture& p, int x, int y) {
    if (!Inside(p, x, y)) return;
    p.pixels[static_cast<size_t>(y) * p.width + x] = Transparent;
}

void FillRect(Picture& p, int x, int y, int w, int h, Rgb c) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) Paint(p, i, j, c);
}

void BlitPart(Picture& target, int x, int y, const Picture& source, int sx, int sy, int w, int h) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            Rgb c = PixelAt(source, sx + i, sy + j);
            if (!(c == Transparent)) Paint(target, x + i, y + j, c);
        }
}

void Blit(Picture& target, int x, int y, const Picture& source) {
    BlitPart(target, x, y, source, 0, 0, source.width, source.height);
}

void BlitScaled(Picture& target, int x, int y, const Picture& source, int factor) {
    BlitStretched(target, x, y, source, source.width * factor, source.height * factor);
}

void BlitStretched(Picture& target, int x, int y, const Picture& source, int w, int h) {
    if (w <= 0 || h <= 0) return;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            Rgb c = PixelAt(source, i * source.width / w, j * source.height / h);
            if (!(c == Transparent)) Paint(target, x + i, y + j, c);
        }
}

Picture Crop(const Picture& source, int x, int y, int w, int h) {
    Picture p = MakePicture(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) p.pixels[static_cast<size_t>(j) * w + i] = PixelAt(source, x + i, y + j);
    return p;
}

Picture MirrorX(const Picture& source) {
    Picture p = MakePicture(source.width, source.height);
    for (int j = 0; j < source.height; ++j)
        for (int i = 0; i < source.width; ++i)
            p.pixels[static_cast<size_t>(j) * p.width + i] = PixelAt(source, source.width - 1 - i, j);
    return p;
}

static void OutlineWith(Picture& p, Rgb c, bool corners) {
    Picture before = p;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (IsSet(before, x, y)) continue;
            bool near = IsSet(before, x - 1, y) || IsSet(before, x + 1, y) || IsSet(before, x, y - 1) ||
                        IsSet(before, x, y + 1);
            if (corners)
                near = near || IsSet(before, x - 1, y - 1) || IsSet(before, x + 1, y - 1) ||
                       IsSet(before, x - 1, y + 1) || IsSet(before, x + 1, y + 1);
            if (near) Paint(p, x, y, c);
        }
}

void Outline(Picture& p, Rgb c) { OutlineWith(p, c, false); }
void OutlineThick(Picture& p, Rgb c) { OutlineWith(p, c, true); }

int CountRuleBreakers(const Picture& p) {
    return static_cast<int>(std::count_if(p.pixels.begin(), p.pixels.end(),
                                          [](Rgb c) { return !PassesVisibilityRule(c); }));
}

}  // namespace pictures
