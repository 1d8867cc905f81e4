#pragma once

#include <filesystem>

namespace nolvetta::store::native {

// Whether a new file can really be made in `directory` by this process: a
// permission check alone would be wrong for root and for read-only mounts.
// Leaves nothing behind.
bool canCreateFileIn(const std::filesystem::path& directory);

// A file the system keeps out of sight (Windows' hidden and system files).
bool isHiddenOrSystem(const std::filesystem::path& file);

// A file its user marked as not to be changed: no write permission for
// anyone, or Windows' read-only attribute. False when there is no file.
bool isReadOnly(const std::filesystem::path& file);

}  // namespace nolvetta::store::native
