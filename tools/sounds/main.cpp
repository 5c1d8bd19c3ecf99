// grazerunner-sounds: renders one sound source (an effect or a song, as
// readable text) into a 16-bit PCM wave file of the data folder.
//
//   grazerunner-sounds <source.txt> <out.wav>
//
// Exit status 0 on success; 1 with a message naming the file and line when
// the source is missing or wrong (no wave file is left then); 2 for wrong
// arguments.
#include <cstdio>
#include <string>

#include "sound_build.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: grazerunner-sounds <source.txt> <out.wav>\n");
        return 2;
    }
    std::string error;
    if (!soundtool::BuildSoundFile(argv[1], argv[2], &error)) {
        std::fprintf(stderr, "grazerunner-sounds: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
