// Reading the sound sources into lines of words, and the number and note
// readers that the effect and song readers share.
#include "sound_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace soundtool {

namespace {

// A source is a short text; anything bigger is not one of ours.
constexpr long MaxSourceBytes = 1 << 20;

int IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string FormatRange(double low, double high) {
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "from %g to %g", low, high);
    return buffer;
}

}  // namespace

std::string LineError(const SourceText& text, int line, const std::string& message) {
    return text.path + ":" + std::to_string(line) + ": " + message;
}

int SplitSourceText(const std::string& path, const std::string& text, SourceText* out,
                    std::string* error) {
    out->path = path;
    out->lines.clear();
    out->lastLine = 0;
    if (text.empty()) {
        *error = path + ": the file is empty";
        return 0;
    }
    int number = 1;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        SourceLine line{number, {}};
        int inComment = 0;
        std::string word;
        for (size_t i = at; i < end; ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            // Control bytes (other than tab and carriage return) mean the
            // file is not text, or is damaged; refuse it even in a comment.
            if (c < 0x20 && c != '\t' && c != '\r') {
                char buffer[64];
                std::snprintf(buffer, sizeof buffer, "not a text file (byte 0x%02X)", c);
                *error = path + ":" + std::to_string(number) + ": " + buffer;
                return 0;
            }
            if (inComment) continue;
            if (c == '#' && word.empty()) {
                inComment = 1;
            } else if (IsBlank(static_cast<char>(c))) {
                if (!word.empty()) line.words.push_back(word);
                word.clear();
                continue;
            } else {
                word += static_cast<char>(c);
                continue;
            }
            if (!word.empty()) line.words.push_back(word);
            word.clear();
        }
        if (!word.empty()) line.words.push_back(word);
        if (!line.words.empty()) out->lines.push_back(line);
        out->lastLine = number;
        at = end + 1;
        ++number;
    }
    if (out->lines.empty()) {
        *error = path + ":" + std::to_string(out->lastLine) +
                 ": the file holds no statement, only comments";
        return 0;
    }
    return 1;
}

int ReadSourceFile(const char* path, SourceText* out, std::string* error) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        *error = std::string(path) + ": cannot open the file";
        return 0;
    }
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
        if (long(text.size()) > MaxSourceBytes) {
            std::fclose(file);
            *error = std::string(path) + ": the file is too big for a sound source";
            return 0;
        }
    }
    int failed = std::ferror(file);
    std::fclose(file);
    if (failed) {
        *error = std::string(path) + ": cannot read the file";
        return 0;
    }
    return SplitSourceText(path, text, out, error);
}

int ParseNumber(const std::string& word, double* out) {
    if (word.empty()) return 0;
    char* end = nullptr;
    double value = std::strtod(word.c_str(), &end);
    if (end != word.c_str() + word.size() || !std::isfinite(value)) return 0;
    // strtod also takes hexadecimal and "inf"; sources hold plain decimals.
    for (char c : word) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+')) return 0;
    }
    *out = value;
    return 1;
}

int ParseInteger(const std::string& word, int* out) {
    size_t i = 0;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
    if (i == word.size() || word.size() - i > 6) return 0;
    int value = 0;
    for (size_t j = i; j < word.size(); ++j) {
        if (word[j] < '0' || word[j] > '9') return 0;
        value = value * 10 + (word[j] - '0');
    }
    *out = word[0] == '-' ? -value : value;
    return 1;
}

int ParseNoteName(const std::string& word, int* out) {
    // Semitones of the natural notes above C.
    static constexpr int Natural[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (word.size() < 2 || word.size() > 3) return 0;
    char letter = word[0];
    if (letter < 'A' || letter > 'G') return 0;
    int note = Natural[letter - 'A'];
    size_t i = 1;
    if (word[i] == '#') {
        ++note;
        ++i;
    } else if (word[i] == 'b') {
        --note;
        ++i;
    }
    if (i + 1 != word.size() || word[i] < '0' || word[i] > '9') return 0;
    int octave = word[i] - '0';
    *out = 12 * (octave + 1) + note;
    return 1;
}

int ExpectWords(const SourceText& text, const SourceLine& line, size_t least, size_t most,
                std::string* error) {
    size_t count = line.words.size();
    if (count >= least && count <= most) return 1;
    std::string wanted;
    size_t values = least - 1;
    if (least == most) {
        wanted = std::to_string(values) + (values == 1 ? " value" : " values");
    } else {
        wanted = std::to_string(values) + " to " + std::to_string(most - 1) + " values";
    }
    *error = LineError(text, line.number, "\"" + line.words[0] + "\" takes " + wanted);
    return 0;
}

int ReadNumber(const SourceText& text, const SourceLine& line, size_t index, double low,
               double high, double* out, std::string* error) {
    double value = 0;
    const std::string& word = line.words[index];
    if (!ParseNumber(word, &value)) {
        *error = LineError(text, line.number,
                           "\"" + word + "\" is not a number (in \"" + line.words[0] + "\")");
        return 0;
    }
    if (value < low || value > high) {
        *error = LineError(text, line.number,
                           "\"" + line.words[0] + "\" value " + word + " is out of range (" +
                               FormatRange(low, high) + ")");
        return 0;
    }
    *out = value;
    return 1;
}

}  // namespace soundtool
