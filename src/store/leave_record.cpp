#include "store/leave_record.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "store/safe_save.h"
#include "text/utf8.h"

namespace nolvetta::store {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

constexpr std::string_view Header =
    "# Nolvetta: opened (UTC)\tway\tnewsletter\tyour address\tpage or mail address\n";

constexpr std::array<std::string_view, 5> WayNames = {"page", "https", "mail", "http", "one-click"};

// What a written field never holds: C0 and C1 controls, and DEL.
bool isControl(char16_t c) {
    return c < u' ' || (c >= 0x7F && c <= 0x9F);
}

std::string field(std::u16string_view text) {
    return text::toUtf8(recordText(text));
}

// Only text that goes back to the same bytes, and no control character,
// which no entry is written with: damage shows as damage.
std::optional<std::u16string> utf8Field(std::string_view bytes) {
    if (std::any_of(bytes.begin(), bytes.end(),
                    [](char c) { return c >= 0 && isControl(char16_t(c)); })) {
        return std::nullopt;
    }
    // Most fields are ASCII, which needs no round trip: a large record reads
    // at the disk's speed.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0; })) {
        return std::u16string(bytes.begin(), bytes.end());
    }
    std::u16string text = text::fromUtf8(bytes);
    return text::toUtf8(text) == bytes && std::none_of(text.begin(), text.end(), isControl)
               ? std::optional(std::move(text))
               : std::nullopt;
}

// Each line of `in` without its "\n", handed over whole, or empty and marked
// when longer than MaxRecordLine. False when the reading failed.
bool eachLine(std::istream& in, const std::function<void(std::string_view, bool whole)>& each) {
    std::string line;
    bool tooLong = false;
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        for (std::string_view rest(piece, std::size_t(in.gcount())); !rest.empty();) {
            const std::size_t end = rest.find('\n');
            const std::string_view part = rest.substr(0, end);
            tooLong = tooLong || line.size() + part.size() > MaxRecordLine;
            if (tooLong) {
                std::string().swap(line);
            } else {
                line += part;
            }
            if (end == std::string_view::npos) {
                break;
            }
            each(line, !tooLong);
            line.clear();
            tooLong = false;
            rest.remove_prefix(end + 1);
        }
    }
    if (!line.empty() || tooLong) {
        each(line, !tooLong);
    }
    return !in.bad();
}

// Hands the bytes of `file` to `write` as they are read; `last` ends as the
// last of them, '\n' when there is none.
bool copyFile(const fs::path& file, const Write& write, char& last) {
    std::ifstream in;
    if (openDataFile(file, in).state != FileState::Loaded) {
        return false;
    }
    last = '\n';
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        const auto length = std::size_t(in.gcount());
        if (!write({piece, length})) {
            return false;
        }
        last = piece[length - 1];
    }
    errno = in.bad() ? EIO : errno;
    return !in.bad();
}

template <typename Number>
bool readNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string formatUtc(std::int64_t seconds) {
    const sys_seconds at{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(at);
    const year_month_day date(day);
    const hh_mm_ss time(at - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()));
    return text;
}

std::optional<std::int64_t> parseUtc(std::string_view text) {
    // 2026-03-01T00:15:00Z
    int y = 0;
    unsigned mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z' ||
        !readNumber(text.substr(0, 4), y) || !readNumber(text.substr(5, 2), mo) ||
        !readNumber(text.substr(8, 2), d) || !readNumber(text.substr(11, 2), h) ||
        !readNumber(text.substr(14, 2), mi) || !readNumber(text.substr(17, 2), s)) {
        return std::nullopt;
    }
    const year_month_day date{year(y), month(mo), day(d)};
    if (!date.ok() || h > 23 || mi > 59 || s > 59) {
        return std::nullopt;
    }
    return (sys_days(date) + hours(h) + minutes(mi) + seconds(s)).time_since_epoch().count();
}

std::u16string recordText(std::u16string_view text) {
    std::u16string shown(text);
    std::replace_if(shown.begin(), shown.end(), isControl, u' ');
    return shown;
}

std::string formatRecordLine(const LeaveEntry& entry) {
    std::string line = formatUtc(entry.at);
    for (const std::string& part :
         {std::string(WayNames[std::size_t(entry.way)]), field(entry.newsletter),
          field(entry.address), field(entry.opened)}) {
        line += '\t';
        line += part;
    }
    return line + '\n';
}

std::optional<LeaveEntry> parseRecordLine(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) {
            break;
        }
        start = tab + 1;
    }
    LeaveEntry entry;
    const std::optional<std::int64_t> at = fields.size() == 5 ? parseUtc(fields[0]) : std::nullopt;
    const auto way =
        std::find(WayNames.begin(), WayNames.end(), fields.size() > 1 ? fields[1] : "");
    std::optional<std::u16string> texts[3];
    for (std::size_t i = 0; i < 3 && fields.size() == 5; ++i) {
        texts[i] = utf8Field(fields[i + 2]);
    }
    if (!at || way == WayNames.end() || !texts[0] || !texts[1] || !texts[2] || texts[2]->empty()) {
        return std::nullopt;
    }
    return LeaveEntry{*at, LeaveWay(way - WayNames.begin()), std::move(*texts[0]),
                      std::move(*texts[1]), std::move(*texts[2])};
}

FileLoad readRecord(const fs::path& file, const std::function<void(LeaveEntry&&)>& each) {
    std::ifstream in;
    FileLoad load = openDataFile(file, in);
    if (load.state != FileState::Loaded) {
        return load;
    }
    bool damaged = false;
    const bool read = eachLine(in, [&](std::string_view line, bool whole) {
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (whole && (line.empty() || line.starts_with('#'))) {
            return;
        }
        std::optional<LeaveEntry> entry = whole ? parseRecordLine(line) : std::nullopt;
        damaged = damaged || !entry;
        if (entry && each) {
            each(std::move(*entry));
        }
    });
    if (!read) {
        return {FileState::Unreadable, std::make_error_code(std::errc::io_error)};
    }
    load.state = damaged ? FileState::Damaged : FileState::Loaded;
    return load;
}

LeaveRecord::LeaveRecord(fs::path directory) : directory_(std::move(directory)) {}

const FileLoad& LeaveRecord::load() {
    if (!loaded_) {
        removeSaveLeftovers(path());
        loaded_ = readRecord(path());
        if (loaded_->state == FileState::Damaged) {
            backup_ = unusedBackupPath(path());
        }
    }
    return *loaded_;
}

std::optional<SaveProblem> LeaveRecord::append(std::span<const LeaveEntry> entries) {
    const FileState state = load().state;
    unsaved_.insert(unsaved_.end(), entries.begin(), entries.end());
    if (state == FileState::Unreadable || state == FileState::Hidden) {
        return SaveProblem{path(), SaveFault::NotReadAtStart, {}};
    }
    if (state == FileState::NotAFile) {
        return SaveProblem{path(), SaveFault::NotAFile, {}};
    }
    std::error_code ec;
    fs::create_directories(directory_, ec);  // a failure shows in the save
    if (state == FileState::Damaged) {
        if (std::error_code ec; fs::exists(fs::symlink_status(backup_, ec))) {
            backup_ = unusedBackupPath(path());  // taken since the read
        }
        char last = 0;
        if (const std::error_code failure = saveFileSafely(
                backup_, [&](const Write& write) { return copyFile(path(), write, last); })) {
            return SaveProblem{path(), SaveFault::NoBackup, failure};
        }
    }
    // What reads of the old record, then the new entries.
    const auto pieces = [&](const Write& write) {
        bool written = true;
        if (state == FileState::Damaged) {
            written = write(Header);
            const FileState read = readRecord(path(), [&](LeaveEntry&& entry) {
                                       written = written && write(formatRecordLine(entry));
                                   }).state;
            written = written && (read == FileState::Loaded || read == FileState::Damaged);
        } else if (state == FileState::Loaded && fs::file_size(path(), ec) > 0 && !ec) {
            char last = '\n';
            written = copyFile(path(), write, last) && (last == '\n' || write("\n"));
        } else {
            written = write(Header);
        }
        for (const LeaveEntry& entry : unsaved_) {
            written = written && write(formatRecordLine(entry));
        }
        return written;
    };
    if (const std::error_code failure = saveFileSafely(path(), pieces)) {
        return SaveProblem{path(), SaveFault::WriteFailed, failure};
    }
    loaded_->state = FileState::Loaded;  // one copy of a damaged original is enough
    unsaved_.clear();
    return std::nullopt;
}

}  // namespace nolvetta::store
