// Files through descriptors, for the layers whose C library has them (open,
// dup2): a stream's file opened again in place — the file at `path` is
// opened anew and its descriptor takes the place of the stream's own, so the
// stream keeps its FILE and its buffer —, and whether a file is there. Neither
// allocates anything.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>

namespace ktPlatform {

inline int ReopenByDescriptor(std::FILE* file, const char* path) {
    if (!file || !path) return 0;
#ifdef O_BINARY
    // A C library that translates line ends reads the bytes as they are.
    const int flags = O_RDONLY | O_BINARY;
#else
    const int flags = O_RDONLY;
#endif
    const int descriptor = ::open(path, flags);
    if (descriptor < 0) return 0;
    const bool reopened = ::dup2(descriptor, ::fileno(file)) >= 0;
    ::close(descriptor);
    return reopened ? 1 : 0;
}

inline int FileExistsByDescriptor(const char* path) {
    const int descriptor = path ? ::open(path, O_RDONLY) : -1;
    if (descriptor < 0) return 0;
    ::close(descriptor);
    return 1;
}

inline int MakeFolderByPath(const char* path) {
    if (!path) return 0;
#ifdef _WIN32
    const bool made = ::mkdir(path) == 0;
#else
    const bool made = ::mkdir(path, 0755) == 0;
#endif
    struct stat info;
    return (made || errno == EEXIST) && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode) ? 1 : 0;
}

}  // namespace ktPlatform
