// What the fuzzers share: a scratch folder of their own and a way to put the
// input bytes into a file there.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzzsupport {

// Makes an empty folder "grz-<what>-<process id>" with a data/ folder inside,
// under the system's temporary folder, and removes it when the program ends.
// Returns its path without a trailing '/'.
inline const std::string& ScratchFolder(const char* what) {
    static std::string folder;
    if (!folder.empty()) return folder;
    folder = (std::filesystem::temp_directory_path() /
              (std::string("grz-") + what + "-" + std::to_string(getpid())))
                 .string();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/data");
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    });
    return folder;
}

// Writes `size` bytes to `path`, replacing the file. A short write ends the
// run: the fuzzer would otherwise test a file other than its input.
inline void WriteBytes(const std::string& path, const uint8_t* bytes, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || (size && std::fwrite(bytes, 1, size, file) != size) || std::fclose(file) != 0) {
        std::fprintf(stderr, "fuzzer: cannot write %s\n", path.c_str());
        std::abort();
    }
}

}  // namespace fuzzsupport
