#include <windows.h>

#include <memory>
#include <string>

#include "mailbox/folder.h"

namespace nolvetta::mailbox {

namespace {

namespace fs = std::filesystem;

struct CloseFind {
    void operator()(HANDLE find) const { FindClose(find); }
};
struct CloseFile {
    void operator()(HANDLE file) const { CloseHandle(file); }
};

std::error_code lastError() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

// A reparse point leads elsewhere (a symbolic link, a junction, a mount
// point) unless the system keeps a file's own data that way: in the cloud,
// deduplicated or compressed. Where the tag is not told, as from Wine, it is
// taken for a link.
FolderEntry::Kind kindOf(const WIN32_FIND_DATAW& found) {
    using enum FolderEntry::Kind;
    const DWORD tag = found.dwReserved0;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        (tag == 0 || IsReparseTagNameSurrogate(tag))) {
        return Link;
    }
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Folder
           : (found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0  ? Other
                                                                    : File;
}

HANDLE findFirst(const fs::path& pattern, WIN32_FIND_DATAW& found) {
    return FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                            nullptr, FIND_FIRST_EX_LARGE_FETCH);
}

}  // namespace

std::vector<FolderEntry> entriesOf(const fs::path& folder, bool throughLink, std::error_code& ec) {
    ec.clear();
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAW found{};
    if (!throughLink) {
        const std::unique_ptr<void, CloseFind> itself(findFirst(folder, found));
        if (itself.get() != INVALID_HANDLE_VALUE && kindOf(found) == FolderEntry::Kind::Link) {
            ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
            return entries;
        }
    }
    const HANDLE first = findFirst(folder / L"*", found);
    if (first == INVALID_HANDLE_VALUE) {
        ec = lastError();
        return entries;
    }
    const std::unique_ptr<void, CloseFind> find(first);
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        FolderEntry& entry = entries.emplace_back();
        entry.name = fs::path(name);
        entry.kind = kindOf(found);
        if (entry.kind == FolderEntry::Kind::File) {
            entry.size = (std::uintmax_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        }
    } while (FindNextFileW(first, &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        ec = lastError();
    }
    return entries;
}

// Opened to write its attributes too where the user may: the system then
// leaves the access time alone for this handle. Shared with the mail
// program, which may be writing it.
std::optional<std::string> contentsOf(const fs::path& file) {
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE opened = CreateFileW(file.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, share, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        opened = CreateFileW(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    } else {
        const FILETIME unchanged{0xFFFFFFFF, 0xFFFFFFFF};
        SetFileTime(opened, nullptr, &unchanged, nullptr);
    }
    if (opened == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const std::unique_ptr<void, CloseFile> handle(opened);
    if (GetFileType(opened) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    std::string contents;
    char piece[8192];
    DWORD length = 0;
    while (ReadFile(opened, piece, sizeof piece, &length, nullptr)) {
        if (length == 0) {
            return contents;
        }
        contents.append(piece, length);
    }
    return std::nullopt;
}

}  // namespace nolvetta::mailbox
