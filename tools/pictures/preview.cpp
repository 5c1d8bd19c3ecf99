// Mock screens: the pictures composed as the game's scenes compose them.
#include "preview.h"

#include <algorithm>
#include <cmath>

namespace pictures {

namespace {

const Picture* Find(const std::vector<OutputPicture>& pictures, const std::string& file) {
    for (const OutputPicture& o : pictures)
        if (o.file == file) return &o.picture;
    return nullptr;
}

// As the game's DrawObject: a keyed copy of a source rectangle.
void Draw(Picture& screen, int x, int y, const Picture& image, int left, int top, int right, int bottom) {
    BlitPart(screen, x, y, image, left, top, right - left, bottom - top);
}

void Stretch(Picture& screen, int x, int y, const Picture& image, int left, int top, int right, int bottom, int w,
             int h) {
    BlitStretched(screen, x, y, Crop(image, left, top, right - left, bottom - top), w, h);
}

// As the game's DrawRectangle with a pen of one pixel.
void Rectangle(Picture& screen, int left, int top, int right, int bottom, Rgb fill, Rgb pen) {
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            bool edge = x == left || y == top || x == right - 1 || y == bottom - 1;
            Paint(screen, x, y, edge ? pen : fill);
        }
}

struct PlayScene {
    int stage;
    int character;
    unsigned score;
    int bossHp, lives, fps, combo;
    float comboTimer;
    bool bomb;
    int hitStep;  // -1 none
    float bossX, bossY;
    int bossPose;
};

Picture PlayScreen(const std::vector<OutputPicture>& pics, const PlayScene& s) {
    Picture screen = MakePicture(320, 240);
    const Picture& stage = *Find(pics, "stage" + std::to_string(s.stage) + ".bmp");
    const Picture& digits = *Find(pics, "chips.bmp");
    const Picture& chips = *Find(pics, "chips2.bmp");
    // Background at a scroll position partway through the wrap.
    const int side = 97, centre = 41;
    Draw(screen, 40, 0, stage, 0, side, 60, 240);
    Draw(screen, 40, 240 - side, stage, 0, 0, 60, side);
    Draw(screen, 220, 0, stage, 180, side, 240, 240);
    Draw(screen, 220, 240 - side, stage, 180, 0, 240, side);
    Draw(screen, 100, 0, stage, 60, centre, 180, 120);
    Draw(screen, 100, 120 - centre, stage, 60, 0, 180, centre);
    Draw(screen, 100, 120, stage, 60, centre, 180, 120);
    Draw(screen, 100, 240 - centre, stage, 60, 0, 180, centre);
    // Score panel.
    auto powerOfTen = [](int n) {
        unsigned v = 1;
        while (n-- > 0) v *= 10;
        return v;
    };
    for (int i = 0; i < 10; ++i) {
        int d = static_cast<int>((s.score / powerOfTen(9 - i)) % 10);
        Draw(screen, 0, 20 * i, digits, 0, 20 * d, 40, 20 * d + 20);
    }
    Draw(screen, 0, 200, digits, 0, 220, 40, 260);
    auto small = [&](unsigned value, int count, int y) {
        for (int i = 0; i < count; ++i) {
            int d = static_cast<int>((value / powerOfTen(count - 1 - i)) % 10);
            Draw(screen, 4 * i, y, digits, 4 * d, 260, 4 * d + 4, 265);
        }
    };
    small(s.combo, 6, 235);
    small(s.fps, 3, 225);
    small(s.lives, 2, 215);
    small(s.bossHp, 5, 205);
    // Depth shots at several depths.
    struct Depth {
        float x, y, z;
        int kind;
    };
    constexpr Depth Depths[] = {{60, 150, 90, 0}, {110, 120, 70, 1}, {150, 170, 45, 2}, {200, 90, 25, 3},
                                {90, 200, 8, 4},  {180, 200, 3, 0},  {30, 60, 55, 4}};
    for (const Depth& d : Depths) {
        float size = (100 - d.z) / 5;
        float sx = d.x * (200 - d.z) / 200 + 0.6f * d.z, sy = d.y * (200 - d.z) / 200 + 0.6f * d.z;
        Stretch(screen, static_cast<int>(sx - size / 2) + 40, static_cast<int>(sy - size / 2), chips, 60, 20 * d.kind,
                80, 20 * d.kind + 20, static_cast<int>(size), static_cast<int>(size));
    }
    // Player, its shots and the combo gauge.
    const float px = 120, py = 200;
    if (s.hitStep >= 0) {
        Draw(screen, 150, 190, chips, 20 * s.hitStep, 190, 20 * s.hitStep + 20, 210);
        Draw(screen, 120, 110, chips, 0, 210, 80, 230);
    } else {
        Draw(screen, static_cast<int>(px) + 30, static_cast<int>(py) - 10, chips, 20 * s.character, 0,
             20 * s.character + 20, 40);
    }
    for (int k = 0; k < 4; ++k) {
        float sy = py - 30 - 45 * k;
        for (int dx : {-1, 0, 1})
            Draw(screen, static_cast<int>(px + dx * 18 * (k + 1) / 2) + 30, static_cast<int>(sy) - 10, chips,
                 20 * s.character, 140, 20 * s.character + 20, 160);
    }
    const int g = static_cast<int>(s.comboTimer);
    Rectangle(screen, 280, 0, 320, g, Rgb{static_cast<uint8_t>(255 - g), static_cast<uint8_t>(g + 15), 0},
              Rgb{static_cast<uint8_t>(g + 15), 0, static_cast<uint8_t>(255 - g)});
    Rectangle(screen, 280, g, 320, 240, Rgb{static_cast<uint8_t>(g + 15), static_cast<uint8_t>(g + 15),
                                            static_cast<uint8_t>(g + 15)},
              Rgb{static_cast<uint8_t>(255 - g), static_cast<uint8_t>(255 - g), static_cast<uint8_t>(255 - g)});
    // Boss, bursts and flat shots.
    const int pose = s.bossPose / 2;
    Draw(screen, static_cast<int>(s.bossX) + 10, static_cast<int>(s.bossY) - 30, stage, 60 + 60 * pose, 120,
         120 + 60 * pose, 180);
    for (int f = 0; f < 4; ++f)
        Draw(screen, static_cast<int>(s.bossX) + 24 + 14 * f - 20, static_cast<int>(s.bossY) + 6 - 8 * f, chips, 20 * f,
             160, 20 * f + 20, 180);
    for (int i = 0; i < 40; ++i) {
        float a = i * 0.157f * 4;
        float r = 30 + 4.0f * i;
        float x = s.bossX + r * std::sin(a), y = s.bossY + r * std::cos(a) * 0.8f + 20;
        if (x < 0 || x > 240 || y < 0 || y > 240) continue;
        int k = i % 5;
        Draw(screen, static_cast<int>(x) + 35, static_cast<int>(y), chips, 10 * k, 180, 10 * k + 10, 190);
    }
    // Stock icons and the bomb's beam.
    for (int i = 0; i < 3; ++i) Draw(screen, 45, 15 * i + 5, chips, 60, 180, 80, 190);
    for (int i = 0; i < 2; ++i) Draw(screen, 255, 15 * i + 5, chips, 60, 140, 80, 150);
    if (s.bomb)
        for (int j = 0; j < 12; ++j) Draw(screen, static_cast<int>(px), 20 * j, chips, 0, 230, 80, 250);
    return screen;
}

Picture ResultsScreen(const std::vector<OutputPicture>& pics, unsigned long long score) {
    Picture screen = MakePicture(320, 240);
    const Picture& digits = *Find(pics, "chips.bmp");
    const Picture& chips = *Find(pics, "chips2.bmp");
    for (int r = 0; r < 12; ++r) {
        unsigned long long p = 1;
        for (int k = 0; k < 11 - r; ++k) p *= 10;
        int d = static_cast<int>((score / p) % 10);
        for (int c = 0; c < 8; ++c) Draw(screen, 40 * c, 20 * r, digits, 0, 20 * d, 40, 20 * d + 20);
    }
    Draw(screen, 120, 110, chips, 0, 120, 80, 140);
    return screen;
}

Picture MenuScreen(const Picture& back, const Picture& bar, int row, int phase) {
    Picture screen = MakePicture(320, 240);
    Draw(screen, 0, 0, back, 0, 0, 320, 240);
    Draw(screen, 0, 80 * row, bar, 0, 80 * phase, 320, 80 * phase + 80);
    return screen;
}

}  // namespace

bool BuildPreviews(const Assets&, const std::vector<OutputPicture>& pics, std::vector<OutputPicture>& screens,
                   std::string& error) {
    for (const char* f : {"start.bmp", "selemode.bmp", "opening.bmp", "tlop.bmp", "chips.bmp", "chips2.bmp"})
        if (!Find(pics, f)) {
            error = std::string("preview needs ") + f;
            return false;
        }
    screens.clear();
    for (int s = 0; s < StageCount; ++s) {
        PlayScene scene{s, s % 3, 1234567u * (s + 1), 12345 - 2000 * s, 3 - s % 3, 60, 123 * s, 150.0f - 30 * s,
                        s == 2, s == 4 ? 3 : -1, 120.0f, 60.0f, (s % 2) * 2};
        screens.push_back({"play_stage" + std::to_string(s) + ".bmp", PlayScreen(pics, scene)});
    }
    screens.push_back({"results.bmp", ResultsScreen(pics, 4200000000ull)});
    Picture title = MakePicture(320, 240);
    Draw(title, 40, 0, *Find(pics, "start.bmp"), 0, 0, 240, 240);
    screens.push_back({"title.bmp", title});
    screens.push_back({"mode_select.bmp", MenuScreen(*Find(pics, "selemode.bmp"), *Find(pics, "tlop.bmp"), 1, 0)});
    screens.push_back(
        {"character_select.bmp", MenuScreen(*Find(pics, "opening.bmp"), *Find(pics, "tlop.bmp"), 2, 1)});
    return true;
}

}  // namespace pictures
