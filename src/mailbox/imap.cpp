#include "mailbox/imap.h"

#include <glib.h>

#include <algorithm>
#include <memory>

#include "text/utf8.h"

namespace nolvetta::mailbox {

bool isImapAddress(std::string_view argument) {
    return argument.starts_with("imaps://") || argument.starts_with("imap://");
}

std::optional<ImapPlace> imapPlaceOf(std::string_view address) {
    if (!isImapAddress(address)) {
        return std::nullopt;
    }
    const std::string whole(address);
    std::unique_ptr<GUri, decltype(&g_uri_unref)> uri(
        g_uri_parse(whole.c_str(), G_URI_FLAGS_HAS_PASSWORD, nullptr), &g_uri_unref);
    const char* user = uri ? g_uri_get_user(uri.get()) : nullptr;
    const char* host = uri ? g_uri_get_host(uri.get()) : nullptr;
    // A password in the address would stay in the shell's history.
    if (!user || !*user || !host || !*host || g_uri_get_password(uri.get()) ||
        g_uri_get_query(uri.get()) || g_uri_get_fragment(uri.get())) {
        return std::nullopt;
    }
    ImapPlace place;
    place.account.security =
        address.starts_with("imaps:") ? ImapSecurity::Tls : ImapSecurity::StartTls;
    const int port = g_uri_get_port(uri.get());
    place.account.port =
        port > 0 ? std::uint16_t(port) : (place.account.security == ImapSecurity::Tls ? 993 : 143);
    place.account.host = host;
    place.account.user = user;
    place.account.name = text::fromUtf8(place.account.user + "@" + place.account.host);
    std::string_view path = g_uri_get_path(uri.get());
    while (path.starts_with('/')) {
        path.remove_prefix(1);
    }
    place.folder = path;
    return place;
}

std::string imapAddressOf(const ImapAccount& account) {
    const bool tls = account.security == ImapSecurity::Tls;
    const std::uint16_t standard = tls ? 993 : 143;
    std::unique_ptr<gchar, decltype(&g_free)> address(
        g_uri_join(G_URI_FLAGS_NONE, tls ? "imaps" : "imap", account.user.c_str(),
                   account.host.c_str(), account.port == standard ? -1 : account.port, "", nullptr,
                   nullptr),
        &g_free);
    return address.get();
}

std::vector<ImapAccount> accountsOf(std::string_view text) {
    std::vector<ImapAccount> accounts;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (std::optional<ImapPlace> place = imapPlaceOf(line)) {
            accounts.push_back(std::move(place->account));
        }
    }
    return accounts;
}

std::string accountsText(const std::vector<ImapAccount>& accounts) {
    std::string text;
    for (const ImapAccount& account : accounts) {
        text += imapAddressOf(account) + "\n";
    }
    return text;
}

std::u16string accountText(const ImapAccount& account) {
    std::string text = account.user + "@" + account.host;
    if (account.port != 993) {
        text += ":" + std::to_string(account.port);
    }
    return text::fromUtf8(text);
}

}  // namespace nolvetta::mailbox
