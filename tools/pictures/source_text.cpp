// Reading the picture sources.
#include "source_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "bmp.h"

namespace pictures {

bool LoadSourceFile(const std::string& path, SourceFile& file, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, bytes, error)) return false;
    if (bytes.empty()) {
        error = path + ": the file is empty";
        return false;
    }
    file.path = path;
    file.lines.clear();
    std::string line;
    for (uint8_t b : bytes) {
        if (b == '\n') {
            file.lines.push_back(line);
            line.clear();
        } else if (b == '\r') {
            continue;
        } else if (b == '\t') {
            line += ' ';
        } else if (b < 32 || b > 126) {
            error = path + ":" + std::to_string(file.lines.size() + 1) +
                    ": unexpected byte " + std::to_string(b) + " (sources are plain ASCII text)";
            return false;
        } else {
            line += static_cast<char>(b);
        }
    }
    if (!line.empty()) file.lines.push_back(line);
    return true;
}

std::string Where(const SourceFile& file, size_t index) {
    return file.path + ":" + std::to_string(index + 1) + ": ";
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c == '#') break;
        if (c == ' ') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

bool ParseInt(const std::string& word, int& value) {
    const char* end = word.data() + word.size();
    auto result = std::from_chars(word.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

bool ParseFloat(const std::string& word, float& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    value = std::strtof(word.c_str(), &end);
    // Plain numbers only: no infinities, no "not a number", nothing absurd.
    return end == word.c_str() + word.size() && std::isfinite(value) && std::fabs(value) <= MaxCoordinate;
}

bool ParseRgb(const std::string& r, const std::string& g, const std::string& b, Rgb& colour) {
    int v[3];
    const std::string* words[3] = {&r, &g, &b};
    for (int i = 0; i < 3; ++i)
        if (!ParseInt(*words[i], v[i]) || v[i] < 0 || v[i] > 255) return false;
    colour = Rgb{static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[1]), static_cast<uint8_t>(v[2])};
    return true;
}

}  // namespace pictures
