#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/data_files.h"

// The record of every page and mail program opened to leave a newsletter,
// kept in the data folder so that a later look at the mail can tell who
// went on sending. UTF-8, one line per opening, fields split by tabs:
//
//   2026-03-01T00:15:00Z <TAB> page <TAB> mag2:0001234567 <TAB> a@example.jp <TAB> https://…
//
// when it was opened (UTC), the way (page: a delivery service's own page;
// https, http: the newsletter's page; mail: a mail to it), the newsletter
// (a service and its ID, "list:" and its List-Id, or "from:" and its
// sender), the user's address it was for (empty when unknown) and what was
// opened. Lines that begin with "#" are remarks.
namespace nolvetta::store {

inline constexpr std::string_view RecordFileName = "nolvetta-record.txt";

enum class LeaveWay { Page, Https, Mail, Http };

struct LeaveEntry {
    std::int64_t at = 0;  // seconds since 1970, UTC
    LeaveWay way = LeaveWay::Page;
    std::u16string newsletter;
    std::u16string address;
    std::u16string opened;

    bool operator==(const LeaveEntry&) const = default;
};

// "2026-03-01T00:15:00Z", and back; nothing for any other text.
std::string formatUtc(std::int64_t seconds);
std::optional<std::int64_t> parseUtc(std::string_view text);

// One line of the record with its line end; a tab or line break inside a
// field becomes a blank, so that every entry reads back as one line.
std::string formatRecordLine(const LeaveEntry& entry);
// Nothing for a line that is no entry.
std::optional<LeaveEntry> parseRecordLine(std::string_view line);

// The record file in a data folder, read when first needed and saved as
// the data files are: to a new file that then replaces the old one. What
// cannot be read is never replaced; a damaged record is kept as a copy
// before the first save replaces it.
class LeaveRecord {
public:
    explicit LeaveRecord(std::filesystem::path directory);

    std::filesystem::path path() const { return directory_ / RecordFileName; }
    // Reads the record the first time; then says what that read found.
    const FileLoad& load();
    // Where a damaged record will be kept.
    const std::filesystem::path& backup() const { return backup_; }
    // What was read and added, in the record's order.
    const std::vector<LeaveEntry>& entries() { return load(), entries_; }

    // Adds the entries and saves the record; what stopped the save. An entry
    // not saved stays, and goes with the next save.
    std::optional<SaveProblem> append(std::span<const LeaveEntry> entries);

private:
    std::filesystem::path directory_;
    std::filesystem::path backup_;
    std::optional<FileLoad> loaded_;
    std::string bytes_;     // the file as it is to be saved
    std::string original_;  // a damaged file's bytes, until they are kept
    std::vector<LeaveEntry> entries_;
};

}  // namespace nolvetta::store
