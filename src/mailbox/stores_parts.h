#pragma once

#include <filesystem>
#include <vector>

#include "mailbox/stores.h"

// What finding the stores does alike on every system.
namespace nolvetta::mailbox {

// The folders in a folder, in name order; none reached through a link: as
// in the walk, following one would move the link's access time on.
std::vector<std::filesystem::path> foldersIn(const std::filesystem::path& folder);

// Each profile in a Thunderbird folder (`base` holds profiles.ini), its
// folders of mail: Mail holds the local folders and those of POP accounts,
// ImapMail the offline copies of IMAP accounts.
void addThunderbird(const std::filesystem::path& base, std::vector<MailStore>& stores);

// A folder two programs share is offered once, under the first.
std::vector<MailStore> onceEach(std::vector<MailStore> stores);

}  // namespace nolvetta::mailbox
