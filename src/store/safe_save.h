#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace nolvetta::store {

// Writes `bytes` to a temporary file in the same directory, flushes it and
// renames it over `path`, so a failure at any step leaves the old file as it
// was. On failure returns false and describes the cause in `error` (UTF-8).
bool saveFileSafely(const std::filesystem::path& path, std::string_view bytes, std::string& error);

}  // namespace nolvetta::store
