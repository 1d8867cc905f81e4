#include "store/program_path.h"

#include <string_view>

#include "store/data_files.h"
#include "store/program_path_native.h"

namespace nolvetta::store {

std::filesystem::path programDirectory() {
    return executablePath().parent_path();
}

std::filesystem::path chooseDataDirectory(const std::filesystem::path& programDirectory,
                                          const std::filesystem::path& userDataDirectory) {
    if (programDirectory.empty()) {
        return userDataDirectory;
    }
    // Data already beside the program stays there, even where it cannot be
    // written: moving on to another copy would hide it.
    for (const std::string_view name : {AddressFileName, SettingsFileName}) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(programDirectory / name, ec))) {
            return programDirectory;
        }
    }
    std::error_code ec;
    if (!userDataDirectory.empty() &&
        std::filesystem::exists(programDirectory / InstalledMarkerName, ec)) {
        return userDataDirectory;
    }
    return native::canCreateFileIn(programDirectory) ? programDirectory : userDataDirectory;
}

}  // namespace nolvetta::store
