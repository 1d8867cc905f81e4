#include "store/safe_save.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string>

namespace nolvetta::store {

namespace {

namespace fs = std::filesystem;

// The temporary files of a save of `file` are named ".<file name>.<number>.tmp".
bool isLeftoverOf(const fs::path& candidate, const fs::path& file) {
    const std::string name = candidate.filename().string();
    // Built by appending: GCC 12 at -O3 misreads `"." + string` as an overlapping copy.
    std::string prefix = ".";
    prefix += file.filename().string();
    prefix += '.';
    return name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - 4, 4, ".tmp") == 0 &&
           name.find_first_not_of("0123456789", prefix.size()) == name.size() - 4;
}

// Where a save of `path` writes: the regular file it is or leads to, or
// nothing yet; else why nothing may be written there.
std::error_code saveTarget(const fs::path& path, fs::path& target) {
    std::error_code ec;
    target = path;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        target = fs::canonical(path, ec);  // fails for a broken or looping link
        if (ec) {
            return ec;
        }
    }
    const fs::file_status status = fs::status(target, ec);
    if (status.type() == fs::file_type::none) {
        return ec;
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        return std::make_error_code(fs::is_directory(status) ? std::errc::is_a_directory
                                                             : std::errc::invalid_argument);
    }
    return {};
}

}  // namespace

std::error_code saveFileSafely(const fs::path& path, std::string_view bytes) {
    fs::path target;
    if (const std::error_code ec = saveTarget(path, target)) {
        return ec;
    }
    if (holds(target, bytes)) {
        return {};  // nothing to change, nothing to wait for the disk for
    }
    return native::replaceFile(target, [bytes](const Write& write) { return write(bytes); });
}

std::error_code saveFileSafely(const fs::path& path, const Pieces& pieces) {
    fs::path target;
    if (const std::error_code ec = saveTarget(path, target)) {
        return ec;
    }
    return native::replaceFile(target, pieces);
}

bool holds(const fs::path& file, std::string_view bytes) {
    std::error_code ec;
    if (fs::file_size(file, ec) != bytes.size() || ec) {
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    std::array<char, ComparePieceSize> piece;
    while (!bytes.empty()) {
        const std::size_t length = std::min(bytes.size(), piece.size());
        if (!in.read(piece.data(), static_cast<std::streamsize>(length)) ||
            bytes.substr(0, length) != std::string_view(piece.data(), length)) {
            return false;
        }
        bytes.remove_prefix(length);
    }
    return true;
}

void removeSaveLeftovers(const fs::path& file) {
    std::error_code ec;
    const fs::path directory = file.has_parent_path() ? file.parent_path() : fs::path(".");
    for (const fs::directory_entry& entry : fs::directory_iterator(directory, ec)) {
        if (isLeftoverOf(entry.path(), file) && entry.is_regular_file(ec)) {
            fs::remove(entry.path(), ec);
        }
    }
}

}  // namespace nolvetta::store
