#include "win32/single_instance.h"

// After windows.h, which it needs.
#include <sddl.h>

#include <cstdint>
#include <cwchar>
#include <vector>

namespace nolvetta::win32 {

namespace {

constexpr ULONG_PTR HandOverTag = 0x4E4F4C56;  // "NOLV"

// The user's security identifier: a user's name can change or be reused.
std::wstring userSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    std::wstring sid;
    wchar_t* text = nullptr;
    if (size != 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

// The directory as one name whichever way it was written: absolute, without
// "..", and in one letter case, as Windows' file names ignore it.
std::wstring directoryName(const std::filesystem::path& directory) {
    std::error_code error;
    std::wstring name = std::filesystem::weakly_canonical(directory, error).wstring();
    if (error) {
        name = std::filesystem::absolute(directory, error).wstring();
    }
    while (name.size() > 3 && (name.back() == L'\\' || name.back() == L'/')) {
        name.pop_back();
    }
    const int length = static_cast<int>(name.size());
    std::wstring upper(name.size(), L'\0');
    return LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.c_str(), length, upper.data(),
                         length, nullptr, nullptr, 0) == length
               ? upper
               : name;
}

// A mutex's name is short: the key goes into it as a hash (64-bit FNV-1a).
std::wstring mutexName(std::wstring_view key) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const wchar_t unit : key) {
        hash = (hash ^ unit) * 0x100000001b3;
    }
    wchar_t hex[17] = {};
    std::swprintf(hex, 17, L"%016llx", static_cast<unsigned long long>(hash));
    return std::wstring(L"Local\\Nolvetta-") + hex;
}

}  // namespace

SingleInstance::SingleInstance(const std::filesystem::path& dataDirectory)
    : key_(userSid() + L'\n' + directoryName(dataDirectory)) {
    mutex_ = CreateMutexW(nullptr, FALSE, mutexName(key_).c_str());
    anotherIsRunning_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

// The running copy may still be starting, with CJK fonts on a slow disk, or
// be busy: it is given half a minute to open its window and answer.
bool SingleInstance::bringAnotherToFront(const std::filesystem::path& file) const {
    std::wstring message = key_ + L'\0' + file.wstring();
    COPYDATASTRUCT data{HandOverTag, static_cast<DWORD>(message.size() * sizeof(wchar_t)),
                        message.data()};
    const ULONGLONG deadline = GetTickCount64() + 30'000;
    do {
        for (HWND window = nullptr;
             (window = FindWindowExW(nullptr, window, WindowClass, nullptr)) != nullptr;) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            AllowSetForegroundWindow(process);  // so that it may come to the front
            DWORD_PTR answer = FALSE;
            if (SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                    SMTO_ABORTIFHUNG, 2000, &answer) != 0 &&
                answer == TRUE) {
                return true;
            }
        }
        Sleep(100);
    } while (GetTickCount64() < deadline);
    return false;
}

std::optional<std::filesystem::path> handedOver(const COPYDATASTRUCT& data, std::wstring_view key) {
    if (data.dwData != HandOverTag || data.lpData == nullptr ||
        data.cbData % sizeof(wchar_t) != 0) {
        return std::nullopt;
    }
    const std::wstring_view message(static_cast<const wchar_t*>(data.lpData),
                                    data.cbData / sizeof(wchar_t));
    if (key.empty() || message.size() <= key.size() || message.substr(0, key.size()) != key ||
        message[key.size()] != L'\0') {
        return std::nullopt;
    }
    const std::wstring_view file = message.substr(key.size() + 1);
    return std::filesystem::path(file.substr(0, file.find(L'\0')));
}

}  // namespace nolvetta::win32
