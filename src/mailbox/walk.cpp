#include "mailbox/walk.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "mailbox/folder.h"

namespace nolvetta::mailbox {

namespace {

namespace fs = std::filesystem;
using Kind = FolderEntry::Kind;

// Deeper than any mail program nests its folders.
constexpr int MaxDepth = 32;

// A mail program's own files beside the mail, by their extension.
bool isIndex(const fs::path& file) {
    static constexpr std::array<std::string_view, 8> Extensions = {
        ".msf", ".sqlite", ".db", ".json", ".xml", ".html", ".mozlz4", ".cmeta"};
    const std::string extension = file.extension().string();
    return std::find(Extensions.begin(), Extensions.end(), extension) != Extensions.end();
}

bool isHidden(const fs::path& name) {
    return name.native().starts_with('.');
}

void walk(const fs::path& folder, int depth, const std::stop_token& stop, Walk& found) {
    std::error_code ec;
    std::vector<FolderEntry> entries = entriesOf(folder, depth == 0, ec);
    if (ec) {
        found.unreadable.emplace_back(folder, ec);
        return;
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    const auto holdsFolder = [&](const char* name) {
        return std::any_of(entries.begin(), entries.end(), [&](const FolderEntry& entry) {
            return entry.kind == Kind::Folder && entry.name == name;
        });
    };
    const bool maildir = holdsFolder("cur") && holdsFolder("new");
    for (const FolderEntry& entry : entries) {
        if (stop.stop_requested()) {
            return;
        }
        if (entry.kind == Kind::Link) {
            ++found.skippedLinks;
        } else if (entry.kind == Kind::Folder) {
            // A Maildir's sub-folders are hidden ones (".Sent"); its tmp is
            // where a delivery is still being written.
            if (depth < MaxDepth && !(maildir && entry.name == "tmp") &&
                (!isHidden(entry.name) || maildir)) {
                walk(folder / entry.name, depth + 1, stop, found);
            }
        } else if (entry.kind == Kind::File && !isHidden(entry.name) && !isIndex(entry.name)) {
            found.files.push_back({folder / entry.name, entry.size});
        }
    }
}

}  // namespace

Walk mailFilesUnder(const fs::path& root, const std::stop_token& stop) {
    Walk found;
    std::error_code ec;
    const fs::file_status status = fs::status(root, ec);
    if (status.type() == fs::file_type::not_found) {
        found.missing = true;
    } else if (fs::is_directory(status)) {
        walk(root, 0, stop, found);
    } else if (ec) {
        found.unreadable.emplace_back(root, ec);
    } else {
        const std::uintmax_t size = fs::file_size(root, ec);
        found.files.push_back({root, ec ? 0 : size});  // whatever it is, the reading says
    }
    return found;
}

}  // namespace nolvetta::mailbox
