#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Where the mail programs of a desktop keep the user's mail on disk.
namespace nolvetta::mailbox {

struct MailStore {
    std::u16string program;  // "Thunderbird", "Claws Mail", "Windows Live Mail", …
    std::u16string name;     // which of the program's stores: a profile's folder, a mailbox
    std::filesystem::path path;
};

// The stores found in a user's folders. On Linux `home` is the home folder
// and `dataHome` ~/.local/share: each Thunderbird profile's local and
// offline folders (through profiles.ini, for Thunderbird as a Snap and a
// Flatpak too), the MH mailboxes of Claws Mail and Sylpheed (through their
// folder lists, else ~/Mail), and Evolution's local Maildir. On Windows
// `home` is the roaming application data folder (%APPDATA%) and `dataHome`
// the local one (%LOCALAPPDATA%): each Thunderbird profile's folders as on
// Linux, then each folder of Windows Live Mail's and Windows Mail's stores
// (folders of .eml files), their backups aside. Each path once, in that
// order. No folder reached through a link (or junction) in a profile or
// store is offered, no byte is changed, and no access time changes where
// the user owns the file and the system allows it.
std::vector<MailStore> findMailStores(const std::filesystem::path& home,
                                      const std::filesystem::path& dataHome);

// A profile named in Thunderbird's profiles.ini.
struct ThunderbirdProfile {
    std::u16string name;  // its Name, else its Path as written
    std::filesystem::path folder;
};

// The [Profile…] groups of a profiles.ini (UTF-8, any line ends) that have
// a Path, in the file's order; the path is relative to `base`, the folder
// holding the file, unless IsRelative=0. The values are taken as written:
// Thunderbird writes Windows paths with bare backslashes.
std::vector<ThunderbirdProfile> thunderbirdProfiles(std::string_view ini,
                                                    const std::filesystem::path& base);

}  // namespace nolvetta::mailbox
