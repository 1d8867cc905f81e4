#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The address file "nolvetta.dat" and the settings file "nolvetta1.dat":
// code page 932, one value per line, CR LF.
namespace nolvetta::store {

inline constexpr std::string_view AddressFileName = "nolvetta.dat";
inline constexpr std::string_view SettingsFileName = "nolvetta1.dat";
inline constexpr std::string_view AddressBackupFileName = "nolvetta.dat.bak";

enum class FileState {
    Absent,      // no ordinary file there
    Loaded,      // read completely
    Unreadable,  // exists but could not be read: treated as absent and never overwritten
    Damaged,     // read as far as it decodes; backed up before the first save replaces it
};

struct AddressLoad {
    std::vector<std::u16string> entries;
    FileState state = FileState::Absent;
};

struct SettingsLoad {
    std::optional<bool> alwaysOnTop;  // nothing: keep the initial state
    FileState state = FileState::Absent;
};

// "True"/"False" in any case, or a number (zero: false). Anything else,
// the empty text included, is nothing.
std::optional<bool> settingsValue(std::u16string_view field);

// The bytes of the files. Entries holding a comma are quoted so that they
// read back as one entry; nothing when an entry cannot be held by code page 932.
std::optional<std::string> formatAddressFile(const std::vector<std::u16string>& entries);
std::string formatSettingsFile(bool alwaysOnTop);

struct SaveProblem {
    std::filesystem::path file;
    std::string reason;  // UTF-8
};

class DataFiles {
public:
    explicit DataFiles(std::filesystem::path directory);

    std::filesystem::path addressFilePath() const;
    std::filesystem::path settingsFilePath() const;

    AddressLoad loadAddresses();
    // An empty settings file, or one whose first field is no settings value,
    // is Loaded without a value; one that does not decode cleanly is Damaged
    // without a value (it holds nothing worth a copy and is rewritten at save).
    SettingsLoad loadSettings();

    // Writes both files safely, creating the directory when needed. A file
    // that was found unreadable at load is left alone and reported here, and a
    // damaged address file is copied to AddressBackupFileName before it is
    // first replaced. Returns what failed, one problem per file.
    std::vector<SaveProblem> save(const std::vector<std::u16string>& entries, bool alwaysOnTop);

private:
    std::filesystem::path directory_;
    bool addressUnreadable_ = false;
    bool settingsUnreadable_ = false;
    bool addressDamaged_ = false;
};

}  // namespace nolvetta::store
