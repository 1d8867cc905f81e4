#include "store/data_files.h"

#include <cerrno>
#include <fstream>

#include "store/codepage.h"
#include "store/field_reader.h"
#include "store/safe_save.h"
#include "text/ascii.h"
#include "text/number.h"

namespace nolvetta::store {

namespace {

// The bytes of an ordinary file, or why there are none.
FileLoad readFile(const std::filesystem::path& path, std::string& bytes) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::none) {
        return {FileState::Unreadable, ec};  // the system could not even say what is there
    }
    if (!std::filesystem::is_regular_file(status)) {
        return {FileState::Absent, {}};
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {FileState::Unreadable, {errno != 0 ? errno : EIO, std::generic_category()}};
    }
    bytes.clear();
    if (const auto size = std::filesystem::file_size(path, ec); !ec) {
        bytes.reserve(static_cast<std::size_t>(size));
    }
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return {FileState::Unreadable, std::make_error_code(std::errc::io_error)};
    }
    return {FileState::Loaded, {}};
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

}  // namespace

std::optional<bool> settingsValue(std::u16string_view field) {
    while (!field.empty() && isBlank(field.front())) {
        field.remove_prefix(1);
    }
    while (!field.empty() && isBlank(field.back())) {
        field.remove_suffix(1);
    }
    if (text::equalsIgnoringAsciiCase(field, u"true")) {
        return true;
    }
    if (text::equalsIgnoringAsciiCase(field, u"false")) {
        return false;
    }
    const text::NumberReading number = text::readNumber(field);
    if (!number.wholeText) {
        return std::nullopt;
    }
    return number.value != 0;
}

std::optional<std::string> formatAddressFile(const std::vector<std::u16string>& entries) {
    std::size_t length = 0;
    for (const std::u16string& entry : entries) {
        length += entry.size() + 4;
    }
    std::u16string text;
    text.reserve(length);
    for (const std::u16string& entry : entries) {
        const bool quoted = entry.find(u',') != std::u16string::npos;
        if (quoted) {
            text += u'"';
        }
        text += entry;
        if (quoted) {
            text += u'"';
        }
        text += u"\r\n";
    }
    return encodeCp932(text);
}

std::string formatSettingsFile(bool alwaysOnTop) {
    return alwaysOnTop ? "True\r\n" : "False\r\n";
}

DataFiles::DataFiles(std::filesystem::path directory) : directory_(std::move(directory)) {}

Loaded DataFiles::load() {
    Loaded loaded;
    std::string bytes;
    loaded.address = readFile(addressFilePath(), bytes);
    if (loaded.address.state == FileState::Loaded) {
        const DecodedText decoded = decodeCp932(bytes);
        loaded.entries = readFields(decoded.text);
        if (!decoded.clean) {
            loaded.address.state = FileState::Damaged;
        }
    }
    loaded.settings = readFile(settingsFilePath(), bytes);
    if (loaded.settings.state == FileState::Loaded) {
        const DecodedText decoded = decodeCp932(bytes);
        FieldReader reader(decoded.text);
        if (!decoded.clean) {
            loaded.settings.state = FileState::Damaged;
        } else if (!reader.atEnd()) {
            loaded.alwaysOnTop = settingsValue(reader.next());
        }
    }
    addressState_ = loaded.address.state;
    settingsState_ = loaded.settings.state;
    return loaded;
}

std::vector<SaveProblem> DataFiles::save(const std::vector<std::u16string>& entries,
                                         bool alwaysOnTop) {
    std::vector<SaveProblem> problems;
    if (!directory_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(directory_, ec);  // a failure shows in each file's save
    }

    const std::filesystem::path addressFile = addressFilePath();
    const std::optional<std::string> addressBytes = formatAddressFile(entries);
    if (addressState_ == FileState::Unreadable) {
        problems.push_back({addressFile, SaveFault::NotReadAtStart, {}});
    } else if (!addressBytes) {
        problems.push_back({addressFile, SaveFault::CannotHoldText, {}});
    } else {
        std::error_code failure;
        if (addressState_ == FileState::Damaged) {
            std::string damaged;
            const FileLoad original = readFile(addressFile, damaged);
            failure = original.state == FileState::Loaded
                          ? saveFileSafely(backupFilePath(), damaged)
                          : original.code;
            if (failure) {
                problems.push_back({addressFile, SaveFault::NoBackup, failure});
            }
        }
        if (!failure) {
            failure = saveFileSafely(addressFile, *addressBytes);
            if (failure) {
                problems.push_back({addressFile, SaveFault::WriteFailed, failure});
            } else {
                addressState_ = FileState::Loaded;  // the copy is made once, of the original
            }
        }
    }

    if (settingsState_ == FileState::Unreadable) {
        problems.push_back({settingsFilePath(), SaveFault::NotReadAtStart, {}});
    } else if (const std::error_code failure =
                   saveFileSafely(settingsFilePath(), formatSettingsFile(alwaysOnTop))) {
        problems.push_back({settingsFilePath(), SaveFault::WriteFailed, failure});
    }
    return problems;
}

}  // namespace nolvetta::store
