#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <system_error>
#include <vector>

// The files that may hold mail under a path, whatever keeps them: an mbox
// file, a Maildir (its cur and new), an MH folder (numbered files), a folder
// of .eml files, one .eml file, or folders of any of these. What a file
// holds is its content's to say when it is read; no file is opened here.
namespace nolvetta::mailbox {

struct MailFile {
    std::filesystem::path path;
    std::uintmax_t size = 0;
};

struct Walk {
    std::vector<MailFile> files;  // in name order, folder by folder
    // Folders and files that could not be looked into.
    std::vector<std::pair<std::filesystem::path, std::error_code>> unreadable;
    bool missing = false;  // nothing at the path
    // Links met in the folders, none followed: one to a file or folder
    // inside adds nothing the walk does not find itself, one to anywhere
    // else leads out of what the user chose, maybe in a circle, and
    // following any moves the link's own access time on.
    std::size_t skippedLinks = 0;
};

// Skipped: what a mail program keeps beside its mail (its indexes and
// caches, hidden files, a Maildir's tmp, where messages are still being
// written), and every link in the folders. The path itself may be a link,
// or pass through one: the user chose it. Where the user owns a folder or
// file, its access time stays as it was.
Walk mailFilesUnder(const std::filesystem::path& root, const std::stop_token& stop = {});

}  // namespace nolvetta::mailbox
