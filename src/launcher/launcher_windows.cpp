#include "launcher/launcher.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <array>
#include <memory>
#include <string>

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

// Writes the probe document: the line the program has always written, in
// the ANSI code page ("for getting the association"; its 所得 stands for
// 取得). Its content plays no part in the lookup.
bool createProbe(const std::wstring& probePath) {
    Handle file(CreateFileW(probePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file.valid()) {
        return false;
    }
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

// The program associated with ".html" documents, asked at each request. The
// lookup needs an existing document: one is made for it in the user's
// temporary folder under a name of the program's own, so that a read-only
// program folder is no obstacle and no file of the user's is ever touched.
std::u16string findDefaultBrowser() {
    std::array<wchar_t, MAX_PATH + 1> temporary{};
    const DWORD length = GetTempPathW(static_cast<DWORD>(temporary.size()), temporary.data());
    if (length == 0 || length >= temporary.size()) {
        return {};
    }
    const std::wstring directory(temporary.data(), length);  // with its final backslash
    const std::wstring probe = L"nolvetta-" + std::to_wstring(GetCurrentProcessId()) + L".html";
    if (!createProbe(directory + probe)) {
        return {};
    }
    std::array<wchar_t, MAX_PATH> result{};
    FindExecutableW(probe.c_str(), directory.c_str(), result.data());
    result.back() = L'\0';
    DeleteFileW((directory + probe).c_str());
    return browserCommandFromLookup(fromWide(result.data()));
}

class WindowsLauncher final : public Launcher {
public:
    std::u16string browserCommand() const override { return findDefaultBrowser(); }

    bool open(std::u16string_view url) override {
        const std::u16string command = findDefaultBrowser();
        if (command.empty() || isRefusedUrl(url)) {
            return false;
        }
        const std::wstring path = toWide(browserPathOf(command));
        // CreateProcessW may write into the command line, so it gets a copy.
        std::wstring commandLine = toWide(windowsCommandLine(browserPathOf(command), url));

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

    // Through the association for mailto, which passes the URL, one
    // argument, in its own way to the mail program it names.
    bool openMail(std::u16string_view mailto) override {
        if (!isMailtoUrl(mailto)) {
            return false;
        }
        const std::wstring url = toWide(mailto);
        SHELLEXECUTEINFOW request{};
        request.cbSize = sizeof request;
        request.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
        request.lpVerb = L"open";
        request.lpFile = url.c_str();
        request.nShow = SW_SHOWNORMAL;
        return ShellExecuteExW(&request) != FALSE;
    }
};

}  // namespace

std::unique_ptr<Launcher> makeSystemLauncher() {
    return std::make_unique<WindowsLauncher>();
}

}  // namespace nolvetta::launcher
