// Reading the picture sources: plain text files, one statement a line.
// A '#' starts a comment on a statement line; pixel rows (of glyphs and
// sprites) are read as they stand.
#pragma once

#include <string>
#include <vector>

#include "picture.h"

namespace pictures {

struct SourceFile {
    std::string path;
    std::vector<std::string> lines;  // without line ends
};

bool LoadSourceFile(const std::string& path, SourceFile& file, std::string& error);
// "path:line: " for error messages; `index` counts from 0.
std::string Where(const SourceFile& file, size_t index);
// The words of a statement line, its comment cut off. Empty for blank lines.
std::vector<std::string> Words(const std::string& line);
bool ParseInt(const std::string& word, int& value);
// Numbers of the shape files stay within +-MaxCoordinate.
constexpr float MaxCoordinate = 4096.0f;
bool ParseFloat(const std::string& word, float& value);
// Three words 0..255 into a colour.
bool ParseRgb(const std::string& r, const std::string& g, const std::string& b, Rgb& colour);

}  // namespace pictures
