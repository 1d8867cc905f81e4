#include <algorithm>
#include <optional>
#include <string>

#include "mailbox/folder.h"
#include "mailbox/stores_parts.h"
#include "text/utf8.h"

namespace nolvetta::mailbox {

namespace {

namespace fs = std::filesystem;

std::string_view trimmed(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(" \t\r") + 1 - start);
}

// The file's own UTF-8, which Windows would read in the code page of the day.
fs::path pathOf(std::string_view utf8) {
#ifdef _WIN32
    const std::u16string text = text::fromUtf8(utf8);
    return fs::path(std::wstring(text.begin(), text.end()));
#else
    return fs::path(std::string(utf8));  // names are bytes: taken as they are
#endif
}

}  // namespace

std::vector<ThunderbirdProfile> thunderbirdProfiles(std::string_view ini, const fs::path& base) {
    struct Group {
        bool profile = false;
        std::string_view name, path, isRelative;
    };
    std::vector<Group> groups;
    if (ini.starts_with("\xEF\xBB\xBF")) {
        ini.remove_prefix(3);  // Notepad's mark of UTF-8, should the user have edited it there
    }
    while (!ini.empty()) {
        const std::size_t end = std::min(ini.find('\n'), ini.size());
        const std::string_view line = trimmed(ini.substr(0, end));
        ini.remove_prefix(std::min(end + 1, ini.size()));
        const std::size_t equals = line.find('=');
        if (line.starts_with('[')) {
            const std::size_t close = line.find(']');
            groups.emplace_back().profile =
                close != line.npos && line.substr(1, close - 1).starts_with("Profile");
        } else if (!groups.empty() && equals != line.npos && !line.starts_with('#') &&
                   !line.starts_with(';')) {
            const std::string_view key = trimmed(line.substr(0, equals));
            const std::string_view value = trimmed(line.substr(equals + 1));
            Group& group = groups.back();
            if (key == "Name") {
                group.name = value;
            } else if (key == "Path") {
                group.path = value;
            } else if (key == "IsRelative") {
                group.isRelative = value;
            }
        }
    }
    std::vector<ThunderbirdProfile> profiles;
    for (const Group& group : groups) {
        if (group.profile && !group.path.empty()) {
            const fs::path path = pathOf(group.path);
            profiles.push_back({text::fromUtf8(group.name.empty() ? group.path : group.name),
                                group.isRelative == "0" ? path : base / path});
        }
    }
    return profiles;
}

std::vector<fs::path> foldersIn(const fs::path& folder) {
    std::vector<fs::path> folders;
    std::error_code ec;
    for (const FolderEntry& entry : entriesOf(folder, true, ec)) {
        if (entry.kind == FolderEntry::Kind::Folder) {
            folders.push_back(folder / entry.name);
        }
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

void addThunderbird(const fs::path& base, std::vector<MailStore>& stores) {
    const std::optional<std::string> ini = contentsOf(base / "profiles.ini");
    if (!ini) {
        return;
    }
    for (const ThunderbirdProfile& profile : thunderbirdProfiles(*ini, base)) {
        for (const char* kind : {"Mail", "ImapMail"}) {
            for (const fs::path& folder : foldersIn(profile.folder / kind)) {
                stores.push_back({u"Thunderbird",
                                  profile.name + u" / " + text::pathText(folder.filename()),
                                  folder});
            }
        }
    }
}

std::vector<MailStore> onceEach(std::vector<MailStore> stores) {
    std::vector<MailStore> unique;
    for (MailStore& store : stores) {
        const auto same = [&](const MailStore& s) {
            std::error_code ec;
            return fs::equivalent(s.path, store.path, ec);
        };
        if (std::none_of(unique.begin(), unique.end(), same)) {
            unique.push_back(std::move(store));
        }
    }
    return unique;
}

}  // namespace nolvetta::mailbox
