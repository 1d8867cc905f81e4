#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The IMAP accounts the mail programs of a desktop know, read from their own
// settings: where the server is and who logs in, never a password.
namespace nolvetta::mailbox {

// None: the program's setting sends in clear; kept so the window can name
// it, refused on use.
enum class ImapSecurity { Tls, StartTls, None };

struct ImapAccount {
    // "Thunderbird", "Evolution", "Claws Mail", "Sylpheed"; empty when added by hand.
    std::u16string program;
    std::u16string name;  // the program's own name for the account, else user@host
    std::string host;     // as written (a name or an address), no brackets
    std::uint16_t port = 993;
    ImapSecurity security = ImapSecurity::Tls;
    std::string user;  // UTF-8, as written
    bool operator==(const ImapAccount&) const = default;
};

// Every IMAP account of the mail programs found in a user's folders, each
// (host, port, user) once, the host's case aside: Thunderbird's (each
// profile's prefs.js, its profiles found as findMailStores finds them), then
// Evolution's (configHome/evolution/sources), then Claws Mail's and
// Sylpheed's (their accountrc). On Linux `home` is the home folder and
// `configHome` ~/.config ($XDG_CONFIG_HOME): Evolution keeps its accounts
// there, not under ~/.local/share. On Windows `home` is the roaming
// application data folder (%APPDATA%) and `configHome` is empty, as no
// Evolution runs there. Unreadable or malformed files are passed over; no
// password store is opened.
std::vector<ImapAccount> findImapAccounts(const std::filesystem::path& home,
                                          const std::filesystem::path& configHome);

// The IMAP servers (mail.server.serverN.* of type "imap") of a Thunderbird
// prefs.js, in N's order. Only its `user_pref("name", value);` lines are
// read, each with JavaScript's escapes; others are passed over.
std::vector<ImapAccount> thunderbirdImapAccounts(std::string_view prefsJs);

// The account of an Evolution .source file, where it is one of IMAP.
std::optional<ImapAccount> evolutionImapAccount(std::string_view sourceFile);

// The IMAP accounts of a Claws Mail or Sylpheed accountrc (the same format),
// in the file's order; `program` names which wrote it.
std::vector<ImapAccount> clawsImapAccounts(std::string_view accountrc, std::u16string_view program);

}  // namespace nolvetta::mailbox
