#pragma once

#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "mailbox/stores.h"

// What finding the stores does alike on every system.
namespace nolvetta::mailbox {

// The folders in a folder, in name order; none reached through a link: as
// in the walk, following one would move the link's access time on.
std::vector<std::filesystem::path> foldersIn(const std::filesystem::path& folder);

// The folders where Thunderbird keeps its profiles.ini on this system, under
// `home` as findMailStores takes it.
std::vector<std::filesystem::path> thunderbirdBases(const std::filesystem::path& home);

// The profiles named in the profiles.ini of a Thunderbird folder; none where
// it cannot be read.
std::vector<ThunderbirdProfile> thunderbirdProfilesIn(const std::filesystem::path& base);

// Each profile in a Thunderbird folder (`base` holds profiles.ini), its
// folders of mail: Mail holds the local folders and those of POP accounts,
// ImapMail the offline copies of IMAP accounts.
void addThunderbird(const std::filesystem::path& base, std::vector<MailStore>& stores);

// The settings folders of Claws Mail and Sylpheed on this system, under
// `home` as findMailStores takes it, each with the program's name.
std::vector<std::pair<std::u16string_view, std::filesystem::path>> sylpheedFamilyFolders(
    const std::filesystem::path& home);

// A folder two programs share is offered once, under the first.
std::vector<MailStore> onceEach(std::vector<MailStore> stores);

}  // namespace nolvetta::mailbox
