#include <windows.h>

#include <algorithm>

#include "safe_save.h"

namespace nolvetta::store {

namespace {

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                        length, nullptr, nullptr);
    return bytes;
}

std::string describe(const char* step, DWORD error) {
    wchar_t* message = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = message != nullptr ? message : L"";
    LocalFree(message);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = L"Windows error " + std::to_wstring(error);
    }
    return std::string(step) + ": " + toUtf8(text);
}

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// Beside the target; CREATE_NEW, so an existing file is never taken over.
HANDLE createTemporary(const std::filesystem::path& target, std::filesystem::path& temporary) {
    const unsigned long long seed =
        GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 32);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary =
            target.parent_path() / (target.filename().wstring() + L"." +
                                    std::to_wstring((seed + attempt) % 100000000) + L".tmp");
        HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool saveFileSafely(const std::filesystem::path& path, std::string_view bytes, std::string& error) {
    std::filesystem::path temporary;
    HANDLE file = createTemporary(path, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        error = describe("一時ファイルを作成できません", GetLastError());
        return false;
    }
    const char* failedStep = nullptr;
    DWORD failure = 0;
    const auto fail = [&](const char* step) {
        if (failedStep == nullptr) {
            failedStep = step;
            failure = GetLastError();
        }
    };
    if (!writeAll(file, bytes)) {
        fail("書き込めません");
    } else if (!FlushFileBuffers(file)) {
        fail("ディスクに書き出せません");
    }
    if (!CloseHandle(file)) {
        fail("書き込みを完了できません");
    }
    if (failedStep == nullptr && !MoveFileExW(temporary.c_str(), path.c_str(),
                                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        fail("元のファイルを置き換えられません");
    }
    if (failedStep != nullptr) {
        DeleteFileW(temporary.c_str());
        error = describe(failedStep, failure);
        return false;
    }
    return true;
}

}  // namespace nolvetta::store
