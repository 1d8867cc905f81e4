#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
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
// https, http: the newsletter's page; mail: a mail to it; one-click: the
// request its page would send, sent by the program), the newsletter
// (a service and its ID, "list:" and its List-Id, or "from:" and its
// sender), the user's address it was for (empty when unknown) and what was
// opened. Lines that begin with "#" are remarks.
namespace nolvetta::store {

inline constexpr std::string_view RecordFileName = "nolvetta-record.txt";

enum class LeaveWay { Page, Https, Mail, Http, OneClick };

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

// A field as the record holds it: control characters (a tab or a line
// break would split the entry) become blanks.
std::u16string recordText(std::u16string_view text);

// One line of the record with its line end, each field as recordText makes it.
std::string formatRecordLine(const LeaveEntry& entry);
// Nothing for a line that is no entry.
std::optional<LeaveEntry> parseRecordLine(std::string_view line);

// Longer than any line written: a longer one is damage, and reading stops
// holding it there.
inline constexpr std::size_t MaxRecordLine = 1u << 20;

// Reads the record at `file` a piece at a time, handing each entry to
// `each` (when given) in the file's order: memory stays bounded whatever
// the file's size. Damaged when some line is no entry.
FileLoad readRecord(const std::filesystem::path& file,
                    const std::function<void(LeaveEntry&&)>& each = {});

// The record file in a data folder, looked at when first needed and saved
// as the data files are: to a new file that then replaces the old one. What
// cannot be read is never replaced; a damaged record is kept as a copy
// before the first save replaces it. Nothing of it is held in memory but
// what could not be saved yet.
class LeaveRecord {
public:
    explicit LeaveRecord(std::filesystem::path directory);

    std::filesystem::path path() const { return directory_ / RecordFileName; }
    // Reads the record through the first time; then says what that read found.
    const FileLoad& load();
    // Where a damaged record will be kept.
    const std::filesystem::path& backup() const { return backup_; }

    // Adds the entries and saves the record; what stopped the save. An entry
    // not saved stays, and goes with the next save.
    std::optional<SaveProblem> append(std::span<const LeaveEntry> entries);

private:
    std::filesystem::path directory_;
    std::filesystem::path backup_;
    std::optional<FileLoad> loaded_;
    std::vector<LeaveEntry> unsaved_;
};

}  // namespace nolvetta::store
