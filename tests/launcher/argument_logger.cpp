// A browser for the Windows launcher's tests: appends to the file that
// NOLVETTA_ARGUMENTS names its arguments as CommandLineToArgvW splits its
// command line, each ended by a NUL, then one more NUL.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

int main() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    wchar_t log[MAX_PATH] = {};
    FILE* out =
        GetEnvironmentVariableW(L"NOLVETTA_ARGUMENTS", log, MAX_PATH) != 0 && argv != nullptr
            ? _wfopen(log, L"ab")
            : nullptr;
    for (int i = 1; out != nullptr && i < count; ++i) {
        std::fwrite(argv[i], sizeof(wchar_t), std::wcslen(argv[i]) + 1, out);
    }
    return out != nullptr && std::fwrite(L"", sizeof(wchar_t), 1, out) == 1 && std::fclose(out) == 0
               ? 0
               : 1;
}
