#pragma once

#include <array>
#include <filesystem>
#include <string_view>

// Where the program runs from, and where its data files go.
namespace nolvetta::store {

// The running executable's full path (empty if the system will not say).
std::filesystem::path executablePath();

// The directory that holds the executable.
std::filesystem::path programDirectory();

// The per-user data directory: $XDG_DATA_HOME/nolvetta (default
// ~/.local/share/nolvetta), %APPDATA%\Nolvetta on Windows. Not created here.
std::filesystem::path userDataDirectory();

// The program directory when it already holds a data file or can be written;
// otherwise the per-user data directory.
std::filesystem::path chooseDataDirectory(const std::filesystem::path& programDirectory,
                                          const std::filesystem::path& userDataDirectory);

// The path separator, then seven letters.
inline constexpr std::array<char16_t, 8> DevelopmentHostFileNameUnits = [] {
    std::array<char16_t, 8> units{};
    units[0] = static_cast<char16_t>(std::filesystem::path::preferred_separator);
    const std::u16string_view letters = u"NVTIDEX";
    for (std::size_t i = 0; i < letters.size(); ++i) {
        units[i + 1] = letters[i];
    }
    return units;
}();

// The development host's two image names, 8 upper-case characters each. The
// first has no separator, so any file name ending in it matches; the second
// begins with the path separator, so only that exact file name matches.
inline constexpr std::array<std::u16string_view, 2> DevelopmentHostNames = {
    std::u16string_view(u"NVTDHOST"),
    std::u16string_view(DevelopmentHostFileNameUnits.data(), DevelopmentHostFileNameUnits.size())};

// False when the executable's path, cut to 255 characters and upper-cased,
// ends in one of the development host's two image names.
bool isStandaloneExecutable(std::u16string_view executablePath);

}  // namespace nolvetta::store
