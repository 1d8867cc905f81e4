#pragma once

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

// Left beside the program by its Windows installer. An installed program's
// folder is the installer's to remove, so the lists then go to the per-user
// data directory, even where that folder can be written.
inline constexpr std::string_view InstalledMarkerName = "nolvetta.installed";

// The program directory when it already holds a data file, or can be written
// and was not installed; otherwise the per-user data directory.
std::filesystem::path chooseDataDirectory(const std::filesystem::path& programDirectory,
                                          const std::filesystem::path& userDataDirectory);

}  // namespace nolvetta::store
