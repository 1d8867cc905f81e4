#include "store/program_path.h"

#include <windows.h>

#include <string>

#include "store/program_path_native.h"

namespace nolvetta::store {

std::filesystem::path executablePath() {
    // Long paths do not fit MAX_PATH: grow until the name is not cut.
    std::wstring buffer(MAX_PATH, L'\0');
    while (buffer.size() <= 32768) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::filesystem::path userDataDirectory() {
    const DWORD size = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring appData(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", appData.data(), size);
    if (length == 0 || length >= size) {
        return {};
    }
    appData.resize(length);
    return std::filesystem::path(appData) / L"Nolvetta";
}

namespace native {

bool canCreateFileIn(const std::filesystem::path& directory) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path probe =
            directory / (L"nolvetta-probe." + std::to_wstring(GetCurrentProcessId()) + L"." +
                         std::to_wstring(attempt) + L".tmp");
        // Deleted by the system when closed, even if the program dies here.
        HANDLE file = CreateFileW(
            probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    return false;
}

bool isHiddenOrSystem(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

bool isReadOnly(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace native

}  // namespace nolvetta::store
