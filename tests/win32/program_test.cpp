// The program started as a user starts it: one copy per data folder, a later
// start handing over its file and ending, the end of the session saving.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "scratch.h"
#include "windows_desktop.h"

namespace fs = std::filesystem;
using namespace nolvetta::testsupport;

// Starts `program` in its folder with one argument, if any; its process.
HANDLE start(const fs::path& program, const std::wstring& argument = {}) {
    std::wstring line = L"\"" + program.wstring() + L"\"";
    line += argument.empty() ? L"" : L" \"" + argument + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        program.parent_path().c_str(), &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

// The first visible window of the process in that class, waited for a while.
HWND windowOf(HANDLE process, const wchar_t* windowClass) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        for (HWND window = nullptr;
             (window = FindWindowExW(nullptr, window, windowClass, nullptr)) != nullptr;) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == GetProcessId(process) && IsWindowVisible(window)) {
                return window;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
}

DWORD exitCode(HANDLE process) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, 20000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process, &code);
    }
    CloseHandle(process);
    return code;
}

TEST(Program, ALaterStartHandsOverItsFileAndTheSessionsEndSavesAtOnce) {
    ScratchDirectory folder;
    const fs::path program = folder / "nolvetta.exe";
    fs::copy_file(besideThisProgram(NOLVETTA_PROGRAM), program);
    writeBytes(folder / "nolvetta.dat", "a@x\r\n");
    writeBytes(folder / "letter.eml", "Subject: news\r\n\r\nmag2 ID:0001234567\r\n");
    const HANDLE first = start(program);
    const HWND window = windowOf(first, L"Nolvetta.Form1");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(exitCode(start(program, L"letter.eml")), 0);
    // The running copy tells about the file it was handed (this build reads
    // no messages).
    const HWND box = windowOf(first, L"#32770");
    ASSERT_NE(box, nullptr);
    std::u16string shown;
    for (const std::u16string& text : childTexts(box)) {
        shown += text;
    }
    EXPECT_NE(shown.find((folder / "letter.eml").u16string()), std::u16string::npos);

    // The session ends while the box waits for an answer.
    DWORD_PTR answer = FALSE;
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, 0, 5000, &answer);
    EXPECT_EQ(answer, TRUE);
    SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, 0, 5000, &answer);
    EXPECT_EQ(exitCode(first), 0);
    EXPECT_EQ(readBytes(folder / "nolvetta.dat"), "a@x\r\n");
    EXPECT_EQ(readBytes(folder / "nolvetta1.dat"), "True\r\n");
}
