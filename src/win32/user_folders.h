#pragma once

#include <filesystem>

namespace nolvetta::win32 {

// Where this user's mail programs keep their settings and mail, as
// mailbox::findMailStores takes them: the roaming application data folder
// (%APPDATA%) and the local one (%LOCALAPPDATA%); empty where the system
// names none.
struct MailHomes {
    std::filesystem::path home, dataHome;
};
MailHomes mailHomes();

}  // namespace nolvetta::win32
