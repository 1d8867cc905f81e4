#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace nolvetta::store {

// Writes `bytes` to a temporary file in the same directory, flushes it and
// renames it over `path`, so a failure at any step leaves the old file as it
// was. Through a symbolic link, the file it points at is replaced. Returns
// the cause of a failure; an empty code when the file was saved.
std::error_code saveFileSafely(const std::filesystem::path& path, std::string_view bytes);

}  // namespace nolvetta::store
