#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace nolvetta::win32 {

// The class of the program's window, by which a later start finds it.
inline constexpr wchar_t WindowClass[] = L"Nolvetta.Form1";

// One running copy per data directory, so that no copy's save discards
// another's additions: the first holds a mutex of the session named after
// the user and the directory; a later start finds it held, hands its file,
// if any, to the running copy's window, which comes to the front, and ends.
class SingleInstance {
public:
    explicit SingleInstance(const std::filesystem::path& dataDirectory);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    bool anotherIsRunning() const { return anotherIsRunning_; }
    // What the running copy's window answers to: the user and the directory.
    const std::wstring& key() const { return key_; }
    // Asks the running copy's window to come to the front and to open `file`
    // (an absolute path, or empty); false when none answered within half a minute.
    bool bringAnotherToFront(const std::filesystem::path& file = {}) const;

private:
    std::wstring key_;
    HANDLE mutex_ = nullptr;
    bool anotherIsRunning_ = false;
};

// The file that a later start handed to the window answering to `key` (an
// empty path for none); nothing when `data` is not such a hand-over.
std::optional<std::filesystem::path> handedOver(const COPYDATASTRUCT& data, std::wstring_view key);

}  // namespace nolvetta::win32
