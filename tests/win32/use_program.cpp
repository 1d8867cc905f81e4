// use_program PROGRAM [ADDRESS]: starts PROGRAM as the Start menu does, types
// ADDRESS into its address field and presses Enter, closes its window, and
// exits with its exit code; 2 when it showed no window or did not end. For
// packages.sh, which looks at the lists it saved.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    std::wstring line = L"\"" + std::wstring(argc > 1 ? argv[1] : L"") + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (argc < 2 || !CreateProcessW(argv[1], line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &startup, &process)) {
        std::fputs("use_program: the program did not start\n", stderr);
        return 2;
    }
    // Waiting for input once its window is up; the messages below queue behind each other.
    WaitForInputIdle(process.hProcess, 30000);
    HWND window = nullptr;
    for (int i = 0; i < 300 && (window = FindWindowW(L"Nolvetta.Form1", nullptr)) == nullptr; ++i) {
        Sleep(100);
    }
    if (argc > 2 && window != nullptr) {
        HWND field = nullptr;  // the upper of the two combo boxes
        LONG top = LONG_MAX;
        for (HWND combo = nullptr; (combo = FindWindowExW(window, combo, L"ComboBox", nullptr));) {
            RECT box{};
            GetWindowRect(combo, &box);
            field = box.top < top ? combo : field;
            top = std::min(top, box.top);
        }
        const HWND edit = FindWindowExW(field, nullptr, L"Edit", nullptr);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]));
        PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
        PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 2;
    if (window == nullptr || WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &code)) {
        std::fputs("use_program: no window, or the program did not end\n", stderr);
        return 2;
    }
    return static_cast<int>(code);
}
