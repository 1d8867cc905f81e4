#include <glib.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "mailbox/folder.h"
#include "mailbox/stores_parts.h"
#include "text/utf8.h"

namespace nolvetta::mailbox {

namespace {

namespace fs = std::filesystem;

}  // namespace

// GLib's reader of key files, which takes Thunderbird's CR LF lines too; raw
// values, since an absolute Windows path is written with bare backslashes.
std::vector<ThunderbirdProfile> thunderbirdProfiles(std::string_view ini, const fs::path& base) {
    if (ini.starts_with("\xEF\xBB\xBF")) {
        ini.remove_prefix(3);  // Notepad's mark of UTF-8, should the user have edited it there
    }
    std::vector<ThunderbirdProfile> profiles;
    const std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file(g_key_file_new(),
                                                                     &g_key_file_free);
    if (!g_key_file_load_from_data(file.get(), ini.data(), ini.size(), G_KEY_FILE_NONE, nullptr)) {
        return profiles;
    }
    gsize count = 0;
    const std::unique_ptr<gchar*, decltype(&g_strfreev)> groups(
        g_key_file_get_groups(file.get(), &count), &g_strfreev);
    for (gsize i = 0; i < count; ++i) {
        const char* group = groups.get()[i];
        const auto value = [&](const char* key) {
            const std::unique_ptr<gchar, decltype(&g_free)> found(
                g_key_file_get_value(file.get(), group, key, nullptr), &g_free);
            return std::string(found ? found.get() : "");
        };
        const std::string path = value("Path"), name = value("Name");
        if (std::string_view(group).starts_with("Profile") && !path.empty()) {
            // The file's own UTF-8, which Windows would read in the code page of the day.
            const fs::path folder(std::u8string(path.begin(), path.end()));
            profiles.push_back({text::fromUtf8(name.empty() ? path : name),
                                value("IsRelative") == "0" ? folder : base / folder});
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

std::vector<ThunderbirdProfile> thunderbirdProfilesIn(const fs::path& base) {
    const std::optional<std::string> ini = contentsOf(base / "profiles.ini");
    return ini ? thunderbirdProfiles(*ini, base) : std::vector<ThunderbirdProfile>();
}

void addThunderbird(const fs::path& base, std::vector<MailStore>& stores) {
    for (const ThunderbirdProfile& profile : thunderbirdProfilesIn(base)) {
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
