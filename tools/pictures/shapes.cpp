// Shape pictures: parsing and drawing.
#include "shapes.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "source_text.h"

namespace pictures {

namespace {

struct ShapeWord {
    const char* word;
    ShapeKind kind;
    int numbers;  // 0: any even number, at least 6 (poly)
};
constexpr ShapeWord ShapeWords[] = {
    {"circle", ShapeKind::Circle, 3}, {"ellipse", ShapeKind::Ellipse, 4}, {"rect", ShapeKind::Rect, 4},
    {"poly", ShapeKind::Poly, 0},     {"ring", ShapeKind::Ring, 4},       {"line", ShapeKind::Line, 5},
    {"star", ShapeKind::Star, 6},
};

struct FillWord {
    const char* word;
    FillKind fill;
    int colours;
};
constexpr FillWord FillWords[] = {
    {"flat", FillKind::Flat, 1},   {"sphere", FillKind::Sphere, 1}, {"metal", FillKind::Metal, 1},
    {"hmetal", FillKind::HMetal, 1}, {"vgrad", FillKind::VGrad, 2}, {"hgrad", FillKind::HGrad, 2},
    {"radial", FillKind::Radial, 2}, {"clear", FillKind::Clear, 0},
};

constexpr float Pi = 3.14159265358979f;

bool ColourWord(const std::map<std::string, Rgb>& named, const std::string& word, Rgb& colour) {
    auto it = named.find(word);
    if (it != named.end()) {
        colour = it->second;
        return true;
    }
    size_t a = word.find(','), b = word.rfind(',');
    if (a == std::string::npos || a == b) return false;
    return ParseRgb(word.substr(0, a), word.substr(a + 1, b - a - 1), word.substr(b + 1), colour) &&
           !(colour == Transparent);
}

// The star's outline as a polygon, first point straight up, turned by `turn` degrees.
std::vector<float> StarPoints(float cx, float cy, float rOut, float rIn, int points, float turn) {
    std::vector<float> p;
    for (int k = 0; k < 2 * points; ++k) {
        float a = turn * Pi / 180.0f + k * Pi / points;
        float r = (k % 2 == 0) ? rOut : rIn;
        p.push_back(cx + r * std::sin(a));
        p.push_back(cy - r * std::cos(a));
    }
    return p;
}

bool InPolygon(const std::vector<float>& p, float x, float y) {
    bool inside = false;
    size_t n = p.size() / 2;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        float xi = p[2 * i], yi = p[2 * i + 1], xj = p[2 * j], yj = p[2 * j + 1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

struct Box {
    float x0, y0, x1, y1;
};

// One shape in canvas units, ready to test points against.
struct Shape {
    ShapeKind kind;
    std::vector<float> n;  // numbers, already mirrored if needed
    std::vector<float> polygon;
    Box box;
};

Shape MakeShape(const ShapeStatement& s, bool mirrored, float canvasWidth) {
    Shape sh{s.kind, s.numbers, {}, {}};
    std::vector<float>& n = sh.n;
    // Mirrored about the axis (by default the canvas's middle).
    const float twiceAxis = s.axis >= 0 ? 2 * s.axis : canvasWidth;
    auto mx = [&](float x) { return mirrored ? twiceAxis - x : x; };
    switch (s.kind) {
        case ShapeKind::Circle:
            n[0] = mx(n[0]);
            sh.box = {n[0] - n[2], n[1] - n[2], n[0] + n[2], n[1] + n[2]};
            break;
        case ShapeKind::Ellipse:
            n[0] = mx(n[0]);
            sh.box = {n[0] - n[2], n[1] - n[3], n[0] + n[2], n[1] + n[3]};
            break;
        case ShapeKind::Ring:
            n[0] = mx(n[0]);
            sh.box = {n[0] - n[2], n[1] - n[2], n[0] + n[2], n[1] + n[2]};
            break;
        case ShapeKind::Rect:
            if (mirrored) n[0] = twiceAxis - n[0] - n[2];
            sh.box = {n[0], n[1], n[0] + n[2], n[1] + n[3]};
            break;
        case ShapeKind::Line: {
            n[0] = mx(n[0]);
            n[2] = mx(n[2]);
            float h = n[4] / 2;
            sh.box = {std::min(n[0], n[2]) - h, std::min(n[1], n[3]) - h, std::max(n[0], n[2]) + h,
                      std::max(n[1], n[3]) + h};
            break;
        }
        case ShapeKind::Poly:
        case ShapeKind::Star:
            if (s.kind == ShapeKind::Star)
                sh.polygon = StarPoints(mx(n[0]), n[1], n[2], n[3], static_cast<int>(n[4]),
                                        mirrored ? -n[5] : n[5]);
            else {
                sh.polygon = n;
                for (size_t i = 0; i < sh.polygon.size(); i += 2) sh.polygon[i] = mx(sh.polygon[i]);
            }
            sh.box = {1e9f, 1e9f, -1e9f, -1e9f};
            for (size_t i = 0; i < sh.polygon.size(); i += 2) {
                sh.box.x0 = std::min(sh.box.x0, sh.polygon[i]);
                sh.box.x1 = std::max(sh.box.x1, sh.polygon[i]);
                sh.box.y0 = std::min(sh.box.y0, sh.polygon[i + 1]);
                sh.box.y1 = std::max(sh.box.y1, sh.polygon[i + 1]);
            }
            break;
        default:
            sh.box = {0, 0, 0, 0};
    }
    return sh;
}

bool Contains(const Shape& sh, float x, float y) {
    const std::vector<float>& n = sh.n;
    switch (sh.kind) {
        case ShapeKind::Circle:
            return (x - n[0]) * (x - n[0]) + (y - n[1]) * (y - n[1]) <= n[2] * n[2];
        case ShapeKind::Ellipse: {
            float dx = (x - n[0]) / n[2], dy = (y - n[1]) / n[3];
            return dx * dx + dy * dy <= 1.0f;
        }
        case ShapeKind::Ring: {
            float d2 = (x - n[0]) * (x - n[0]) + (y - n[1]) * (y - n[1]);
            return d2 <= n[2] * n[2] && d2 >= n[3] * n[3];
        }
        case ShapeKind::Rect:
            return x >= n[0] && x < n[0] + n[2] && y >= n[1] && y < n[1] + n[3];
        case ShapeKind::Line: {
            float dx = n[2] - n[0], dy = n[3] - n[1];
            float len2 = dx * dx + dy * dy;
            float t = len2 > 0 ? ((x - n[0]) * dx + (y - n[1]) * dy) / len2 : 0.0f;
            t = std::clamp(t, 0.0f, 1.0f);
            float ex = n[0] + t * dx - x, ey = n[1] + t * dy - y;
            return ex * ex + ey * ey <= n[4] * n[4] / 4;
        }
        case ShapeKind::Poly:
        case ShapeKind::Star:
            return InPolygon(sh.polygon, x, y);
        default:
            return false;
    }
}

// A ball lit from (lx, ly, towards the viewer): dim rim, bright side, small highlight.
Rgb Lit(Rgb base, float nx, float ny, float nz, float lx, float ly) {
    float ll = std::sqrt(lx * lx + ly * ly + 0.64f);
    float Lx = lx / ll, Ly = ly / ll, Lz = 0.8f / ll;
    float diffuse = std::max(0.0f, nx * Lx + ny * Ly + nz * Lz);
    float hx = Lx, hy = Ly, hz = Lz + 1.0f;
    float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    float shine = std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hl);
    shine = std::pow(shine, 28.0f) * 0.75f;
    return Mix(Scale(base, 0.28f + 0.9f * diffuse), Rgb{255, 255, 255}, shine);
}

Rgb FillColour(const ShapeStatement& s, const Box& b, float x, float y) {
    float cx = (b.x0 + b.x1) / 2, cy = (b.y0 + b.y1) / 2;
    float rx = std::max(0.5f, (b.x1 - b.x0) / 2), ry = std::max(0.5f, (b.y1 - b.y0) / 2);
    float nx = std::clamp((x - cx) / rx, -1.0f, 1.0f), ny = std::clamp((y - cy) / ry, -1.0f, 1.0f);
    switch (s.fill) {
        case FillKind::Flat:
            return s.first;
        case FillKind::Sphere: {
            float d2 = std::min(nx * nx + ny * ny, 0.97f);
            return Lit(s.first, nx, ny, std::sqrt(1.0f - d2), s.lightX, s.lightY);
        }
        case FillKind::Metal:
            return Lit(s.first, nx * 0.95f, 0.0f, std::sqrt(1.0f - nx * nx * 0.9f), s.lightX, s.lightY);
        case FillKind::HMetal:
            return Lit(s.first, 0.0f, ny * 0.95f, std::sqrt(1.0f - ny * ny * 0.9f), s.lightX, s.lightY);
        case FillKind::VGrad:
            return Mix(s.first, s.second, std::clamp((y - b.y0) / (b.y1 - b.y0), 0.0f, 1.0f));
        case FillKind::HGrad:
            return Mix(s.first, s.second, std::clamp((x - b.x0) / (b.x1 - b.x0), 0.0f, 1.0f));
        case FillKind::Radial:
            return Mix(s.first, s.second, std::min(1.0f, std::sqrt(nx * nx + ny * ny)));
        case FillKind::Clear:
            return Transparent;
    }
    return s.first;
}

}  // namespace

bool LoadShapeScript(const std::string& path, ShapeScript& script, std::string& error) {
    SourceFile file;
    if (!LoadSourceFile(path, file, error)) return false;
    script = ShapeScript{};
    script.path = path;
    std::map<std::string, Rgb> named;
    int variant = -1;
    bool mirror = false;
    float axis = -1.0f;
    float lightX = -0.5f, lightY = -0.7f;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        std::vector<std::string> w = Words(file.lines[i]);
        if (w.empty()) continue;
        const std::string here = Where(file, i);
        if (w[0] == "canvas") {
            if (w.size() != 3 || !ParseInt(w[1], script.width) || !ParseInt(w[2], script.height) ||
                script.width <= 0 || script.height <= 0 || script.width > 1024 || script.height > 1024) {
                error = here + "expected 'canvas WIDTH HEIGHT'";
                return false;
            }
            continue;
        }
        if (w[0] == "colour") {
            Rgb c;
            if (w.size() != 5 || !ParseRgb(w[2], w[3], w[4], c) || c == Transparent) {
                error = here + "expected 'colour NAME R G B' (not 0 0 0, the transparent key)";
                return false;
            }
            named[w[1]] = c;
            continue;
        }
        if (w[0] == "light") {
            if (w.size() != 3 || !ParseFloat(w[1], lightX) || !ParseFloat(w[2], lightY)) {
                error = here + "expected 'light X Y'";
                return false;
            }
            continue;
        }
        if (w[0] == "mirror") {
            if ((w.size() != 2 && w.size() != 3) || (w[1] != "on" && w[1] != "off") ||
                (w.size() == 3 && (w[1] != "on" || !ParseFloat(w[2], axis)))) {
                error = here + "expected 'mirror on', 'mirror on AXIS' or 'mirror off'";
                return false;
            }
            mirror = w[1] == "on";
            if (w.size() == 2) axis = -1.0f;
            continue;
        }
        if (w[0] == "variant") {
            if (w.size() != 2 || (w[1] != "all" && (!ParseInt(w[1], variant) || variant < 0 || variant > 7))) {
                error = here + "expected 'variant all' or 'variant N'";
                return false;
            }
            if (w[1] == "all") variant = -1;
            continue;
        }
        if (script.width == 0) {
            error = here + "'canvas' must come first";
            return false;
        }
        ShapeStatement s;
        s.variant = variant;
        s.mirror = mirror;
        s.axis = axis;
        s.lightX = lightX;
        s.lightY = lightY;
        if (w[0] == "outline" || w[0] == "outline8") {
            s.kind = w[0] == "outline" ? ShapeKind::Outline : ShapeKind::Outline8;
            if (w.size() != 2 || !ColourWord(named, w[1], s.first)) {
                error = here + "expected '" + w[0] + " COLOUR'";
                return false;
            }
            script.statements.push_back(s);
            continue;
        }
        const ShapeWord* shape = nullptr;
        for (const ShapeWord& sw : ShapeWords)
            if (w[0] == sw.word) shape = &sw;
        if (!shape) {
            error = here + "unknown statement '" + w[0] + "'";
            return false;
        }
        s.kind = shape->kind;
        size_t k = 1;
        float v;
        while (k < w.size() && ParseFloat(w[k], v)) {
            s.numbers.push_back(v);
            ++k;
        }
        size_t count = s.numbers.size();
        bool countOk = shape->numbers ? count == static_cast<size_t>(shape->numbers)
                                      : (count >= 6 && count % 2 == 0);
        if (!countOk) {
            error = here + "'" + w[0] + "' takes " +
                    (shape->numbers ? std::to_string(shape->numbers) : std::string("an even number (6 or more) of")) +
                    " numbers, not " + std::to_string(count);
            return false;
        }
        if (s.kind == ShapeKind::Star && (s.numbers[4] < 2 || s.numbers[4] > 64)) {
            error = here + "a star has 2 to 64 points";
            return false;
        }
        if ((s.kind == ShapeKind::Ellipse && (s.numbers[2] <= 0 || s.numbers[3] <= 0))) {
            error = here + "an ellipse needs radii above 0";
            return false;
        }
        if (k >= w.size()) {
            error = here + "the shape needs a fill (flat, sphere, metal, hmetal, vgrad, hgrad, radial or clear)";
            return false;
        }
        const FillWord* fill = nullptr;
        for (const FillWord& fw : FillWords)
            if (w[k] == fw.word) fill = &fw;
        if (!fill) {
            error = here + "unknown fill '" + w[k] + "'";
            return false;
        }
        s.fill = fill->fill;
        if (w.size() != k + 1 + fill->colours) {
            error = here + "fill '" + w[k] + "' takes " + std::to_string(fill->colours) + " colour(s)";
            return false;
        }
        if (fill->colours >= 1 && !ColourWord(named, w[k + 1], s.first)) {
            error = here + "unknown colour '" + w[k + 1] + "'";
            return false;
        }
        if (fill->colours >= 2 && !ColourWord(named, w[k + 2], s.second)) {
            error = here + "unknown colour '" + w[k + 2] + "'";
            return false;
        }
        script.statements.push_back(s);
    }
    if (script.width == 0) {
        error = path + ": no 'canvas' statement";
        return false;
    }
    return true;
}

Picture RenderShapes(const ShapeScript& script, int variant, int scale) {
    Picture p = MakePicture(script.width * scale, script.height * scale);
    for (const ShapeStatement& s : script.statements) {
        if (s.variant >= 0 && s.variant != variant) continue;
        if (s.kind == ShapeKind::Outline) {
            Outline(p, s.first);
            continue;
        }
        if (s.kind == ShapeKind::Outline8) {
            OutlineThick(p, s.first);
            continue;
        }
        for (int copy = 0; copy < (s.mirror ? 2 : 1); ++copy) {
            Shape sh = MakeShape(s, copy == 1, static_cast<float>(script.width));
            int x0 = std::max(0, static_cast<int>(std::floor(sh.box.x0 * scale)) - 1);
            int y0 = std::max(0, static_cast<int>(std::floor(sh.box.y0 * scale)) - 1);
            int x1 = std::min(p.width - 1, static_cast<int>(std::ceil(sh.box.x1 * scale)) + 1);
            int y1 = std::min(p.height - 1, static_cast<int>(std::ceil(sh.box.y1 * scale)) + 1);
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) {
                    float fx = (x + 0.5f) / scale, fy = (y + 0.5f) / scale;
                    if (!Contains(sh, fx, fy)) continue;
                    if (s.fill == FillKind::Clear)
                        Erase(p, x, y);
                    else
                        Paint(p, x, y, FillColour(s, sh.box, fx, fy));
                }
        }
    }
    return p;
}

}  // namespace pictures
