#include <algorithm>
#include <array>
#include <string_view>

#include "mailbox/stores_parts.h"
#include "text/utf8.h"

namespace nolvetta::mailbox {

namespace {

namespace fs = std::filesystem;

// Windows Live Mail and Windows Mail keep each account's folders, and the
// local folders, as folders of .eml files beside their database; the
// backup holds only the database, and Windows Mail's stationery only pages.
void addFoldersOfMessages(const fs::path& store, std::u16string_view program,
                          std::vector<MailStore>& stores) {
    static constexpr std::array<std::u16string_view, 2> NoMail = {u"Backup", u"Stationery"};
    for (const fs::path& folder : foldersIn(store)) {
        const std::u16string name = text::pathText(folder.filename());
        if (std::find(NoMail.begin(), NoMail.end(), name) == NoMail.end()) {
            stores.push_back({std::u16string(program), name, folder});
        }
    }
}

}  // namespace

// A folder the system did not name is not the current one.
std::vector<fs::path> thunderbirdBases(const fs::path& home) {
    return home.empty() ? std::vector<fs::path>() : std::vector<fs::path>{home / "Thunderbird"};
}

// Their mail is not looked for here, but their accounts are.
std::vector<std::pair<std::u16string_view, fs::path>> sylpheedFamilyFolders(const fs::path& home) {
    if (home.empty()) {
        return {};
    }
    return {{u"Claws Mail", home / "Claws-mail"}, {u"Sylpheed", home / "Sylpheed"}};
}

std::vector<MailStore> findMailStores(const fs::path& home, const fs::path& dataHome) {
    std::vector<MailStore> stores;
    for (const fs::path& base : thunderbirdBases(home)) {
        addThunderbird(base, stores);
    }
    if (!dataHome.empty()) {
        addFoldersOfMessages(dataHome / "Microsoft" / "Windows Live Mail", u"Windows Live Mail",
                             stores);
        addFoldersOfMessages(dataHome / "Microsoft" / "Windows Mail", u"Windows Mail", stores);
    }
    return onceEach(std::move(stores));
}

}  // namespace nolvetta::mailbox
