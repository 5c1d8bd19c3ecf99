// Pictures in memory for the picture tool: 24-bit colour, black is transparent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictures {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb Transparent{0, 0, 0};

// A pixel the game can see keeps at least one bit after the reduction to the
// display's 5-6-5 bits: red >= 8, green >= 4 or blue >= 8. Exact black is the
// transparent key; anything else that would turn black on screen breaks the
// picture (it would punch a hole into the sprite).
bool IsSeenOnScreen(Rgb colour);
bool PassesVisibilityRule(Rgb colour);
// The colour itself when the display can see it, else the nearest seen colour.
// Used for every painted pixel, so a dark shade never turns into a hole.
Rgb KeepVisible(Rgb colour);

// Colour arithmetic with clamping.
Rgb Mix(Rgb a, Rgb b, float t);  // t = 0 gives a, 1 gives b
Rgb Scale(Rgb colour, float factor);

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row by row from the top
};

Picture MakePicture(int width, int height);
bool Inside(const Picture& picture, int x, int y);
Rgb PixelAt(const Picture& picture, int x, int y);  // transparent outside
bool IsSet(const Picture& picture, int x, int y);   // non-transparent
// Paints one pixel (clipped), kept visible.
void Paint(Picture& picture, int x, int y, Rgb colour);
void Erase(Picture& picture, int x, int y);
void FillRect(Picture& picture, int x, int y, int width, int height, Rgb colour);
// Copies a rectangle of `source`, skipping its transparent pixels.
void Blit(Picture& target, int x, int y, const Picture& source);
void BlitPart(Picture& target, int x, int y, const Picture& source, int sx, int sy, int width,
              int height);
// Copies with every pixel grown to factor x factor.
void BlitScaled(Picture& target, int x, int y, const Picture& source, int factor);
// Copies scaled to any size (nearest pixel), as the game stretches a sprite.
void BlitStretched(Picture& target, int x, int y, const Picture& source, int width, int height);
Picture Crop(const Picture& source, int x, int y, int width, int height);
Picture MirrorX(const Picture& source);
// Every transparent pixel next to (4-neighbour) a painted one takes `colour`.
void Outline(Picture& picture, Rgb colour);
// Same, also across the corners (8-neighbour).
void OutlineThick(Picture& picture, Rgb colour);
// Number of pixels that break the visibility rule.
int CountRuleBreakers(const Picture& picture);

}  // namespace pictures
