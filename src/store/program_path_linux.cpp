#include "store/program_path.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "store/program_path_native.h"

namespace nolvetta::store {

std::filesystem::path executablePath() {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : path;
}

std::filesystem::path userDataDirectory() {
    // A relative XDG_DATA_HOME is invalid and is ignored, as the XDG rules say.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && std::filesystem::path(dataHome).is_absolute()) {
        return std::filesystem::path(dataHome) / "nolvetta";
    }
    std::filesystem::path home;
    if (const char* variable = std::getenv("HOME"); variable != nullptr && *variable != '\0') {
        home = variable;
    } else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir) {
        home = user->pw_dir;
    }
    return home.empty() ? home : home / ".local" / "share" / "nolvetta";
}

namespace native {

bool canCreateFileIn(const std::filesystem::path& directory) {
    // An unnamed file cannot be left behind, even if the program dies here.
    const int unnamed = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (unnamed >= 0) {
        ::close(unnamed);
        return true;
    }
    // These mean only that the file system offers no unnamed files.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return false;
    }
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path probe =
            directory /
            (".nolvetta-probe." + std::to_string(::getpid()) + "." + std::to_string(attempt));
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

bool isHiddenOrSystem(const std::filesystem::path& /*file*/) {
    return false;
}

bool isReadOnly(const std::filesystem::path& file) {
    struct stat status {};
    return ::stat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace native

}  // namespace nolvetta::store
