#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

// A mail file opened only to be read: never waiting (should the path have
// become a pipe or a device since it was looked at), and leaving its access
// time, the user's own record of when they last looked, where the system
// allows. The descriptor is what GMime reads.
namespace nolvetta::message::native {

class MailFile {
public:
    explicit MailFile(const std::filesystem::path& path);
    MailFile(const MailFile&) = delete;
    MailFile& operator=(const MailFile&) = delete;
    ~MailFile();

    // Why it could not be opened or read.
    std::error_code error() const { return error_; }
    // Open, and a file of bytes: no folder, pipe or device.
    bool isRegular() const { return regular_; }
    std::int64_t size() const { return size_; }
    int descriptor() const { return descriptor_; }

    // Reads up to `length` bytes at `offset`; fewer only at the file's end;
    // -1 on an error.
    std::int64_t readAt(char* into, std::size_t length, std::int64_t offset);
    // From any thread: the rest of the file reads as empty, to GMime too
    // where the system allows, while the descriptor stays open.
    void endEarly() noexcept;

private:
    int descriptor_ = -1;
    std::error_code error_;
    bool regular_ = false;
    std::int64_t size_ = 0;
    std::atomic<bool> ended_ = false;
};

}  // namespace nolvetta::message::native
