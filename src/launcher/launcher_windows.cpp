#include "launcher/launcher.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <array>
#include <memory>
#include <string>
#include <utility>

#include "launcher/browser_command.h"

namespace nolvetta::launcher {

namespace {

// wchar_t and char16_t are both UTF-16 units on Windows.
std::wstring toWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::u16string fromWide(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Creates the probe document; false when it could not be created, also when
// a file of that name already exists (which must then stay untouched).
bool createProbe(const std::wstring& probePath) {
    Handle file(CreateFileW(probePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    // The content plays no part in the lookup; it is the line the program
    // has always written, in the ANSI code page.
    const std::wstring_view text = L"関連付け所得用\r\n";
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            size, nullptr, nullptr);
    }
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return true;
}

// The association lookup needs an existing ".html" document in the directory
// it is given: a user's own "a.html" there serves as it is, otherwise one is
// created for the lookup and removed after it.
std::u16string findDefaultBrowser(const std::filesystem::path& programDirectory) {
    std::wstring directory = programDirectory.native();
    if (directory.empty() || (directory.back() != L'\\' && directory.back() != L'/')) {
        directory += L'\\';
    }
    const std::wstring probePath = directory + L"a.html";
    const bool createdProbe = createProbe(probePath);

    std::array<wchar_t, MAX_PATH> result{};
    FindExecutableW(L"a.html", directory.c_str(), result.data());
    result.back() = L'\0';

    if (createdProbe) {
        DeleteFileW(probePath.c_str());
    }
    return browserCommandFromLookup(fromWide(result.data()));
}

class WindowsLauncher final : public Launcher {
public:
    explicit WindowsLauncher(std::u16string command) : command_(std::move(command)) {}

    std::u16string browserCommand() const override { return command_; }

    bool open(std::u16string_view url) override {
        if (command_.empty() || isRefusedUrl(url)) {
            return false;
        }
        const std::wstring path = toWide(browserPathOf(command_));
        // CreateProcessW may write into the command line, so it gets a copy.
        std::wstring commandLine = toWide(windowsCommandLine(browserPathOf(command_), url));

        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNOACTIVATE;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process)) {
            return false;
        }
        // Not waited for and not held on to.
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }

private:
    std::u16string command_;
};

}  // namespace

std::unique_ptr<Launcher> makeSystemLauncher(const std::filesystem::path& programDirectory) {
    return std::make_unique<WindowsLauncher>(findDefaultBrowser(programDirectory));
}

}  // namespace nolvetta::launcher
