#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "mailbox/imap_accounts.h"
#include "message/message.h"

namespace nolvetta::message {
class Reader;
}

// The user's mail on an IMAP server, read without changing anything there:
// folders opened with EXAMINE, messages fetched with BODY.PEEK, and of each
// message only the header fields the list needs and the start of its text.
namespace nolvetta::mailbox {

// An account, and one of its folders (as the server names it), or every
// folder but the trash, junk and drafts when `folder` is empty.
struct ImapPlace {
    ImapAccount account;
    std::string folder;
    bool operator==(const ImapPlace&) const = default;
};

// imaps://user@host[:port][/folder], its %-escapes decoded; nothing for any
// other address. The user name is required: no server is asked who it is.
std::optional<ImapPlace> imapPlaceOf(std::string_view address);
// The account as such an address: imaps:// for TLS, imap:// for STARTTLS,
// the user name %-escaped.
std::string imapAddressOf(const ImapAccount& account);
// Whether an argument is meant as a server rather than a path.
bool isImapAddress(std::string_view argument);
// The accounts the user added, kept in the data folder one address a line
// (UTF-8): no password, no mail.
inline constexpr std::string_view ServersFileName = "nolvetta-servers.txt";
std::vector<ImapAccount> accountsOf(std::string_view text);
std::string accountsText(const std::vector<ImapAccount>& accounts);
// How messages name the account: "user@host" (":port" unless 993).
std::u16string accountText(const ImapAccount& account);

enum class ImapFailure {
    None,
    Insecure,  // the account sends its password in clear: never used
    HostNotFound,
    Refused,      // nothing listens there, or the network does not reach it
    NoTls,        // the server does not speak TLS, or offers no STARTTLS
    Certificate,  // its certificate is not trusted for its name
    Login,        // user name or password refused
    TimedOut,
    ConnectionLost,
    Malformed,  // an answer that is no IMAP
    TooLarge,   // an answer far larger than asked for
    NoFolder,   // the folder asked for is not on the server
    Cancelled,
    Unavailable,  // no IMAP on this system
};

// What the last scan of a place read, so that the next one fetches only
// mail that has come since: per folder its UIDVALIDITY, the highest UID
// read, and the readings of the newsletters among its messages (personal
// mail is not kept). It lives as long as the rows it made: nothing of it
// is written anywhere.
struct ImapMemory {
    struct Folder {
        std::uint32_t validity = 0;
        std::uint32_t highestUid = 0;
        std::size_t messages = 0;
        std::vector<message::Reading> newsletters;
    };
    std::map<std::string, Folder> folders;
};

struct ImapLimits {
    std::chrono::seconds wait{30};     // for the server to send anything at all
    std::chrono::seconds answer{120};  // for one whole answer
    // Far beyond what a batch of header fields takes; a server sending
    // more is not answering what it was asked.
    std::size_t answerBytes = 16u << 20;
    // Messages fetched together: enough that round trips cost little, few
    // enough that a batch's answer stays far below answerBytes.
    std::size_t batch = 500;
};

struct ImapReport {
    ImapFailure failure = ImapFailure::None;
    std::string detail;        // the server's or the library's own words, if any
    std::size_t messages = 0;  // every message of the folders read, remembered or new
    std::size_t fetched = 0;   // of those, fetched this time
    std::uint64_t bytesReceived = 0;
};

// Messages, of all there are, so far.
using ImapProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
using EachReading = std::function<void(const message::Reading&)>;

// Logs in with `password` over TLS (on connect, or STARTTLS), its
// certificate verified against the system's trust store (or the file
// SSL_CERT_FILE names), and hands `each` every message of the place's
// folders: those `memory` holds, then the new ones as they are fetched in
// batches. Stops early on request. What was read before a failure stays
// in `memory`. Meant for a worker thread.
ImapReport scanImap(const ImapPlace& place, std::string_view password, message::Reader& reader,
                    ImapMemory& memory, const std::stop_token& stop, const ImapProgress& progress,
                    const EachReading& each, const ImapLimits& limits = {});

// The password kept for the account in the desktop's secret store (the
// Secret Service: GNOME Keyring, KWallet), under this program's own name:
// another program's are never read. Nothing when none is kept or there is
// no store.
std::optional<std::string> keptPassword(const ImapAccount& account);
// Keeps it there; false when there is no store or it refused.
bool keepPassword(const ImapAccount& account, std::string_view password);
void forgetPassword(const ImapAccount& account);

// The header fields fetched of each message: those the list reads, and
// those that say how its text is to be read.
inline constexpr const char* ImapHeaderFields[] = {"From",
                                                   "To",
                                                   "Subject",
                                                   "Date",
                                                   "Message-ID",
                                                   "List-Id",
                                                   "List-Unsubscribe",
                                                   "List-Unsubscribe-Post",
                                                   "Delivered-To",
                                                   "X-Original-To",
                                                   "MIME-Version",
                                                   "Content-Type",
                                                   "Content-Transfer-Encoding"};
// Of its text, as it stands after the header: enough to reach the first
// line of the first text part of nearly every newsletter, alternatives and
// all.
inline constexpr std::size_t ImapTextBytes = 1024;

// A message as the reader takes it, made of what was fetched: the header
// fields, then the start of its text, cut after its last whole line when it
// was cut short (a line cut short could end inside a character or an
// encoded group).
std::string partialMessage(std::string_view headerFields, std::string_view text, bool cutShort);

}  // namespace nolvetta::mailbox
