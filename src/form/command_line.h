#pragma once

#include <filesystem>
#include <string>
#include <vector>

// What the program is asked to do as it starts, the same on every system.
namespace nolvetta::form {

struct CommandLine {
    bool list = false;  // the newsletter list, on every path given
    bool tsv = false;   // printed, without a window
    std::vector<std::filesystem::path> paths;
    // imaps:// addresses, as given (UTF-8): servers, not paths.
    std::vector<std::string> servers;
    bool passwordStdin = false;  // each server's password on a line of standard input
    // Any other option, the caller's to answer: --help, --version, or one
    // that is wrong.
    std::vector<std::filesystem::path> others;

    // Read-only and windowless: no display, no lock, no running copy involved.
    bool printsList() const { return list && tsv; }
    // The message file the window reads as it opens, if any: the first path,
    // unless the paths are the list's.
    std::filesystem::path messageFile() const {
        return list || paths.empty() ? std::filesystem::path() : paths.front();
    }
};

// The arguments after the program's name, their names as the system gave
// them (in any bytes, which no decoding may lose): --list, --tsv,
// --password-stdin, server addresses (imaps://…) and paths,
// made absolute from `folder` (the current one), as a running copy may be
// handed one. "--" ends the options; "-" alone is passed over.
CommandLine commandLineOf(const std::vector<std::filesystem::path>& arguments,
                          const std::filesystem::path& folder);

}  // namespace nolvetta::form
