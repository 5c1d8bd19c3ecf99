// One sound from its source: an effect (first line "effect", see
// sound_effect.h) or a song (first line "song", see sound_song.h).
#pragma once

#include <string>

#include "sound_wave.h"

namespace soundtool {

// Reads the source file and renders it: 1, or 0 with *error naming the file
// (and the line, when a line is at fault).
int RenderSourceFile(const char* sourcePath, SoundSamples* out, std::string* error);
// The same over source text in memory; `path` only names it in messages.
int RenderSourceText(const std::string& path, const std::string& text, SoundSamples* out,
                     std::string* error);
// Renders the source and writes the wave file: 1, or 0 with *error set (and
// no wave file left behind).
int BuildSoundFile(const char* sourcePath, const char* wavePath, std::string* error);

}  // namespace soundtool
