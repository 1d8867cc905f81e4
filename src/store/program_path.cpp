#include "program_path.h"

#include <algorithm>
#include <string>

#include "data_files.h"
#include "program_path_native.h"

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
    return native::canCreateFileIn(programDirectory) ? programDirectory : userDataDirectory;
}

bool isStandaloneExecutable(std::u16string_view executablePath) {
    // The path as a buffer of 256 characters, its terminator included, holds it.
    constexpr std::size_t PathLimit = 255;
    constexpr std::size_t NameLength = 8;
    const std::u16string_view path = executablePath.substr(0, PathLimit);
    std::u16string tail(path.substr(path.size() - std::min(NameLength, path.size())));
    std::transform(tail.begin(), tail.end(), tail.begin(), [](char16_t c) {
        return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
    });
    return std::find(DevelopmentHostNames.begin(), DevelopmentHostNames.end(), tail) ==
           DevelopmentHostNames.end();
}

}  // namespace nolvetta::store
