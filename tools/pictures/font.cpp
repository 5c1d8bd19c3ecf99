// Bitmap fonts from ASCII-art sources.
#include "font.h"

#include "source_text.h"

namespace pictures {

namespace {

// Words for characters that cannot stand alone after `glyph`.
struct GlyphName {
    const char* word;
    char character;
};
constexpr GlyphName GlyphNames[] = {
    {"space", ' '}, {"hash", '#'}, {"period", '.'}, {"plus", '+'},
};

bool GlyphCharacter(const std::string& word, char& c) {
    if (word.size() == 1) {
        c = word[0];
        return true;
    }
    for (const GlyphName& n : GlyphNames)
        if (word == n.word) {
            c = n.character;
            return true;
        }
    return false;
}

}  // namespace

bool LoadFont(const std::string& path, Font& font, std::string& error) {
    SourceFile file;
    if (!LoadSourceFile(path, file, error)) return false;
    font = Font{};
    font.name = path;
    int glyphCount = 0;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        std::vector<std::string> w = Words(file.lines[i]);
        if (w.empty()) continue;
        if (w[0] == "height" && w.size() == 2 && ParseInt(w[1], font.height) && font.height > 0 &&
            font.height <= 64)
            continue;
        if (w[0] == "spacing" && w.size() == 2 && ParseInt(w[1], font.spacing) && font.spacing >= 0 &&
            font.spacing <= 8)
            continue;
        if (w[0] == "glyph" && w.size() == 2) {
            char c;
            if (!GlyphCharacter(w[1], c)) {
                error = Where(file, i) + "unknown glyph name '" + w[1] + "'";
                return false;
            }
            if (font.height == 0) {
                error = Where(file, i) + "'height' must come before the first glyph";
                return false;
            }
            if (i + font.height >= file.lines.size()) {
                error = Where(file, i) + "glyph '" + w[1] + "' is cut short by the end of the file";
                return false;
            }
            Glyph g;
            g.defined = true;
            for (int r = 0; r < font.height; ++r) {
                const std::string& row = file.lines[i + 1 + r];
                if (r == 0) g.width = static_cast<int>(row.size());
                if (static_cast<int>(row.size()) != g.width || g.width == 0) {
                    error = Where(file, i + 1 + r) + "glyph '" + w[1] + "': every row must have " +
                            std::to_string(g.width) + " characters";
                    return false;
                }
                if (row.find_first_not_of("#+.") != std::string::npos) {
                    error = Where(file, i + 1 + r) + "glyph rows use only '#', '+' and '.'";
                    return false;
                }
                g.rows.push_back(row);
            }
            font.glyphs[static_cast<unsigned char>(c)] = g;
            ++glyphCount;
            i += font.height;
            continue;
        }
        error = Where(file, i) + "expected 'height N', 'spacing N' or 'glyph C'";
        return false;
    }
    if (glyphCount == 0) {
        error = path + ": no glyphs";
        return false;
    }
    return true;
}

static int WidthOf(const Font& font, const std::string& text, int scale, bool bold) {
    int width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph& g = font.glyphs[static_cast<unsigned char>(text[i]) & 127];
        width += g.width + (bold ? 1 : 0) + (i + 1 < text.size() ? font.spacing : 0);
    }
    return width * scale;
}

int TextWidth(const Font& font, const std::string& text, int scale) { return WidthOf(font, text, scale, false); }

int StyledWidth(const Font& font, const std::string& text, const TextStyle& style) {
    return WidthOf(font, text, style.scale, style.bold);
}

bool CheckText(const Font& font, const std::string& text, std::string& error) {
    for (char c : text)
        if (!font.glyphs[static_cast<unsigned char>(c) & 127].defined) {
            error = font.name + ": no glyph for '" + std::string(1, c) + "' (needed for \"" + text + "\")";
            return false;
        }
    return true;
}

static void DrawInk(Picture& target, const Font& font, int x, int y, const std::string& text,
                    const TextStyle& style, bool flat, Rgb flatColour) {
    int pen = x;
    const int s = style.scale;
    for (char ch : text) {
        const Glyph& g = font.glyphs[static_cast<unsigned char>(ch) & 127];
        for (int r = 0; r < static_cast<int>(g.rows.size()); ++r)
            for (int c = 0; c < g.width; ++c) {
                char p = g.rows[r][c];
                if (p == '.') continue;
                for (int dy = 0; dy < s; ++dy) {
                    float t = font.height * s > 1 ? float(r * s + dy) / float(font.height * s - 1) : 0.0f;
                    Rgb colour = flat ? flatColour
                                 : p == '#' ? Mix(style.top, style.bottom, t)
                                            : style.second;
                    for (int dx = 0; dx < s * (style.bold ? 2 : 1); ++dx)
                        Paint(target, pen + c * s + dx, y + r * s + dy, colour);
                }
            }
        pen += (g.width + (style.bold ? 1 : 0) + font.spacing) * s;
    }
}

void DrawText(Picture& target, const Font& font, int x, int y, const std::string& text,
              const TextStyle& style) {
    if (style.shadowed) DrawInk(target, font, x + style.scale, y + style.scale, text, style, true, style.shadow);
    if (style.outlined) {
        // The rim goes round the ink of the whole text on its own layer, so it
        // never covers the ink of a neighbouring glyph; from scale 2 it also
        // goes round the corners, for a solid rim.
        Picture ink = MakePicture(target.width, target.height);
        DrawInk(ink, font, x, y, text, style, true, Rgb{255, 255, 255});
        for (int py = 0; py < target.height; ++py)
            for (int px = 0; px < target.width; ++px) {
                if (IsSet(ink, px, py)) continue;
                bool near = IsSet(ink, px - 1, py) || IsSet(ink, px + 1, py) || IsSet(ink, px, py - 1) ||
                            IsSet(ink, px, py + 1);
                if (style.scale > 1)
                    near = near || IsSet(ink, px - 1, py - 1) || IsSet(ink, px + 1, py - 1) ||
                           IsSet(ink, px - 1, py + 1) || IsSet(ink, px + 1, py + 1);
                if (near) Paint(target, px, py, style.outline);
            }
    }
    DrawInk(target, font, x, y, text, style, false, Transparent);
}

void DrawTextCentred(Picture& target, const Font& font, int centreX, int y, const std::string& text,
                     const TextStyle& style) {
    DrawText(target, font, centreX - WidthOf(font, text, style.scale, style.bold) / 2, y, text, style);
}

}  // namespace pictures
