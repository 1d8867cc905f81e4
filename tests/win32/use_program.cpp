// use_program PROGRAM [ADDRESS]: starts PROGRAM as the Start menu does, adds
// ADDRESS to its list as a user does (typed into the address field, then
// Enter), closes its window and exits with its exit code; 2 when one of those
// steps did not happen in time. Used by packages.sh.
#include <windows.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <string>
#include <thread>

namespace {

int failed(const char* what) {
    std::fprintf(stderr, "use_program: %s\n", what);
    return 2;
}

// Asks `done` every 50 ms for 30 s.
template <typename Done>
bool waitFor(Done done) {
    for (int i = 0; i < 600; ++i) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return failed("usage: use_program PROGRAM [ADDRESS]");
    }
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(argv[1], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return failed("the program did not start");
    }
    HWND window = nullptr;
    waitFor([&] {
        window = FindWindowW(L"Nolvetta.Form1", nullptr);
        return window != nullptr && IsWindowVisible(window);
    });
    if (window == nullptr) {
        return failed("no window");
    }
    if (argc > 2) {
        // The address field is the upper of the two combo boxes.
        HWND field = nullptr;
        LONG top = LONG_MAX;
        for (HWND combo = nullptr; (combo = FindWindowExW(window, combo, L"ComboBox", nullptr));) {
            RECT box{};
            GetWindowRect(combo, &box);
            if (box.top < top) {
                top = box.top;
                field = combo;
            }
        }
        const HWND edit = FindWindowExW(field, nullptr, L"Edit", nullptr);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]));
        PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
        PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
        // The list is filled when it is opened.
        const auto entries = [field] {
            SendMessageW(field, CB_SHOWDROPDOWN, TRUE, 0);
            const LRESULT count = SendMessageW(field, CB_GETCOUNT, 0, 0);
            SendMessageW(field, CB_SHOWDROPDOWN, FALSE, 0);
            return count;
        };
        if (!waitFor([&] { return entries() > 0; })) {
            return failed("the address was not added");
        }
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 2;
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &code)) {
        return failed("the program did not end");
    }
    return static_cast<int>(code);
}
