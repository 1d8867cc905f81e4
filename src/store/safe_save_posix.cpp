#include "store/safe_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace nolvetta::store {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A hidden name beside the target; O_EXCL, so an existing file is never
// taken over. Returns -1 with errno set when none can be made.
int createTemporary(const std::filesystem::path& target, std::filesystem::path& temporary) {
    const auto seed = static_cast<unsigned long long>(
                          std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      (static_cast<unsigned long long>(::getpid()) << 32);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".";
        name += target.filename().string();
        name += '.';
        name += std::to_string((seed + attempt) % 100000000);
        name += ".tmp";
        temporary = target.parent_path() / name;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

void syncDirectory(const std::filesystem::path& directory) {
    const int fd =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // only makes the rename durable sooner; the save stands either way
        ::close(fd);
    }
}

}  // namespace

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    const auto nanoseconds = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino),
                        static_cast<std::uint64_t>(status.st_size), nanoseconds(status.st_mtim),
                        nanoseconds(status.st_ctim)};
}

namespace native {

std::error_code replaceFile(const std::filesystem::path& target, const Pieces& pieces) {
    std::filesystem::path temporary;
    const int fd = createTemporary(target, temporary);
    if (fd < 0) {
        return {errno, std::generic_category()};
    }
    int failure = 0;
    const auto fail = [&] {
        if (failure == 0) {
            failure = errno != 0 ? errno : EIO;
        }
    };
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);  // best effort: not every file system keeps modes
    }
    errno = 0;
    if (!pieces([fd](std::string_view piece) { return writeAll(fd, piece); }) ||
        (::fsync(fd) != 0 && errno != EINVAL)) {  // EINVAL: cannot sync
        fail();
    }
    if (::close(fd) != 0) {
        fail();
    }
    if (failure == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
        fail();
    }
    if (failure != 0) {
        ::unlink(temporary.c_str());
        return {failure, std::generic_category()};
    }
    syncDirectory(target.parent_path());
    return {};
}

}  // namespace native

}  // namespace nolvetta::store
