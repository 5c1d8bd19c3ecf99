// The files the game writes for the player: the score log and the replays.
// Each goes into the working folder, or, where that cannot take it (a game
// installed read-only, started from the root folder), into the player's own
// data folder, under the same name.
#include <cstdio>
#include <cstring>

#include "game.h"

namespace {

// Makes the folder part of `path` ("replays/x.grr": "replays"), if any.
bool MakeFolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (!slash) return true;
    char folder[PathBufferSize];
    const size_t length = size_t(slash - path);
    if (length >= sizeof folder) return false;
    std::memcpy(folder, path, length);
    folder[length] = 0;
    return ktSystem::MakeFolder(folder) == 1;
}

// Opens `path` with `mode`; with `fresh`, under a name no file has yet:
// "name.ext", else "name-2.ext", "name-3.ext", ... (the one opened is left
// in `path`).
std::FILE* OpenAt(char (&path)[PathBufferSize], const char* mode, bool fresh) {
    if (!MakeFolderOf(path)) return nullptr;
    if (!fresh) return ktSystem::OpenFile(path, mode);
    char base[PathBufferSize];
    std::snprintf(base, sizeof base, "%s", path);
    char* dot = std::strrchr(base, '.');
    const char* slash = std::strrchr(base, '/');
    const char* extension = dot && (!slash || dot > slash) ? dot : "";
    const size_t stem = size_t((*extension ? dot : base + std::strlen(base)) - base);
    for (int n = 1; n < 1000; n++) {
        int length = n == 1 ? std::snprintf(path, sizeof path, "%s", base)
                            : std::snprintf(path, sizeof path, "%.*s-%d%s", int(stem), base, n, extension);
        if (length < 0 || length >= PathBufferSize) return nullptr;
        if (!ktSystem::FileExists(path)) return ktSystem::OpenFile(path, mode);
    }
    return nullptr;
}

}  // namespace

std::FILE* OpenPlayerFile(const char* name, const char* mode, bool fresh, char (&where)[PathBufferSize],
                          bool* inPlayersFolder) {
    *inPlayersFolder = false;
    int length = std::snprintf(where, sizeof where, "%s", name);
    if (length < 0 || length >= PathBufferSize) return nullptr;
    if (std::FILE* file = OpenAt(where, mode, fresh)) return file;
    *inPlayersFolder = true;
    const char* folder = ktSystem::GetUserDataFolder();
    where[0] = 0;
    if (!folder) return nullptr;
    length = std::snprintf(where, sizeof where, "%s%s", folder, name);
    if (length < 0 || length >= PathBufferSize) return nullptr;
    return OpenAt(where, mode, fresh);
}
