#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "mailbox/folder.h"
#include "system/open_posix.h"

namespace nolvetta::mailbox {

namespace {

struct CloseFolder {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

FolderEntry::Kind kindOf(mode_t mode) {
    using enum FolderEntry::Kind;
    return S_ISLNK(mode) ? Link : S_ISDIR(mode) ? Folder : S_ISREG(mode) ? File : Other;
}

}  // namespace

std::vector<FolderEntry> entriesOf(const std::filesystem::path& folder, bool throughLink,
                                   std::error_code& ec) {
    ec.clear();
    std::vector<FolderEntry> entries;
    const int fd = system::openLeavingAccessTime(
        folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (throughLink ? 0 : O_NOFOLLOW));
    const std::unique_ptr<DIR, CloseFolder> dir(fd < 0 ? nullptr : ::fdopendir(fd));
    if (!dir) {
        ec.assign(errno, std::generic_category());
        if (fd >= 0) {
            ::close(fd);
        }
        return entries;
    }
    for (errno = 0; const dirent* entry = ::readdir(dir.get()); errno = 0) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        // Not the type the folder gives: some file systems leave it unknown.
        struct stat status {};
        FolderEntry& found = entries.emplace_back();
        found.name = entry->d_name;
        if (::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
            found.kind = kindOf(status.st_mode);
            found.size = found.kind == FolderEntry::Kind::File ? std::uintmax_t(status.st_size) : 0;
        }
    }
    if (errno != 0) {
        ec.assign(errno, std::generic_category());
    }
    return entries;
}

std::optional<std::string> contentsOf(const std::filesystem::path& file) {
    const int fd =
        system::openLeavingAccessTime(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat status {};
    std::optional<std::string> contents;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        contents.emplace();
        char piece[8192];
        for (ssize_t length; (length = ::read(fd, piece, sizeof piece)) != 0;) {
            if (length > 0) {
                contents->append(piece, std::size_t(length));
            } else if (errno != EINTR) {
                contents.reset();
                break;
            }
        }
    }
    ::close(fd);
    return contents;
}

}  // namespace nolvetta::mailbox
