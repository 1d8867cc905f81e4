#include "store/safe_save.h"

#include <windows.h>

#include <algorithm>

namespace nolvetta::store {

namespace {

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
            target.parent_path() / (L"." + target.filename().wstring() + L"." +
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

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path) {
    // Attributes only, sharing everything: looking must not get in anyone's way.
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!ok) {
        return std::nullopt;
    }
    const auto join = [](DWORD high, DWORD low) {
        return static_cast<std::uint64_t>(high) << 32 | low;
    };
    return FileIdentity{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                        join(info.nFileSizeHigh, info.nFileSizeLow),
                        static_cast<std::int64_t>(join(info.ftLastWriteTime.dwHighDateTime,
                                                       info.ftLastWriteTime.dwLowDateTime)),
                        0};
}

namespace native {

std::error_code replaceFile(const std::filesystem::path& path, const Pieces& pieces) {
    std::filesystem::path temporary;
    HANDLE file = createTemporary(path, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        return {static_cast<int>(GetLastError()), std::system_category()};
    }
    DWORD failure = ERROR_SUCCESS;
    const auto fail = [&] {
        if (failure == ERROR_SUCCESS) {
            failure = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
        }
    };
    SetLastError(ERROR_SUCCESS);
    if (!pieces([file](std::string_view piece) { return writeAll(file, piece); }) ||
        !FlushFileBuffers(file)) {
        fail();
    }
    if (!CloseHandle(file)) {
        fail();
    }
    if (failure == ERROR_SUCCESS &&
        !MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        fail();
    }
    if (failure != ERROR_SUCCESS) {
        DeleteFileW(temporary.c_str());
        return {static_cast<int>(failure), std::system_category()};
    }
    return {};
}

}  // namespace native

}  // namespace nolvetta::store
