#pragma once

#include <fcntl.h>

#include <cerrno>

// Files and folders the program only reads, opened so that their access time
// stays the user's own record of when they last looked. The kernel allows
// this to a file's owner alone; any other file is opened as it would be
// anyway. Linux only.
namespace nolvetta::system {

inline int openLeavingAccessTime(const char* path, int flags) {
    const int fd = ::open(path, flags | O_NOATIME);
    return fd < 0 && errno == EPERM ? ::open(path, flags) : fd;
}

}  // namespace nolvetta::system
