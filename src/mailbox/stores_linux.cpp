#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "mailbox/folder.h"
#include "mailbox/stores.h"
#include "system/open_posix.h"
#include "text/utf8.h"

namespace nolvetta::mailbox {

namespace {

namespace fs = std::filesystem;

bool isFolder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

// None reached through a link: as in the walk, following one would move
// the link's access time on.
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

// A mail program's settings file, read as its mail is: its access time left alone.
std::optional<std::string> contentsOf(const fs::path& file) {
    const int fd =
        system::openLeavingAccessTime(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat status {};
    std::optional<std::string> contents;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        contents.emplace();
        char piece[8192];
        for (ssize_t length; (length = ::read(fd, piece, sizeof piece)) != 0;) {
            if (length > 0) {
                contents->append(piece, std::size_t(length));
            } else if (errno != EINTR) {
                contents.reset();
                break;
            }
        }
    }
    ::close(fd);
    return contents;
}

struct KeyFile {
    KeyFile() : file(g_key_file_new(), &g_key_file_free) {}
    std::string value(const char* group, const char* key) const {
        std::unique_ptr<gchar, decltype(&g_free)> v(
            g_key_file_get_value(file.get(), group, key, nullptr), &g_free);
        return v ? std::string(v.get()) : std::string();
    }
    std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file;
};

// Each profile of a Thunderbird folder, its folders of mail: Mail holds the
// local folders and those of POP accounts, ImapMail the offline copies of
// IMAP accounts.
void addThunderbird(const fs::path& base, std::vector<MailStore>& stores) {
    KeyFile ini;
    const std::optional<std::string> text = contentsOf(base / "profiles.ini");
    if (!text || !g_key_file_load_from_data(ini.file.get(), text->data(), text->size(),
                                            G_KEY_FILE_NONE, nullptr)) {
        return;
    }
    gsize count = 0;
    std::unique_ptr<gchar*, decltype(&g_strfreev)> groups(
        g_key_file_get_groups(ini.file.get(), &count), &g_strfreev);
    for (gsize i = 0; i < count; ++i) {
        const char* group = groups.get()[i];
        const std::string path = ini.value(group, "Path");
        if (std::strncmp(group, "Profile", 7) != 0 || path.empty()) {
            continue;
        }
        const fs::path profile =
            ini.value(group, "IsRelative") == "0" ? fs::path(path) : base / path;
        const std::string name = ini.value(group, "Name");
        for (const char* kind : {"Mail", "ImapMail"}) {
            for (const fs::path& folder : foldersIn(profile / kind)) {
                stores.push_back({u"Thunderbird",
                                  text::fromUtf8(name.empty() ? path : name) + u" / " +
                                      text::pathText(folder.filename()),
                                  folder});
            }
        }
    }
}

// The MH mailboxes of a Claws Mail or Sylpheed folder list: <folder
// type="mh" name=… path=…>, the path relative to the home folder.
struct FolderList {
    const fs::path* home;
    std::vector<std::pair<std::string, fs::path>> mailboxes;
};

void startElement(GMarkupParseContext*, const gchar* element, const gchar** names,
                  const gchar** values, gpointer data, GError**) {
    if (std::strcmp(element, "folder") != 0) {
        return;
    }
    const char *type = nullptr, *name = "", *path = nullptr;
    for (; *names; ++names, ++values) {
        type = std::strcmp(*names, "type") == 0 ? *values : type;
        name = std::strcmp(*names, "name") == 0 ? *values : name;
        path = std::strcmp(*names, "path") == 0 ? *values : path;
    }
    auto* list = static_cast<FolderList*>(data);
    if (type && path && std::strcmp(type, "mh") == 0) {
        const fs::path at(path);
        list->mailboxes.emplace_back(name, at.is_absolute() ? at : *list->home / at);
    }
}

void addMh(const fs::path& home, const char* config, std::u16string_view program,
           std::vector<MailStore>& stores) {
    if (!isFolder(home / config)) {
        return;
    }
    FolderList list{&home, {}};
    if (const std::optional<std::string> xml = contentsOf(home / config / "folderlist.xml")) {
        const GMarkupParser parser{startElement, nullptr, nullptr, nullptr, nullptr};
        GMarkupParseContext* context =
            g_markup_parse_context_new(&parser, GMarkupParseFlags(0), &list, nullptr);
        g_markup_parse_context_parse(context, xml->data(), gssize(xml->size()), nullptr);
        g_markup_parse_context_free(context);
    }
    if (list.mailboxes.empty()) {
        list.mailboxes.emplace_back("Mail", home / "Mail");
    }
    for (const auto& [name, path] : list.mailboxes) {
        if (isFolder(path)) {
            stores.push_back({std::u16string(program), text::fromUtf8(name), path});
        }
    }
}

}  // namespace

std::vector<MailStore> findMailStores(const fs::path& home, const fs::path& dataHome) {
    std::vector<MailStore> stores;
    for (const char* base : {".thunderbird", "snap/thunderbird/common/.thunderbird",
                             ".var/app/org.mozilla.Thunderbird/.thunderbird"}) {
        addThunderbird(home / base, stores);
    }
    addMh(home, ".claws-mail", u"Claws Mail", stores);
    addMh(home, ".sylpheed-2.0", u"Sylpheed", stores);
    if (const fs::path local = dataHome / "evolution" / "mail" / "local"; isFolder(local)) {
        stores.push_back({u"Evolution", u"このコンピューター", local});
    }
    // A folder two programs share is offered once, under the first.
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
