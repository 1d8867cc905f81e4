#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <system_error>

namespace nolvetta::store {

// Writes `bytes` to a temporary file in the same directory, flushes it and
// renames it over `path`, so a failure at any step leaves the old file as it
// was. A symbolic link is followed to the regular file it leads to; nothing
// but a regular file is ever replaced, and one that already holds `bytes` is
// left as it is. Returns the cause of a failure; an
// empty code when the file was saved.
std::error_code saveFileSafely(const std::filesystem::path& path, std::string_view bytes);

// The content of a save, handed a piece at a time to `write`, so that a
// file of any size is saved in bounded memory. False when a piece could not
// be had or written (errno says why where it can).
using Write = std::function<bool(std::string_view piece)>;
using Pieces = std::function<bool(const Write& write)>;

// As above, but always writes: the content is not at hand to compare.
std::error_code saveFileSafely(const std::filesystem::path& path, const Pieces& pieces);

// Whether `file` holds exactly `bytes`, read and compared a piece at a time.
inline constexpr std::size_t ComparePieceSize = 1 << 16;
bool holds(const std::filesystem::path& file, std::string_view bytes);

// What tells one state of a file from another: which file it is, its size,
// and when it was last written (and, where the system keeps it, last changed
// in any way, which no program can set back).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t written = 0;
    std::int64_t changed = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of what `path` leads to; nothing when it cannot be looked at.
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

// Removes the temporary files that interrupted saves of `file` left beside it.
void removeSaveLeftovers(const std::filesystem::path& file);

namespace native {

// The platform's part of a safe save, into `target`, a regular file or nothing yet.
std::error_code replaceFile(const std::filesystem::path& target, const Pieces& pieces);

}  // namespace native

}  // namespace nolvetta::store
