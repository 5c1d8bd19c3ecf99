// Pixel-art sprites from ASCII-art sources.
#include "sprite_book.h"

#include <algorithm>

#include "source_text.h"

namespace pictures {

bool LoadSpriteFile(const std::string& path, SpriteBook& book, std::string& error) {
    SourceFile file;
    if (!LoadSourceFile(path, file, error)) return false;
    std::array<PaletteEntry, 128> palette{};
    int spriteCount = 0;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        std::vector<std::string> w = Words(file.lines[i]);
        if (w.empty()) continue;
        if (w[0] == "colour") {
            if (w.size() < 3 || w[1].size() != 1 || w[1][0] == '.') {
                error = Where(file, i) + "expected 'colour KEY R G B' with a one-character key other than '.'";
                return false;
            }
            PaletteEntry entry;
            entry.defined = true;
            size_t k = 2;
            while (k < w.size()) {
                if (w[k] == "|") {
                    ++k;
                    continue;
                }
                if (w[k] == "none") {
                    entry.perFrame.push_back(Transparent);
                    ++k;
                    continue;
                }
                Rgb c;
                if (k + 2 >= w.size() || !ParseRgb(w[k], w[k + 1], w[k + 2], c)) {
                    error = Where(file, i) + "colours are three numbers 0..255 or 'none', separated by '|'";
                    return false;
                }
                if (c == Transparent) {
                    error = Where(file, i) + "0 0 0 is the transparent key; write 'none' for a see-through key";
                    return false;
                }
                entry.perFrame.push_back(c);
                k += 3;
            }
            if (entry.perFrame.empty()) {
                error = Where(file, i) + "colour '" + w[1] + "' has no value";
                return false;
            }
            palette[static_cast<unsigned char>(w[1][0])] = entry;
            continue;
        }
        if (w[0] == "sprite") {
            PixelSprite s;
            if (w.size() != 5 || !ParseInt(w[2], s.width) || !ParseInt(w[3], s.height) ||
                !ParseInt(w[4], s.frames) || s.width <= 0 || s.height <= 0 || s.frames <= 0 ||
                s.width > 512 || s.height > 512 || s.frames > 16) {
                error = Where(file, i) + "expected 'sprite NAME WIDTH HEIGHT FRAMES'";
                return false;
            }
            s.name = w[1];
            s.source = Where(file, i);
            if (book.sprites.count(s.name)) {
                error = Where(file, i) + "sprite '" + s.name + "' is defined twice";
                return false;
            }
            if (i + s.height >= file.lines.size()) {
                error = Where(file, i) + "sprite '" + s.name + "' is cut short by the end of the file";
                return false;
            }
            for (int r = 0; r < s.height; ++r) {
                const std::string& row = file.lines[i + 1 + r];
                if (static_cast<int>(row.size()) != s.width) {
                    error = Where(file, i + 1 + r) + "sprite '" + s.name + "': row has " +
                            std::to_string(row.size()) + " keys, expected " + std::to_string(s.width);
                    return false;
                }
                for (char c : row)
                    if (c != '.' && !palette[static_cast<unsigned char>(c)].defined) {
                        error = Where(file, i + 1 + r) + "sprite '" + s.name + "': key '" +
                                std::string(1, c) + "' has no colour";
                        return false;
                    }
                s.rows.push_back(row);
            }
            s.palette = palette;
            book.sprites[s.name] = s;
            ++spriteCount;
            i += s.height;
            continue;
        }
        error = Where(file, i) + "expected 'colour ...' or 'sprite ...'";
        return false;
    }
    if (spriteCount == 0) {
        error = path + ": no sprites";
        return false;
    }
    return true;
}

bool RenderSprite(const SpriteBook& book, const std::string& name, int frame, Picture& picture,
                  std::string& error) {
    auto it = book.sprites.find(name);
    if (it == book.sprites.end()) {
        error = "no sprite named '" + name + "' in the sprite files";
        return false;
    }
    const PixelSprite& s = it->second;
    if (frame < 0 || frame >= s.frames) {
        error = s.source + "sprite '" + name + "' has no frame " + std::to_string(frame);
        return false;
    }
    picture = MakePicture(s.width, s.height);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            char key = s.rows[y][x];
            if (key == '.') continue;
            const PaletteEntry& e = s.palette[static_cast<unsigned char>(key)];
            Rgb c = e.perFrame[std::min<size_t>(frame, e.perFrame.size() - 1)];
            if (!(c == Transparent)) Paint(picture, x, y, c);
        }
    return true;
}

}  // namespace pictures
