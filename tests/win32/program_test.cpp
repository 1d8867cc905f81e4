// The program started as a user starts it: one copy per data folder, a later
// start handing over its file and ending, the end of the session saving.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "scratch.h"
#include "win32/user_folders.h"
#include "windows_desktop.h"

namespace fs = std::filesystem;
using namespace nolvetta::testsupport;

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

// Runs `program` with `arguments` as a script does: its exit code, and what
// it wrote to the pipe given as its standard output and error.
std::pair<DWORD, std::string> run(const fs::path& program, const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &inherited, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    const HANDLE process = start(program, arguments, write);
    CloseHandle(write);
    std::string written;
    char piece[4096];
    for (DWORD n = 0; process && ReadFile(read, piece, sizeof piece, &n, nullptr) && n;) {
        written.append(piece, n);
    }
    CloseHandle(read);
    return {process ? exitCode(process) : DWORD(-1), written};
}

// As on Linux: no window, nothing written beside the program, the rows and
// nothing else written, status 2 when nothing could be read, 1 and why for a
// wrong option.
TEST(Program, TheListIsPrintedForAScriptWithoutAWindow) {
    ScratchDirectory folder;
    const fs::path program = folder / "nolvetta.exe";
    fs::copy_file(besideThisProgram(NOLVETTA_PROGRAM), program);
    const fs::path store = fs::absolute(NOLVETTA_WINDOWS_MAIL_HOME) /
                           "Local/Microsoft/Windows Live Mail/Storage Folders";
    const auto [code, out] = run(program, L"--list --tsv \"" + store.wstring() + L"\"");
    EXPECT_EQ(out,
              "sender\tsubject\tcount\tlatest\tway out\treached\trecord\n"
              "Shop News\tセール s2\t1\t2026-11-09T00:00:00Z\thttps://shop.example/unsub?u=s2\t"
              "me@example.net\t\nメルマガ配信\t週刊 m2\t1\t2026-11-08T00:00:00Z\t"
              "https://mail.mag2.com/reader/D?id=0001234567&e=reader@example.com\t"
              "reader@example.com\t\n");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(run(program, L"--tsv --list gone").first, 2);
    EXPECT_EQ(run(program, L"--list --bogus"),
              std::pair(DWORD(1), std::string("Nolvetta: Unknown option 'bogus'.\n")));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    const auto [home, dataHome] = nolvetta::win32::mailHomes();
    EXPECT_EQ(home.filename().wstring() + L" " + dataHome.filename().wstring(), L"Roaming Local");
}
