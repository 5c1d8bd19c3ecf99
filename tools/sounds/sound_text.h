// Reading the sound sources: plain text, one statement a line, words
// separated by blanks or tabs; a word that begins with '#' starts a comment
// that runs to the end of the line (inside a word, as in F#4, '#' is kept).
// Every message about a source names its file and line as
// "path:line: what is wrong".
#pragma once

#include <string>
#include <vector>

namespace soundtool {

struct SourceLine {
    int number;                      // line number in the file, from 1
    std::vector<std::string> words;  // never empty
};

struct SourceText {
    std::string path;
    std::vector<SourceLine> lines;   // only the lines that hold words
    int lastLine;                    // number of the file's last line
};

// Reads a source file and splits it into lines of words: 1, or 0 with
// *error set (missing, unreadable, empty, or not text).
int ReadSourceFile(const char* path, SourceText* out, std::string* error);
// The same over text in memory; `path` only names it in messages.
int SplitSourceText(const std::string& path, const std::string& text, SourceText* out,
                    std::string* error);

// "path:line: message".
std::string LineError(const SourceText& text, int line, const std::string& message);

// A whole word read as a finite decimal number: 1, or 0.
int ParseNumber(const std::string& word, double* out);
// A whole word read as a whole number, with an optional sign: 1, or 0.
int ParseInteger(const std::string& word, int* out);
// A note name such as C4, F#3 or Bb2 (C4 is note 60, A4 = 440 Hz is 69),
// octaves 0 to 9: 1 and the note number, or 0.
int ParseNoteName(const std::string& word, int* out);

// Checks that `line` holds from `least` to `most` words (the key counted):
// 1, or 0 with *error set.
int ExpectWords(const SourceText& text, const SourceLine& line, size_t least, size_t most,
                std::string* error);
// Word `index` of `line` as a number from `low` to `high`: 1, or 0 with
// *error set.
int ReadNumber(const SourceText& text, const SourceLine& line, size_t index, double low,
               double high, double* out, std::string* error);

}  // namespace soundtool
