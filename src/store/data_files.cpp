#include "store/data_files.h"

#include <cerrno>
#include <fstream>

#include "store/codepage.h"
#include "store/field_reader.h"
#include "store/program_path_native.h"
#include "text/ascii.h"
#include "text/number.h"

namespace nolvetta::store {

namespace {

namespace fs = std::filesystem;

}  // namespace

FileLoad openDataFile(const fs::path& path, std::ifstream& in) {
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(path, ec);
    if (link.type() == fs::file_type::not_found) {
        return {FileState::Absent, {}};
    }
    if (link.type() == fs::file_type::none) {
        return {FileState::Unreadable, ec};  // the system could not even say what is there
    }
    // Through a link, what it leads to; a broken or looping link leads nowhere.
    if (!fs::is_regular_file(fs::status(path, ec))) {
        return {FileState::NotAFile, {}};
    }
    if (native::isHiddenOrSystem(path)) {
        return {FileState::Hidden, {}};
    }
    errno = 0;
    in.open(path, std::ios::binary);
    if (!in) {
        return {FileState::Unreadable, {errno != 0 ? errno : EIO, std::generic_category()}};
    }
    return {FileState::Loaded, {}};
}

FileLoad readDataFile(const fs::path& path, std::string& bytes) {
    std::ifstream in;
    if (const FileLoad opened = openDataFile(path, in); opened.state != FileState::Loaded) {
        return opened;
    }
    std::error_code ec;
    bytes.clear();
    if (const auto size = fs::file_size(path, ec); !ec) {
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

namespace {

// Why a file found so at start is left as it is.
std::optional<SaveFault> leftAlone(FileState state) {
    if (state == FileState::Unreadable || state == FileState::Hidden) {
        return SaveFault::NotReadAtStart;
    }
    if (state == FileState::NotAFile) {
        return SaveFault::NotAFile;
    }
    return std::nullopt;
}

// One line of the address file. No byte of a two-byte character is a comma,
// so a comma among the bytes is one in the entry.
bool appendEntry(Cp932Encoder& encoder, std::u16string_view entry, std::string& out) {
    const std::size_t start = out.size();
    if (!encoder.append(entry, out)) {
        return false;
    }
    if (out.find(',', start) != std::string::npos) {
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(start), '"');
        out += '"';
    }
    out += "\r\n";
    return true;
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

std::optional<std::string> formatAddressFile(const AddressList& entries) {
    std::size_t length = 0;
    for (const std::u16string_view entry : entries) {
        length += entry.size() + 4;  // room for quotes or for a few two-byte characters
    }
    std::string bytes;
    bytes.reserve(length);
    Cp932Encoder encoder;
    for (const std::u16string_view entry : entries) {
        if (!appendEntry(encoder, entry, bytes)) {
            return std::nullopt;
        }
    }
    return bytes;
}

std::string formatSettingsFile(bool alwaysOnTop, bool oneClick) {
    return std::string(alwaysOnTop ? "True\r\n" : "False\r\n") + (oneClick ? "" : "False\r\n");
}

bool canStoreEntry(std::u16string_view entry) {
    Cp932Encoder encoder;
    std::string bytes;
    if (!appendEntry(encoder, entry, bytes)) {
        return false;
    }
    const DecodedText decoded = decodeCp932(bytes);
    FieldReader reader(decoded.text);
    return reader.next() == entry && reader.atEnd();
}

DataFiles::DataFiles(std::filesystem::path directory) : directory_(std::move(directory)) {}

fs::path unusedBackupPath(const fs::path& file) {
    fs::path backup = file;
    backup += ".bak";
    std::error_code ec;
    for (int n = 2; fs::exists(fs::symlink_status(backup, ec)); ++n) {
        backup = file;
        backup += ".bak." + std::to_string(n);
    }
    return backup;
}

Loaded DataFiles::load() {
    removeSaveLeftovers(addressFilePath());
    removeSaveLeftovers(settingsFilePath());
    Loaded loaded;
    loadedEntries_ = {};
    loadedIdentity_.reset();
    // Looked at before the read: a file replaced in between then only costs a save.
    const std::optional<FileIdentity> identity = fileIdentity(addressFilePath());
    std::string bytes;
    loaded.address = readDataFile(addressFilePath(), bytes);
    if (loaded.address.state == FileState::Loaded) {
        DecodedText decoded = decodeCp932(bytes);
        std::string().swap(bytes);  // the bytes are not kept beside their text
        loaded.entries = AddressList::fromText(std::move(decoded.text));
        if (decoded.clean) {
            loadedEntries_ = loaded.entries;
            loadedIdentity_ = identity;
        } else {
            loaded.address.state = FileState::Damaged;
            loaded.backup = unusedBackupPath(addressFilePath());
        }
    }
    loaded.settings = readDataFile(settingsFilePath(), bytes);
    if (loaded.settings.state == FileState::Loaded) {
        DecodedText decoded = decodeCp932(bytes);
        if (!decoded.clean) {
            // Only a value read whole, before the damage, counts.
            decoded.text.resize(decoded.text.find_last_of(u"\r\n") + 1);
            loaded.settings.state = FileState::Damaged;
        }
        if (FieldReader reader(decoded.text); !reader.atEnd()) {
            loaded.alwaysOnTop = settingsValue(reader.next());
            if (!reader.atEnd()) {
                loaded.oneClick = settingsValue(reader.next());
            }
        }
    }
    addressState_ = loaded.address.state;
    settingsState_ = loaded.settings.state;
    backup_ = loaded.backup;
    std::error_code ec;
    loaded.folderWritable =
        !fs::is_directory(directory_, ec) || native::canCreateFileIn(directory_);
    return loaded;
}

std::vector<SaveProblem> DataFiles::save(const AddressList& entries, bool alwaysOnTop,
                                         bool oneClick) {
    std::vector<SaveProblem> problems;
    if (!directory_.empty()) {
        std::error_code ec;
        fs::create_directories(directory_, ec);  // a failure shows in each file's save
    }
    if (const std::optional<SaveFault> fault = leftAlone(addressState_)) {
        problems.push_back({addressFilePath(), *fault, {}});
    } else if (std::optional<SaveProblem> problem = saveAddresses(entries)) {
        problems.push_back(*problem);
    }
    const std::string settings = formatSettingsFile(alwaysOnTop, oneClick);
    if (const std::optional<SaveFault> fault = leftAlone(settingsState_)) {
        problems.push_back({settingsFilePath(), *fault, {}});
    } else if (native::isReadOnly(settingsFilePath())) {
        if (!holds(settingsFilePath(), settings)) {
            problems.push_back({settingsFilePath(), SaveFault::ReadOnly, {}});
        }
    } else if (const std::error_code failure = saveFileSafely(settingsFilePath(), settings)) {
        problems.push_back({settingsFilePath(), SaveFault::WriteFailed, failure});
    }
    return problems;
}

bool DataFiles::unchangedSinceLoad(const AddressList& entries) const {
    return loadedIdentity_ && entries == loadedEntries_ &&
           fileIdentity(addressFilePath()) == loadedIdentity_;
}

std::optional<SaveProblem> DataFiles::saveAddresses(const AddressList& entries) {
    if (unchangedSinceLoad(entries)) {
        return std::nullopt;
    }
    const fs::path file = addressFilePath();
    const std::optional<std::string> bytes = formatAddressFile(entries);
    if (!bytes) {
        return SaveProblem{file, SaveFault::CannotHoldText, {}};
    }
    // A save replaces the file whatever its mode: the mode is looked at here.
    if (native::isReadOnly(file)) {
        return holds(file, *bytes) ? std::nullopt
                                   : std::optional(SaveProblem{file, SaveFault::ReadOnly, {}});
    }
    if (addressState_ == FileState::Damaged) {
        if (const std::error_code failure = keepDamagedOriginal()) {
            return SaveProblem{file, SaveFault::NoBackup, failure};
        }
        addressState_ = FileState::Loaded;  // one copy, of the original
    }
    if (const std::error_code failure = saveFileSafely(file, *bytes)) {
        return SaveProblem{file, SaveFault::WriteFailed, failure};
    }
    return std::nullopt;
}

std::error_code DataFiles::keepDamagedOriginal() {
    std::string damaged;
    const FileLoad original = readDataFile(addressFilePath(), damaged);
    if (original.state != FileState::Loaded) {
        return original.code;  // gone since the start: nothing to keep
    }
    if (std::error_code ec; fs::exists(fs::symlink_status(backup_, ec))) {
        backup_ = unusedBackupPath(addressFilePath());  // taken since the start
    }
    return saveFileSafely(backup_, damaged);
}

}  // namespace nolvetta::store
