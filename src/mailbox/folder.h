#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

// What a folder holds, each entry as it is itself: a link is seen as a link,
// never as what it leads to, since following one (even reading where it
// leads) moves the link's access time on.
namespace nolvetta::mailbox {

struct FolderEntry {
    enum class Kind { File, Folder, Link, Other };
    std::filesystem::path name;
    Kind kind = Kind::Other;
    std::uintmax_t size = 0;  // of a file
};

// In no order, without "." and "..". The folder itself is reached through a
// link only when `throughLink` (a path the user named); its access time, and
// that of all it holds, stays as it was where the user owns them.
std::vector<FolderEntry> entriesOf(const std::filesystem::path& folder, bool throughLink,
                                   std::error_code& ec);

// A mail program's settings file, read as its mail is: its access time left
// alone where the user owns it (and the system lets it be). Nothing for what
// cannot be read or is no file.
std::optional<std::string> contentsOf(const std::filesystem::path& file);

}  // namespace nolvetta::mailbox
