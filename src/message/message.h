#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "recognise/dropped_text.h"

// A whole e-mail message, as a mail reader saves it or lets it be dragged
// out, or a mailbox file of them: what each offers for leaving its list.
// Nothing here reaches the network.
namespace nolvetta::message {

// More than any newsletter holds; a larger message is refused unread.
inline constexpr std::uintmax_t MaxMessageBytes = 32u << 20;

// Far more than any message's header block, up to its empty line, holds
// (a few KB, signatures and all); a message with a longer one is refused
// as too large, for its header lines would be held in memory several times.
inline constexpr std::size_t MaxHeaderBytes = 1u << 20;
// Far more than any line mail carries (998 characters by its rules, and
// servers cut longer ones at a few thousand); a message with a longer line
// is refused as too large, for GMime would hold a part's header line in
// memory several times over, as it would the message's own.
inline constexpr std::size_t MaxLineBytes = 1u << 20;

// The longest unsubscribe address taken, in characters. Windows' own URL
// functions and older browsers stop at 2,083, and some shell hand-overs cut
// shortly before; a list's real address is a few hundred at most. A longer one
// would reach the browser cut short, or hold the window while it is shown.
inline constexpr std::size_t MaxAddressLength = 2048;

enum class Scheme { Https, Mailto, Http };

struct Address {
    Scheme scheme;
    std::u16string url;

    bool operator==(const Address&) const = default;
};

struct ListUnsubscribe {
    std::vector<Address> addresses;
    std::size_t overlong = 0;  // entries left out only for being longer than MaxAddressLength
};

// The addresses of a List-Unsubscribe header's raw value, as it stands in the
// message, in their order: each "<...>" entry outside comments, with its
// blanks and line folds removed. Encoded words are never decoded: what they
// hide is not an address. Entries of any other scheme, entries holding what
// no URL holds (a control character, a quote, a blank inside, a byte beyond
// ASCII), and pages with user information before their host are left out. A
// mailto entry keeps its recipients, subject and body only, and is left out
// when one of them holds an encoded line break. Linear in the value's length.
ListUnsubscribe unsubscribeAddresses(std::string_view rawValue);

// What a question names of an address, so that the user sees where it
// leads before it opens.
struct Target {
    std::u16string
        where;  // a page's scheme and whole host ("https://host:port"), a mail's recipients
    std::u16string subject;  // a mail's, decoded; empty for a page
    // The host is a name in another script, shown in its "xn--" form: a
    // look-alike of a known name is possible.
    bool foreignScript = false;
};
Target targetOf(const Address& address);

// The one to open: the first https address, else the first mailto address,
// else the first http address.
std::optional<Address> preferredAddress(const std::vector<Address>& addresses);

// Whether `bytes` begin with a message's header block: header fields (and
// their folded continuations) up to an empty line or the end, among them
// a From field, which every message has.
// A text dropped as characters is tested as it is.
bool startsWithHeaderBlock(std::string_view bytes);
bool startsWithHeaderBlock(std::u16string_view text);

enum class Content {
    Message,         // a header block
    Mailbox,         // an mbox "From " line, then a header block
    OutlookMessage,  // a compound file, as Outlook saves a message (.msg)
    Other,
};

// What a file holds, judged from its first whole lines alone.
Content contentOf(std::string_view start);

// OutlookMessage: a compound file, as Outlook saves and drags a message (.msg).
enum class Problem { None, NotAMessage, TooLarge, Unreadable, Unavailable, OutlookMessage };

// Who sent a message, to whom, when, and on which list.
struct Envelope {
    std::u16string senderName;     // the display name, decoded; empty when there is none
    std::u16string senderAddress;  // in small letters
    std::u16string subject;        // decoded
    // Seconds since 1970 (UTC): the Date field, else the date its last
    // server added when it took the message in; nothing when neither reads.
    std::optional<std::int64_t> date;
    std::u16string listId;     // what List-Id holds between its brackets, in small letters
    std::u16string messageId;  // as it stands between its brackets
    // The addresses it was delivered to, in small letters: Delivered-To,
    // X-Original-To, then those of To, in that order and each once.
    std::vector<std::u16string> recipients;
};

struct Reading {
    Problem problem = Problem::None;
    // The first line of the text body and what the dropped-text rule reads
    // in it; the line is empty when the message has no readable text body.
    std::u16string examinedLine;
    std::optional<recognise::RecognisedMagazine> magazine;
    std::vector<Address> unsubscribe;
    std::size_t overlongAddresses = 0;  // List-Unsubscribe addresses too long to be opened
    std::string unreadableCharset;      // the text body's charset, when it could not be read
    Envelope envelope;
    // It asks to be left by one request (RFC 8058: List-Unsubscribe-Post
    // "List-Unsubscribe=One-Click"), and holds one List-Unsubscribe and one
    // List-Unsubscribe-Post field: a field added on top of a signed one
    // would be read instead of it.
    bool oneClick = false;
    // Where in its file the message stands, in bytes: [begin, end), an mbox
    // message from its "From " line.
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

// The value List-Unsubscribe-Post holds to ask for one-click leaving.
bool asksOneClick(std::string_view rawValue);

// The bytes of the message at [begin, end) of `file` as it was sent (an
// mbox "From " line left out); nothing when they cannot be read or are more
// than MaxMessageBytes.
std::optional<std::string> storedMessage(const std::filesystem::path& file, std::uint64_t begin,
                                         std::uint64_t end);

// Where the bytes come from: as the message was sent (a file, dragged
// message data), or dropped as text, whose body is then the dropped
// characters in UTF-8 unless a transfer encoding still wraps it.
enum class Origin { Sent, DroppedText };

Reading readMessage(std::string_view bytes, Origin origin = Origin::Sent);

enum class FileProblem {
    None,
    Missing,      // nothing at the path
    NotAFile,     // a folder, a pipe, a device or a socket
    NotAMessage,  // neither a message nor a mailbox
    OutlookMessage,
    TooLarge,     // a single message over MaxMessageBytes, its header block over
                  // MaxHeaderBytes or a line over MaxLineBytes
    Unreadable,   // see `cause`
    Unavailable,  // no MIME reader on this system
    Cancelled,    // stopped on request; `messages` holds those read before
};

struct FileReading {
    FileProblem problem = FileProblem::None;
    std::error_code cause;
    bool mailbox = false;  // read as an mbox
    // In the file's order. In a mailbox, a message that cannot be read, or
    // is too large, has its own problem and the others are read; a message
    // too large is read no further than where it is found to be.
    std::vector<Reading> messages;
};

// One message, or every message of an mbox, from a file whose content (not
// name) says which. Only a regular file is opened, so a pipe or a device
// never blocks or streams; the file is read in pieces, never whole. A stop
// request is honoured between messages and within one, in a fraction of a
// second. Meant for a worker thread.
FileReading readMailFile(const std::filesystem::path& file, std::stop_token stop = {});

// Each message as it is read, with how far into the file the reading stands
// (in bytes). Only the message at hand is kept: a mailbox of any size is
// read in bounded memory.
using EachMessage = std::function<void(Reading&& message, std::uint64_t readUpTo)>;

// As readMailFile, but each message goes to `each` as soon as it is read and
// the result holds none.
FileReading scanMailFile(const std::filesystem::path& file, std::stop_token stop,
                         const EachMessage& each);

namespace native {

// What the MIME reader finds in one message.
struct Parts {
    Problem problem = Problem::Unavailable;  // None once a reader has read it
    std::string listUnsubscribe;             // the raw value
    std::string listUnsubscribePost;         // the raw value, when the field stands once
    std::size_t listUnsubscribeFields = 0;   // how many List-Unsubscribe fields it holds
    std::u16string firstLine;  // of the first text/plain part that is no attachment, decoded
    std::string unreadableCharset;
    Envelope envelope;
};

Parts readParts(std::string_view bytes, Origin origin);

// Reads the regular file at `file` into `reading`, or hands each message to
// `each` when there is one.
void readFile(const std::filesystem::path& file, std::stop_token stop, FileReading& reading,
              const EachMessage* each = nullptr);

// What the program makes of the parts (shared by every reader).
Reading readingOf(Parts parts);

}  // namespace native

}  // namespace nolvetta::message
