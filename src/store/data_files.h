#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "store/address_list.h"
#include "store/safe_save.h"

// The address file "nolvetta.dat" and the settings file "nolvetta1.dat":
// code page 932, one value per line, CR LF.
namespace nolvetta::store {

inline constexpr std::string_view AddressFileName = "nolvetta.dat";
inline constexpr std::string_view SettingsFileName = "nolvetta1.dat";

enum class FileState {
    Absent,      // nothing there
    Loaded,      // read completely
    Unreadable,  // exists but could not be read: treated as absent and never overwritten
    Damaged,     // read as far as it decodes; kept as a copy before the save replaces it
    NotAFile,    // a directory, device, pipe, socket or broken link: never replaced
    Hidden,      // a hidden or system file: treated as absent and never overwritten
};

struct FileLoad {
    FileState state = FileState::Absent;
    std::error_code code;  // why an Unreadable file could not be read
};

struct Loaded {
    AddressList entries;
    std::optional<bool> alwaysOnTop;  // nothing: keep the initial state
    std::optional<bool> oneClick;     // leaving by one request where a newsletter allows it
    FileLoad address;
    FileLoad settings;
    std::filesystem::path backup;  // where a Damaged address file will be kept
    bool folderWritable = true;    // false: the folder is there, but nothing can be saved in it
};

// Why a file was not saved; what was there is left as it was.
enum class SaveFault {
    NotReadAtStart,  // it could not be read at start, so the lists do not hold its entries
    NotAFile,        // something other than a file stands there
    CannotHoldText,  // an entry would not read back unchanged
    NoBackup,        // the copy of the damaged file could not be made
    WriteFailed,     // the safe save failed
    ReadOnly,        // the file is marked read-only: the user wants it kept as it is
};

struct SaveProblem {
    std::filesystem::path file;
    SaveFault fault;
    std::error_code code;
};

// The bytes of the regular file at `path`, or why there are none: nothing
// but a regular file, and no hidden or system file, is read.
FileLoad readDataFile(const std::filesystem::path& path, std::string& bytes);
// The same file opened in `in` to be read a piece at a time; Loaded once open.
FileLoad openDataFile(const std::filesystem::path& path, std::ifstream& in);

// The first name beside `file` that no file takes yet, for the copy of a
// damaged file: "<file>.bak", then "<file>.bak.2" and on, so that no earlier
// copy is ever replaced.
std::filesystem::path unusedBackupPath(const std::filesystem::path& file);

// "True"/"False" in any case, or a number (zero: false). Anything else,
// the empty text included, is nothing.
std::optional<bool> settingsValue(std::u16string_view field);

// The bytes of the files. Entries holding a comma are quoted so that they
// read back as one entry; nothing when an entry cannot be held by code page 932.
std::optional<std::string> formatAddressFile(const AddressList& entries);
// The second line only when one-click leaving is off: a file as it always
// was otherwise.
std::string formatSettingsFile(bool alwaysOnTop, bool oneClick = true);

// Whether the address file can hold the entry so that it reads back
// unchanged: code page 932 must hold it, and quotes, commas and line breaks
// must not change how it reads.
bool canStoreEntry(std::u16string_view entry);

class DataFiles {
public:
    explicit DataFiles(std::filesystem::path directory);

    std::filesystem::path addressFilePath() const { return directory_ / AddressFileName; }
    std::filesystem::path settingsFilePath() const { return directory_ / SettingsFileName; }

    // Reads both files, after removing what an interrupted save left behind.
    // An empty settings file, or one whose first field is no settings value,
    // gives no value; in a damaged one only a field read whole counts.
    Loaded load();

    // Writes both files safely, creating the directory when needed, and
    // replaces only what load() found safe to replace: an unreadable file or
    // something other than a file is left alone, and a damaged address file
    // is first copied to a name not yet used. The address file is not even
    // compared when `entries` are those the last load() read from it cleanly
    // and the file is still the one they were read from. One problem per file
    // not saved.
    std::vector<SaveProblem> save(const AddressList& entries, bool alwaysOnTop,
                                  bool oneClick = true);

private:
    bool unchangedSinceLoad(const AddressList& entries) const;
    std::optional<SaveProblem> saveAddresses(const AddressList& entries);
    std::error_code keepDamagedOriginal();

    std::filesystem::path directory_;
    std::filesystem::path backup_;
    FileState addressState_ = FileState::Absent;
    FileState settingsState_ = FileState::Absent;
    // What a clean load read, to know a list and a file still as they were then.
    AddressList loadedEntries_;
    std::optional<FileIdentity> loadedIdentity_;
};

}  // namespace nolvetta::store
