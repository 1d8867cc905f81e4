#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "message/mail_file.h"
#include "system/open_posix.h"

namespace nolvetta::message::native {

MailFile::MailFile(const std::filesystem::path& path)
    : descriptor_(system::openLeavingAccessTime(path.c_str(),
                                                O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) {
    struct stat status {};
    if (descriptor_ < 0 || ::fstat(descriptor_, &status) != 0) {
        error_ = {errno, std::generic_category()};
        return;
    }
    regular_ = S_ISREG(status.st_mode);
    size_ = status.st_size;
}

MailFile::~MailFile() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

std::int64_t MailFile::readAt(char* into, std::size_t length, std::int64_t offset) {
    if (ended_) {
        return 0;
    }
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got =
            ::pread(descriptor_, into + done, length - done, off_t(offset) + off_t(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error_ = got < 0 ? std::error_code(errno, std::generic_category()) : error_;
            return got < 0 ? -1 : std::int64_t(done);
        }
        done += std::size_t(got);
    }
    return std::int64_t(done);
}

void MailFile::endEarly() noexcept {
    ended_ = true;
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nothing >= 0) {
        ::dup3(nothing, descriptor_, O_CLOEXEC);
        ::close(nothing);
    }
}

}  // namespace nolvetta::message::native
