#pragma once

#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <system_error>
#include <vector>

// The files that may hold mail under a path, whatever keeps them: an mbox
// file, a Maildir (its cur and new), an MH folder (numbered files), a folder
// of .eml files, one .eml file, or folders of any of these. What a file
// holds is its content's to say when it is read; nothing is opened here.
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
};

// Skipped: what a mail program keeps beside its mail (its indexes and
// caches, hidden files, a Maildir's tmp, where messages are still being
// written), and folders reached through a link, which may lead in a circle.
Walk mailFilesUnder(const std::filesystem::path& root, const std::stop_token& stop = {});

}  // namespace nolvetta::mailbox
