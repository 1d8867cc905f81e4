#include "store/program_path.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "store/data_files.h"
#include "store/program_path_native.h"
#include "text/ascii.h"
#include "text/utf8.h"

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

bool isStandaloneExecutable(std::u16string_view executablePath) {
    // The first name has no separator, so any file name ending in it matches;
    // the second begins with one, so only that exact file name does.
    constexpr std::u16string_view HostNames[] = {u"NVTDHOST", u"/NVTIDEX", u"\\NVTIDEX"};
    // A buffer of 256 characters, its terminator included, holds the path.
    const std::u16string_view path = executablePath.substr(0, 255);
    return std::none_of(std::begin(HostNames), std::end(HostNames), [&](std::u16string_view name) {
        return path.size() >= name.size() &&
               text::equalsIgnoringAsciiCase(path.substr(path.size() - name.size()), name);
    });
}

bool IsStandalone() {
    return isStandaloneExecutable(text::pathText(executablePath()));
}

}  // namespace nolvetta::store
