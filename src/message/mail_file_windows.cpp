#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "message/mail_file.h"

namespace nolvetta::message::native {

namespace {

std::error_code lastError() {
    return {int(GetLastError()), std::system_category()};
}

// With the right to write its attributes where the user has it, only so
// that the handle can be told to leave the access time.
HANDLE openLeavingAccessTime(const std::filesystem::path& path) {
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, share, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        FILETIME leave{0xFFFFFFFF, 0xFFFFFFFF};
        SetFileTime(file, nullptr, &leave, nullptr);
        return file;
    }
    return CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

MailFile::MailFile(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return;  // no file, and no error
    }
    HANDLE file = openLeavingAccessTime(path);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = lastError();
        return;
    }
    LARGE_INTEGER size{};
    regular_ = GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size);
    size_ = regular_ ? size.QuadPart : 0;
    descriptor_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (descriptor_ < 0) {
        error_ = {EMFILE, std::generic_category()};
        regular_ = false;
        CloseHandle(file);
    }
}

MailFile::~MailFile() {
    if (descriptor_ >= 0) {
        _close(descriptor_);
    }
}

// Through the descriptor, which GMime moves too: both read on one thread.
std::int64_t MailFile::readAt(char* into, std::size_t length, std::int64_t offset) {
    if (ended_) {
        return 0;
    }
    if (_lseeki64(descriptor_, offset, SEEK_SET) < 0) {
        error_ = {errno, std::generic_category()};
        return -1;
    }
    std::size_t done = 0;
    while (done < length) {
        const int got = _read(descriptor_, into + done,
                              unsigned(std::min<std::size_t>(length - done, INT_MAX)));
        if (got <= 0) {
            error_ = got < 0 ? std::error_code(errno, std::generic_category()) : error_;
            return got < 0 ? -1 : std::int64_t(done);
        }
        done += std::size_t(got);
    }
    return std::int64_t(done);
}

// Only this class's own reads end: swapping the descriptor under a read in
// progress, as on POSIX, can leave that read waiting for ever in the C
// library. GMime is handed a message no larger than MaxMessageBytes, which
// it reads through in well under a second.
void MailFile::endEarly() noexcept {
    ended_ = true;
}

}  // namespace nolvetta::message::native
