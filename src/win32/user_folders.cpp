#include "win32/user_folders.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

namespace nolvetta::win32 {

namespace {

// Asked of the system rather than read from the environment, which the
// program's starter may have changed.
std::filesystem::path knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path))) {
        folder = path;
    }
    CoTaskMemFree(path);
    return folder;
}

}  // namespace

MailHomes mailHomes() {
    return {knownFolder(FOLDERID_RoamingAppData), knownFolder(FOLDERID_LocalAppData)};
}

}  // namespace nolvetta::win32
