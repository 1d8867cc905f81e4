#include <glib.h>

#include <cstring>
#include <optional>

#include "mailbox/folder.h"
#include "mailbox/stores_parts.h"
#include "text/utf8.h"

namespace nolvetta::mailbox {

namespace {

namespace fs = std::filesystem;

bool isFolder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
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

void addMh(const fs::path& home, const fs::path& config, std::u16string_view program,
           std::vector<MailStore>& stores) {
    if (!isFolder(config)) {
        return;
    }
    FolderList list{&home, {}};
    if (const std::optional<std::string> xml = contentsOf(config / "folderlist.xml")) {
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

std::vector<fs::path> thunderbirdBases(const fs::path& home) {
    return {home / ".thunderbird", home / "snap/thunderbird/common/.thunderbird",
            home / ".var/app/org.mozilla.Thunderbird/.thunderbird"};
}

std::vector<std::pair<std::u16string_view, fs::path>> sylpheedFamilyFolders(const fs::path& home) {
    return {{u"Claws Mail", home / ".claws-mail"}, {u"Sylpheed", home / ".sylpheed-2.0"}};
}

std::vector<MailStore> findMailStores(const fs::path& home, const fs::path& dataHome) {
    std::vector<MailStore> stores;
    for (const fs::path& base : thunderbirdBases(home)) {
        addThunderbird(base, stores);
    }
    for (const auto& [program, config] : sylpheedFamilyFolders(home)) {
        addMh(home, config, program, stores);
    }
    if (const fs::path local = dataHome / "evolution" / "mail" / "local"; isFolder(local)) {
        stores.push_back({u"Evolution", u"このコンピューター", local});
    }
    return onceEach(std::move(stores));
}

}  // namespace nolvetta::mailbox
