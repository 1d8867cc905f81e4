#include "mailbox/folder.h"

// The standard library's listing: the newsletter list is not offered on
// Windows yet. A link is still seen as a link, as on Linux.
namespace nolvetta::mailbox {

std::vector<FolderEntry> entriesOf(const std::filesystem::path& folder, bool throughLink,
                                   std::error_code& ec) {
    namespace fs = std::filesystem;
    std::vector<FolderEntry> entries;
    if (!throughLink && fs::is_symlink(fs::symlink_status(folder, ec))) {
        ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
        return entries;
    }
    fs::directory_iterator each(folder, ec);
    for (; !ec && each != fs::directory_iterator(); each.increment(ec)) {
        std::error_code entryError;
        const fs::file_type type = each->symlink_status(entryError).type();
        FolderEntry found{each->path().filename()};
        using enum FolderEntry::Kind;
        found.kind = type == fs::file_type::symlink     ? Link
                     : type == fs::file_type::directory ? Folder
                     : type == fs::file_type::regular   ? File
                                                        : Other;
        if (found.kind == File) {
            const std::uintmax_t size = each->file_size(entryError);
            found.size = entryError ? 0 : size;
        }
        entries.push_back(std::move(found));
    }
    return entries;
}

}  // namespace nolvetta::mailbox
