#include "mailbox/imap_accounts.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <tuple>
#include <variant>

#include "mailbox/folder.h"
#include "mailbox/stores_parts.h"
#include "text/utf8.h"

namespace nolvetta::mailbox {

namespace {

namespace fs = std::filesystem;

// A whole decimal number, else nothing.
std::optional<long long> numberIn(std::string_view text) {
    long long number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return number;
}

// Each program takes 0 (or no number) for "not set", and its default then.
std::optional<std::uint16_t> portIn(std::optional<long long> number) {
    if (!number || *number < 1 || *number > 65535) {
        return std::nullopt;
    }
    return std::uint16_t(*number);
}

// An account as each program's reader found it, made whole alike.
ImapAccount accountOf(std::u16string_view program, std::string_view name, std::string host,
                      std::optional<std::uint16_t> port, ImapSecurity security, std::string user) {
    // An IPv6 address is written as in a URL by some.
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    ImapAccount account;
    account.program = program;
    account.name = text::fromUtf8(!name.empty()  ? std::string(name)
                                  : user.empty() ? host
                                                 : user + "@" + host);
    account.port = port.value_or(security == ImapSecurity::Tls ? 993 : 143);
    account.security = security;
    account.host = std::move(host);
    account.user = std::move(user);
    return account;
}

// A value of prefs.js: a string, a number or a truth.
using PrefValue = std::variant<std::string, long long, bool>;

// One line of prefs.js read as JavaScript, only as far as Thunderbird writes it.
class PrefLine {
public:
    explicit PrefLine(std::string_view line) : rest_(line) {}

    // Past blanks, whether `word` comes next; it is then passed.
    bool take(std::string_view word) {
        while (!rest_.empty() && (rest_.front() == ' ' || rest_.front() == '\t')) {
            rest_.remove_prefix(1);
        }
        const bool there = rest_.starts_with(word);
        rest_.remove_prefix(there ? word.size() : 0);
        return there;
    }

    bool atEnd() { return take("") && (rest_.empty() || rest_ == "\r"); }

    std::optional<std::string> string() {
        if (!take("\"")) {
            return std::nullopt;
        }
        std::string text;
        while (!rest_.empty()) {
            const char c = next();
            if (c == '"') {
                return text;
            }
            if (c != '\\') {
                text += c;
            } else if (!unescape(text)) {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<PrefValue> value() {
        if (take("true")) {
            return true;
        }
        if (take("false")) {
            return false;
        }
        if (rest_.starts_with('"')) {
            std::optional<std::string> text = string();
            return text ? std::optional<PrefValue>(std::move(*text)) : std::nullopt;
        }
        const std::size_t digits = std::min(rest_.find_first_not_of("-0123456789"), rest_.size());
        const std::optional<long long> number = numberIn(rest_.substr(0, digits));
        rest_.remove_prefix(digits);
        return number ? std::optional<PrefValue>(*number) : std::nullopt;
    }

private:
    char next() {
        const char c = rest_.empty() ? '\0' : rest_.front();
        rest_.remove_prefix(rest_.empty() ? 0 : 1);
        return c;
    }

    // The escape after a backslash; false for one JavaScript would not take.
    bool unescape(std::string& text) {
        switch (const char c = next()) {
            case '\\':
            case '"':
            case '\'':
                text += c;
                return true;
            case 'n':
                text += '\n';
                return true;
            case 'r':
                text += '\r';
                return true;
            case 't':
                text += '\t';
                return true;
            case 'x':
            case 'u': {
                std::optional<char32_t> code = hex(c == 'x' ? 2 : 4);
                // A character past the first 65536 comes as a pair of halves.
                if (code && *code >= 0xD800 && *code < 0xDC00 && next() == '\\' && next() == 'u') {
                    const std::optional<char32_t> low = hex(4);
                    code = low && *low >= 0xDC00 && *low < 0xE000
                               ? std::optional(
                                     char32_t(0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00)))
                               : std::nullopt;
                }
                if (!code || (*code >= 0xD800 && *code < 0xE000)) {
                    return false;
                }
                char bytes[6];
                text.append(bytes, std::size_t(g_unichar_to_utf8(gunichar(*code), bytes)));
                return true;
            }
            default:
                return false;
        }
    }

    std::optional<char32_t> hex(int digits) {
        char32_t code = 0;
        for (int i = 0; i < digits; ++i) {
            const int digit = g_ascii_xdigit_value(next());
            if (digit < 0) {
                return std::nullopt;
            }
            code = code * 16 + char32_t(digit);
        }
        return code;
    }

    std::string_view rest_;
};

// `user_pref("name", value);`, else nothing.
std::optional<std::pair<std::string, PrefValue>> userPref(std::string_view line) {
    PrefLine read(line);
    if (!read.take("user_pref") || !read.take("(")) {
        return std::nullopt;
    }
    std::optional<std::string> name = read.string();
    std::optional<PrefValue> value = name && read.take(",") ? read.value() : std::nullopt;
    if (!value || !read.take(")") || !read.take(";") || !read.atEnd()) {
        return std::nullopt;
    }
    return std::pair(std::move(*name), std::move(*value));
}

// GLib's reader of key files, which Evolution writes through and Claws Mail's
// and Sylpheed's settings match; nothing from a file it cannot read.
class KeyFile {
public:
    explicit KeyFile(std::string_view text) {
        if (!g_key_file_load_from_data(file_.get(), text.data(), text.size(), G_KEY_FILE_NONE,
                                       nullptr)) {
            file_.reset(g_key_file_new());
        }
    }

    std::vector<std::string> groups() const {
        const std::unique_ptr<gchar*, decltype(&g_strfreev)> names(
            g_key_file_get_groups(file_.get(), nullptr), &g_strfreev);
        std::vector<std::string> all;
        for (gchar** name = names.get(); *name; ++name) {
            all.emplace_back(*name);
        }
        return all;
    }

    // As written: Claws Mail and Sylpheed escape nothing, a backslash included.
    std::string raw(const std::string& group, const char* key) const {
        return taken(g_key_file_get_value(file_.get(), group.c_str(), key, nullptr));
    }

    // With GLib's escapes undone, as Evolution wrote them.
    std::string text(const char* group, const char* key) const {
        return taken(g_key_file_get_string(file_.get(), group, key, nullptr));
    }

private:
    static std::string taken(gchar* value) {
        const std::unique_ptr<gchar, decltype(&g_free)> owned(value, &g_free);
        return owned ? owned.get() : "";
    }

    std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file_{g_key_file_new(), &g_key_file_free};
};

// The same server under two programs (or two Thunderbirds) is offered once,
// under the first; a host name's case means nothing.
std::vector<ImapAccount> onceEachServer(std::vector<ImapAccount> accounts) {
    std::vector<ImapAccount> unique;
    std::set<std::tuple<std::string, std::uint16_t, std::string>> seen;
    for (ImapAccount& account : accounts) {
        std::string host = account.host;
        std::transform(host.begin(), host.end(), host.begin(), g_ascii_tolower);
        if (seen.emplace(std::move(host), account.port, account.user).second) {
            unique.push_back(std::move(account));
        }
    }
    return unique;
}

// Evolution's accounts, one .source file each, in the files' names' order.
std::vector<fs::path> sourceFilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const FolderEntry& entry : entriesOf(folder, true, ec)) {
        if (entry.kind != FolderEntry::Kind::Folder && entry.name.extension() == ".source") {
            files.push_back(folder / entry.name);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

std::vector<ImapAccount> thunderbirdImapAccounts(std::string_view prefsJs) {
    // Each server's preferences by N; a later line sets a preference anew.
    std::map<unsigned, std::map<std::string, PrefValue, std::less<>>> servers;
    constexpr std::string_view Server = "mail.server.server";
    for (std::size_t start = 0, end = 0; start < prefsJs.size(); start = end + 1) {
        end = std::min(prefsJs.find('\n', start), prefsJs.size());
        std::optional<std::pair<std::string, PrefValue>> pref =
            userPref(prefsJs.substr(start, end - start));
        std::string_view name = pref ? std::string_view(pref->first) : "";
        if (!name.starts_with(Server)) {
            continue;
        }
        name.remove_prefix(Server.size());
        unsigned number = 0;
        const auto [dot, error] = std::from_chars(name.data(), name.data() + name.size(), number);
        if (error == std::errc() && dot < name.data() + name.size() && *dot == '.') {
            servers[number][std::string(dot + 1, name.data() + name.size())] =
                std::move(pref->second);
        }
    }
    std::vector<ImapAccount> accounts;
    for (const auto& server : servers) {
        // Not a structured binding: clang 14 cannot capture one.
        const auto& prefs = server.second;
        const auto text = [&](std::string_view key) {
            const auto found = prefs.find(key);
            const std::string* value =
                found == prefs.end() ? nullptr : std::get_if<std::string>(&found->second);
            return value ? *value : std::string();
        };
        const auto integer = [&](std::string_view key) {
            const auto found = prefs.find(key);
            const long long* value =
                found == prefs.end() ? nullptr : std::get_if<long long>(&found->second);
            return value ? std::optional(*value) : std::nullopt;
        };
        // Thunderbird keeps the first host and user and writes "real" ones when they are changed.
        const std::string host =
            text("realhostname").empty() ? text("hostname") : text("realhostname");
        const std::string user =
            text("realuserName").empty() ? text("userName") : text("realuserName");
        // Thunderbird's default socketType is 0, which it then does not write.
        const long long socketType = integer("socketType").value_or(0);
        if (text("type") != "imap" || host.empty() || socketType < 0 || socketType > 3) {
            continue;
        }
        const ImapSecurity security = socketType == 0   ? ImapSecurity::None
                                      : socketType == 3 ? ImapSecurity::Tls
                                                        : ImapSecurity::StartTls;
        accounts.push_back(
            accountOf(u"Thunderbird", text("name"), host, portIn(integer("port")), security, user));
    }
    return accounts;
}

std::optional<ImapAccount> evolutionImapAccount(std::string_view sourceFile) {
    const KeyFile file(sourceFile);
    const std::string backend = file.text("Mail Account", "BackendName");
    const std::string host = file.text("Authentication", "Host");
    // Evolution's own default method, with no [Security] written, is "none".
    static const std::map<std::string, ImapSecurity, std::less<>> Methods = {
        {"", ImapSecurity::None},
        {"none", ImapSecurity::None},
        {"ssl-on-alternate-port", ImapSecurity::Tls},
        {"starttls-on-standard-port", ImapSecurity::StartTls}};
    const auto method = Methods.find(file.text("Security", "Method"));
    if ((backend != "imapx" && backend != "imap") || host.empty() || method == Methods.end()) {
        return std::nullopt;
    }
    return accountOf(u"Evolution", file.text("Data Source", "DisplayName"), host,
                     portIn(numberIn(file.text("Authentication", "Port"))), method->second,
                     file.text("Authentication", "User"));
}

std::vector<ImapAccount> clawsImapAccounts(std::string_view accountrc,
                                           std::u16string_view program) {
    std::vector<ImapAccount> accounts;
    // Sylpheed keeps its password in the same group: only the keys below are taken.
    const KeyFile file(accountrc);
    for (const std::string& group : file.groups()) {
        const auto value = [&](const char* key) { return file.raw(group, key); };
        // What is no number counts as 0, as for the programs; a flag is any number but 0.
        const auto number = [&](const char* key) { return numberIn(value(key)).value_or(0); };
        // protocol: 3 is IMAP4 (0 POP3, 4 NNTP, 5 local); ssl_imap: 0 none, 1 TLS, 2 STARTTLS.
        const long long ssl = number("ssl_imap");
        if (!group.starts_with("Account:") || number("protocol") != 3 ||
            value("receive_server").empty() || ssl < 0 || ssl > 2) {
            continue;
        }
        const ImapSecurity security = ssl == 0   ? ImapSecurity::None
                                      : ssl == 1 ? ImapSecurity::Tls
                                                 : ImapSecurity::StartTls;
        // The port written is used only once the user has ticked it.
        const std::optional<std::uint16_t> port =
            number("set_imapport") != 0 ? portIn(numberIn(value("imap_port"))) : std::nullopt;
        accounts.push_back(accountOf(program, value("account_name"), value("receive_server"), port,
                                     security, value("user_id")));
    }
    return accounts;
}

std::vector<ImapAccount> findImapAccounts(const fs::path& home, const fs::path& configHome) {
    std::vector<ImapAccount> found;
    const auto add = [&](std::vector<ImapAccount> accounts) {
        found.insert(found.end(), std::make_move_iterator(accounts.begin()),
                     std::make_move_iterator(accounts.end()));
    };
    for (const fs::path& base : thunderbirdBases(home)) {
        for (const ThunderbirdProfile& profile : thunderbirdProfilesIn(base)) {
            if (const std::optional<std::string> prefs = contentsOf(profile.folder / "prefs.js")) {
                add(thunderbirdImapAccounts(*prefs));
            }
        }
    }
    // A folder the system did not name is not the current one.
    if (!configHome.empty()) {
        for (const fs::path& file : sourceFilesIn(configHome / "evolution" / "sources")) {
            const std::optional<std::string> source = contentsOf(file);
            if (std::optional<ImapAccount> account =
                    source ? evolutionImapAccount(*source) : std::nullopt) {
                found.push_back(std::move(*account));
            }
        }
    }
    for (const auto& [program, folder] : sylpheedFamilyFolders(home)) {
        if (const std::optional<std::string> accountrc = contentsOf(folder / "accountrc")) {
            add(clawsImapAccounts(*accountrc, program));
        }
    }
    return onceEachServer(std::move(found));
}

}  // namespace nolvetta::mailbox
