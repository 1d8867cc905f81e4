#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Where the mail programs of a desktop keep the user's mail on disk.
namespace nolvetta::mailbox {

struct MailStore {
    std::u16string program;  // "Thunderbird", "Claws Mail", "Sylpheed", "Evolution"
    std::u16string name;     // which of the program's stores: a profile's folder, a mailbox
    std::filesystem::path path;
};

// The stores found under a home folder: each Thunderbird profile's local and
// offline folders (through profiles.ini), the MH mailboxes of Claws Mail and
// Sylpheed (through their folder lists, else ~/Mail), and Evolution's local
// Maildir under `dataHome` (~/.local/share). Each path once, in that order.
// No folder reached through a link in a profile is offered, and no access
// time changes where the user owns the file.
std::vector<MailStore> findMailStores(const std::filesystem::path& home,
                                      const std::filesystem::path& dataHome);

}  // namespace nolvetta::mailbox
