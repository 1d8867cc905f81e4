#pragma once

// What the Windows tests find on the desktop: the stand-in browser, and the
// texts of the windows the program shows.

#include <windows.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "scratch.h"

namespace nolvetta::testsupport {

using Invocations = std::vector<std::vector<std::u16string>>;

// The stand-in browser (argument_logger.exe), registered as the program for
// ".html" documents where Wine looks for it, and what it has logged since the
// last look, once `expected` invocations have come or a few seconds passed.
struct Browser {
    explicit Browser(std::filesystem::path logger) : executable(std::move(logger)) {
        const std::wstring command = L"\"" + executable.wstring() + L"\" \"%1\"";
        for (const auto& [key, value] :
             {std::pair{L"Software\\Classes\\.html", std::wstring(L"NolvettaTest.Page")},
              {L"Software\\Classes\\NolvettaTest.Page\\shell\\open\\command", command}}) {
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, value.c_str(),
                            DWORD((value.size() + 1) * 2));
        }
        SetEnvironmentVariableW(L"NOLVETTA_ARGUMENTS", log.c_str());
    }
    Invocations invocations(std::size_t expected,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        Invocations logged;
        for (; logged.size() < expected && std::chrono::steady_clock::now() < deadline;
             std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
            const std::string bytes = readBytes(log);
            std::u16string text(bytes.size() / 2, u'\0');
            std::memcpy(text.data(), bytes.data(), text.size() * 2);
            logged.assign(1, {});
            for (std::size_t start = 0, end;
                 (end = text.find(u'\0', start)) != std::u16string::npos; start = end + 1) {
                if (end == start) {
                    logged.emplace_back();
                } else {
                    logged.back().push_back(text.substr(start, end - start));
                }
            }
            logged.pop_back();
        }
        std::filesystem::remove(log);
        return logged;
    }
    const std::filesystem::path executable;
    const std::filesystem::path log =
        std::filesystem::temp_directory_path() /
        ("nolvetta-arguments-" + std::to_string(GetCurrentProcessId()));
};

// Asked of the window itself: of another process's edit control, neither
// GetWindowText nor GetWindowTextLength tells the text.
inline std::u16string textOf(HWND window) {
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, nullptr);
    return std::u16string(text, text + wcslen(text));
}

// The texts of a window's visible children that have one: a message box's
// text and buttons.
inline std::vector<std::u16string> childTexts(HWND window) {
    std::vector<std::u16string> texts;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM texts) {
            if (std::u16string text = textOf(child); IsWindowVisible(child) && !text.empty()) {
                reinterpret_cast<std::vector<std::u16string>*>(texts)->push_back(std::move(text));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// Starts `program` in its folder with `arguments` as typed, its standard
// output and error to `out` if given; its process, null if it did not start.
inline HANDLE start(const std::filesystem::path& program, const std::wstring& arguments = {},
                    HANDLE out = nullptr) {
    std::wstring line = L"\"" + program.wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = out ? STARTF_USESTDHANDLES : 0;
    startup.hStdOutput = startup.hStdError = out;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, out != nullptr, 0, nullptr,
                        program.parent_path().c_str(), &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

// A file beside this test program's own, or at a path relative to it.
inline std::filesystem::path besideThisProgram(const std::filesystem::path& relative) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return (std::filesystem::path(self).parent_path() / relative).lexically_normal();
}

}  // namespace nolvetta::testsupport
