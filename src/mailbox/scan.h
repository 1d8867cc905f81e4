#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "mailbox/imap.h"
#include "mailbox/newsletters.h"

namespace nolvetta::message {
class Reader;
}

// One reading of the user's mail into newsletters, whoever shows them: the
// list's window or a script.
namespace nolvetta::mailbox {

// A server's folders, as the user has let them be read.
struct ServerSource {
    ImapPlace place;
    std::string password;
    ImapMemory* memory;  // the caller's, kept from one scan to the next
};

struct ServerReport {
    ImapPlace place;
    ImapReport report;
};

struct ScanReport {
    std::size_t messages = 0;
    std::size_t files = 0;       // mail files found
    std::size_t unreadable = 0;  // files and folders that could not be read
    std::size_t tooLarge = 0;    // messages over the limit, left unread
    std::size_t skippedLinks = 0;
    std::vector<std::filesystem::path> missing;
    bool unavailable = false;  // no message reader on this system
    bool cancelled = false;
    std::vector<ServerReport> servers;  // one for each server read
};

struct Scan {
    std::vector<Newsletter> rows;
    ScanReport report;
};

// Bytes read of all there is to read, now and then.
using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Reads the mail under the paths, read-only, and groups it; `userAddresses`
// are the user's own. Stops early on request. Meant for a worker thread.
Scan scanMail(const std::vector<std::filesystem::path>& paths,
              std::span<const std::u16string_view> userAddresses, message::Reader& reader,
              const std::stop_token& stop, const Progress& progress);
// The same, then the servers: progress goes from the start for each.
Scan scanMail(const std::vector<std::filesystem::path>& paths,
              const std::vector<ServerSource>& servers,
              std::span<const std::u16string_view> userAddresses, message::Reader& reader,
              const std::stop_token& stop, const Progress& progress);

// The rows as a script reads them, UTF-8: a header line, then one line per
// row, tab-separated: sender, latest subject, count, latest date (UTC, ISO
// 8601), what leaving it opens, the address it reached, and the record's
// word on it ("left" or "still-coming" and when it was left). Tabs and line
// breaks inside a field become blanks.
std::string tsvOf(std::span<const Newsletter> rows);

}  // namespace nolvetta::mailbox
