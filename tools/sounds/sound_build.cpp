// Reading a sound source, telling an effect from a song, rendering it and
// writing its wave file.
#include "sound_build.h"

#include <cstdio>

#include "sound_effect.h"
#include "sound_song.h"
#include "sound_text.h"

namespace soundtool {

namespace {

int RenderText(const SourceText& text, SoundSamples* out, std::string* error) {
    const std::string& first = text.lines[0].words[0];
    if (first == "effect") {
        EffectSource effect;
        if (!ParseEffect(text, &effect, error)) return 0;
        RenderEffect(effect, out);
        return 1;
    }
    if (first == "song") {
        SongSource song;
        if (!ParseSong(text, &song, error)) return 0;
        RenderSong(song, out);
        return 1;
    }
    *error = LineError(text, text.lines[0].number,
                       "a sound source starts with the line \"effect\" or \"song\"");
    return 0;
}

}  // namespace

int RenderSourceFile(const char* sourcePath, SoundSamples* out, std::string* error) {
    SourceText text;
    if (!ReadSourceFile(sourcePath, &text, error)) return 0;
    return RenderText(text, out, error);
}

int RenderSourceText(const std::string& path, const std::string& source, SoundSamples* out,
                     std::string* error) {
    SourceText text;
    if (!SplitSourceText(path, source, &text, error)) return 0;
    return RenderText(text, out, error);
}

int BuildSoundFile(const char* sourcePath, const char* wavePath, std::string* error) {
    SoundSamples sound;
    if (!RenderSourceFile(sourcePath, &sound, error)) {
        // A stale wave file from an older source must not pass for this one.
        std::remove(wavePath);
        return 0;
    }
    return WriteWaveFile(wavePath, sound, error);
}

}  // namespace soundtool
