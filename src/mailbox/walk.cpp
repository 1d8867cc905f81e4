#include "mailbox/walk.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace nolvetta::mailbox {

namespace {

namespace fs = std::filesystem;

// Deeper than any mail program nests its folders.
constexpr int MaxDepth = 32;

// A mail program's own files beside the mail, by their extension.
bool isIndex(const fs::path& file) {
    static constexpr std::array<std::string_view, 8> Extensions = {
        ".msf", ".sqlite", ".db", ".json", ".xml", ".html", ".mozlz4", ".cmeta"};
    const std::string extension = file.extension().string();
    return std::find(Extensions.begin(), Extensions.end(), extension) != Extensions.end();
}

bool isMaildir(const fs::path& folder) {
    std::error_code ec;
    return fs::is_directory(folder / "cur", ec) && fs::is_directory(folder / "new", ec);
}

void walk(const fs::path& folder, int depth, const std::stop_token& stop, Walk& found) {
    std::error_code ec;
    fs::directory_iterator entries(folder, ec);
    if (ec) {
        found.unreadable.emplace_back(folder, ec);
        return;
    }
    std::vector<fs::directory_entry> sorted;
    for (; entries != fs::directory_iterator() && !ec; entries.increment(ec)) {
        sorted.push_back(*entries);
    }
    std::sort(sorted.begin(), sorted.end());
    const bool maildir = isMaildir(folder);
    for (const fs::directory_entry& entry : sorted) {
        if (stop.stop_requested()) {
            return;
        }
        const std::string name = entry.path().filename().string();
        const bool link = entry.is_symlink(ec);
        if (entry.is_directory(ec)) {
            // A Maildir's sub-folders are hidden ones (".Sent"); its tmp is
            // where a delivery is still being written.
            if (!link && depth < MaxDepth && !(maildir && name == "tmp") &&
                (!name.starts_with('.') || (maildir && name.size() > 1 && name != ".."))) {
                walk(entry.path(), depth + 1, stop, found);
            }
        } else if (entry.is_regular_file(ec) && !name.starts_with('.') && !isIndex(entry.path())) {
            const std::uintmax_t size = entry.file_size(ec);
            found.files.push_back({entry.path(), ec ? 0 : size});
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
