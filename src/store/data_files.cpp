#include "data_files.h"

#include <algorithm>
#include <fstream>

#include "codepage.h"
#include "field_reader.h"
#include "safe_save.h"

namespace nolvetta::store {

namespace {

enum class ReadResult { Absent, Unreadable, Read };

ReadResult readFile(const std::filesystem::path& path, std::string& bytes) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::none) {
        return ReadResult::Unreadable;  // the system could not even say what is there
    }
    if (!std::filesystem::is_regular_file(status)) {
        return ReadResult::Absent;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return ReadResult::Unreadable;
    }
    bytes.clear();
    if (const auto size = std::filesystem::file_size(path, ec); !ec) {
        bytes.reserve(static_cast<std::size_t>(size));
    }
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return in.bad() ? ReadResult::Unreadable : ReadResult::Read;
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

char16_t asciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool equalsIgnoringCase(std::u16string_view text, std::u16string_view lowerCase) {
    return text.size() == lowerCase.size() &&
           std::equal(text.begin(), text.end(), lowerCase.begin(),
                      [](char16_t a, char16_t b) { return asciiLower(a) == b; });
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// A decimal number as BASIC reads one: sign, digits, fraction, exponent
// ("E" or "D"). Nothing when the text is not entirely such a number.
std::optional<bool> readNumberIsNonZero(std::u16string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    bool anyDigit = false;
    bool nonZero = false;
    bool pointSeen = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            anyDigit = true;
            nonZero = nonZero || text[i] != u'0';
        } else if (text[i] == u'.' && !pointSeen) {
            pointSeen = true;
        } else {
            break;
        }
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    if (i < text.size() && (asciiLower(text[i]) == u'e' || asciiLower(text[i]) == u'd')) {
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            ++i;
        }
        const std::size_t exponentStart = i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
        }
        if (i == exponentStart) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    return nonZero;
}

// Copies a damaged file to `copy` before it is replaced; on failure reports
// it and the file must be left alone.
bool keepCopy(const std::filesystem::path& file, const std::filesystem::path& copy,
              std::vector<SaveProblem>& problems) {
    std::string bytes;
    std::string error;
    switch (readFile(file, bytes)) {
        case ReadResult::Absent:
            return true;
        case ReadResult::Unreadable:
            error = "ファイルを読めません";
            break;
        case ReadResult::Read:
            if (saveFileSafely(copy, bytes, error)) {
                return true;
            }
            break;
    }
    problems.push_back({file, "控えの " + copy.filename().string() +
                                  " を作れないため、上書きしていません。\n" + error});
    return false;
}

const char* const NotOverwritten = "起動時に読み込めなかったファイルなので、上書きしていません。";
const char* const NotRepresentable =
    "コードページ 932 (Shift_JIS) で表せない文字を含むアドレスがあります。";

}  // namespace

std::optional<bool> settingsValue(std::u16string_view field) {
    while (!field.empty() && isBlank(field.front())) {
        field.remove_prefix(1);
    }
    while (!field.empty() && isBlank(field.back())) {
        field.remove_suffix(1);
    }
    if (equalsIgnoringCase(field, u"true")) {
        return true;
    }
    if (equalsIgnoringCase(field, u"false")) {
        return false;
    }
    return readNumberIsNonZero(field);
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

std::filesystem::path DataFiles::addressFilePath() const {
    return directory_ / AddressFileName;
}

std::filesystem::path DataFiles::settingsFilePath() const {
    return directory_ / SettingsFileName;
}

AddressLoad DataFiles::loadAddresses() {
    AddressLoad load;
    std::string bytes;
    const ReadResult read = readFile(addressFilePath(), bytes);
    addressUnreadable_ = read == ReadResult::Unreadable;
    addressDamaged_ = false;
    if (read != ReadResult::Read) {
        load.state = addressUnreadable_ ? FileState::Unreadable : FileState::Absent;
        return load;
    }
    const DecodedText decoded = decodeCp932(bytes);
    load.entries = readFields(decoded.text);
    addressDamaged_ = !decoded.clean;
    load.state = decoded.clean ? FileState::Loaded : FileState::Damaged;
    return load;
}

SettingsLoad DataFiles::loadSettings() {
    SettingsLoad load;
    std::string bytes;
    const ReadResult read = readFile(settingsFilePath(), bytes);
    settingsUnreadable_ = read == ReadResult::Unreadable;
    if (read != ReadResult::Read) {
        load.state = settingsUnreadable_ ? FileState::Unreadable : FileState::Absent;
        return load;
    }
    const DecodedText decoded = decodeCp932(bytes);
    if (!decoded.clean) {
        load.state = FileState::Damaged;
        return load;
    }
    load.state = FileState::Loaded;
    FieldReader reader(decoded.text);
    if (!reader.atEnd()) {
        load.alwaysOnTop = settingsValue(reader.next());
    }
    return load;
}

std::vector<SaveProblem> DataFiles::save(const std::vector<std::u16string>& entries,
                                         bool alwaysOnTop) {
    std::vector<SaveProblem> problems;
    std::string error;
    if (!directory_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(directory_, ec);  // a failure shows in each file's save
    }

    const std::filesystem::path addressFile = addressFilePath();
    const std::optional<std::string> addressBytes = formatAddressFile(entries);
    if (addressUnreadable_) {
        problems.push_back({addressFile, NotOverwritten});
    } else if (!addressBytes) {
        problems.push_back({addressFile, NotRepresentable});
    } else if (!addressDamaged_ ||
               keepCopy(addressFile, directory_ / AddressBackupFileName, problems)) {
        if (saveFileSafely(addressFile, *addressBytes, error)) {
            addressDamaged_ = false;
        } else {
            problems.push_back({addressFile, error});
        }
    }

    if (settingsUnreadable_) {
        problems.push_back({settingsFilePath(), NotOverwritten});
    } else if (!saveFileSafely(settingsFilePath(), formatSettingsFile(alwaysOnTop), error)) {
        problems.push_back({settingsFilePath(), error});
    }
    return problems;
}

}  // namespace nolvetta::store
