#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace nolvetta::message {
class Reader;
}

namespace nolvetta::form {

// The newsletter list printed for a script, without a window: the rows of
// the mail under `sources` (every mail program's store found under `home`
// and `dataHome` when none is given), then of the `servers` (imaps://
// addresses), as mailbox::tsvOf writes them to `out`. Each server's password
// is a line of `passwords` when given, else the one the desktop's secret
// store keeps. The user's addresses and the record are read from `dataDirectory`
// and nothing there is changed. Returns the exit status: 0, or 2 when
// nothing could be read or a server could not be read in full, which
// standard error explains.
int printNewsletterList(const std::vector<std::filesystem::path>& sources,
                        const std::vector<std::string>& servers, std::FILE* passwords,
                        const std::filesystem::path& dataDirectory,
                        const std::filesystem::path& home, const std::filesystem::path& dataHome,
                        message::Reader& reader, std::FILE* out);

}  // namespace nolvetta::form
