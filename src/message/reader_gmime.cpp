#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "message/gmime_api.h"
#include "message/mail_file.h"
#include "message/message.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace nolvetta::message::native {

namespace {

struct Gmime : GmimeFunctions {
    GMimeParserOptions* options;  // for the whole run
};

// Nothing when GMime cannot be had.
const Gmime* gmime() {
    static const std::optional<Gmime> bound = []() -> std::optional<Gmime> {
        Gmime g{};
        if (!bindGmime(g)) {
            return std::nullopt;
        }
        g.init();
        // Header text sent unencoded is Japanese mail's own code page where
        // it is no UTF-8.
        g.options = g.newOptions();
        const char* fallbacks[] = {"UTF-8", "CP932", nullptr};
        g.setFallbacks(g.options, fallbacks);
        return g;
    }();
    return bound ? &*bound : nullptr;
}

struct Unref {
    void operator()(void* object) const { gmime()->unref(object); }
};
template <typename T>
using Object = std::unique_ptr<T, Unref>;

// The first text/plain part that is not an attachment, as GMime walks them.
struct TextSearch {
    const Gmime* g;
    GMimePart* found = nullptr;
};

void lookAt(GMimeObject*, GMimeObject* part, gpointer data) {
    auto* search = static_cast<TextSearch*>(data);
    if (!search->found && search->g->isType(search->g->contentType(part), "text", "plain") &&
        !search->g->isAttachment(reinterpret_cast<GMimePart*>(part))) {
        search->found = reinterpret_cast<GMimePart*>(part);
    }
}

// Mail labelled Shift_JIS is written with Windows' code page 932, a
// superset (circled digits, company marks).
const char* converterName(const Gmime& g, const char* charset) {
    for (const char* alias :
         {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "ms_kanji"}) {
        if (text::equalsIgnoringAsciiCase(charset, alias)) {
            return "CP932";
        }
    }
    return g.iconvName(charset);
}

// A line cut short may end inside a character, which then does not count.
std::optional<std::u16string> toUtf16(std::string_view bytes, const char* from, bool cutShort) {
    if (bytes.empty()) {
        return std::u16string();
    }
    gsize read = 0;
    gsize length = 0;
    std::unique_ptr<gchar, decltype(&g_free)> utf8(
        g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", from,
                  cutShort ? &read : nullptr, &length, nullptr),
        &g_free);
    std::unique_ptr<gunichar2, decltype(&g_free)> utf16(
        utf8 ? g_utf8_to_utf16(utf8.get(), static_cast<glong>(length), nullptr, nullptr, nullptr)
             : nullptr,
        &g_free);
    if (!utf16) {
        return std::nullopt;
    }
    return std::u16string(reinterpret_cast<const char16_t*>(utf16.get()));
}

// Far beyond any line a newsletter begins with; a part may be as large as
// its message, and only its first line is wanted.
constexpr std::size_t MaxFirstLineBytes = 64u << 10;

bool isWrapped(GMimeContentEncoding encoding) {
    return encoding == GMIME_CONTENT_ENCODING_BASE64 ||
           encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE ||
           encoding == GMIME_CONTENT_ENCODING_UUENCODE;
}

// The part's first line, decoded from its transfer encoding, read in pieces
// up to its end or MaxFirstLineBytes.
std::string firstLineBytes(const Gmime& g, GMimeDataWrapper* content, bool& cutShort) {
    std::string line;
    GMimeStream* encoded = content ? g.contentStream(content) : nullptr;
    if (!encoded) {
        return line;
    }
    g.reset(encoded);
    const Object<GMimeStream> decoded(g.filterStream(encoded));
    if (const GMimeContentEncoding encoding = g.contentEncoding(content); isWrapped(encoding)) {
        const Object<GMimeFilter> decoder(g.decoder(encoding, FALSE));
        g.addFilter(reinterpret_cast<GMimeStreamFilter*>(decoded.get()), decoder.get());
    }
    char piece[4096];
    std::size_t end = std::string::npos;
    while (end == std::string::npos && line.size() < MaxFirstLineBytes) {
        const ssize_t length = g.read(decoded.get(), piece, sizeof piece);
        if (length <= 0) {
            break;
        }
        end = std::string_view(piece, static_cast<std::size_t>(length)).find('\n');
        end = end == std::string::npos ? end : line.size() + end;
        line.append(piece, static_cast<std::size_t>(length));
    }
    // Every charset named in mail ends a line with the byte 0x0A, and a bad
    // character further down must not matter.
    cutShort = std::min(end, line.size()) >= MaxFirstLineBytes;
    line.resize(std::min({end, line.size(), MaxFirstLineBytes}));
    return line;
}

// As the user's list is compared with it: letter case aside.
std::u16string addressText(const char* address) {
    return text::fromUtf8(text::asciiLowered(std::string(address ? address : "")));
}

// An address as a delivery header gives it: "<a@b>" or "a@b", with blanks.
std::u16string bareAddress(std::string_view value) {
    const std::size_t open = value.find('<');
    if (open != std::string_view::npos) {
        value = value.substr(open + 1, value.find('>', open) - open - 1);
    }
    const std::size_t begin = value.find_first_not_of(" \t\r\n");
    const std::size_t end = value.find_last_not_of(" \t\r\n");
    return begin == std::string_view::npos
               ? std::u16string()
               : addressText(std::string(value.substr(begin, end - begin + 1)).c_str());
}

// Decoded header text; ISO-2022-JP sent without encoding is plain ASCII to
// GMime, its escape sequences and all.
std::u16string headerText(const char* decoded) {
    const std::string_view text(decoded ? decoded : "");
    if (text.find("\x1b$") != std::string_view::npos) {
        if (std::optional<std::u16string> japanese = toUtf16(text, "ISO-2022-JP", false)) {
            return *japanese;
        }
    }
    return text::fromUtf8(text);
}

std::optional<std::int64_t> secondsOf(GDateTime* date) {
    return date ? std::optional(std::int64_t(g_date_time_to_unix(date))) : std::nullopt;
}

Envelope envelopeOf(const Gmime& g, GMimeMessage* message) {
    Envelope envelope;
    GMimeHeaderList* headers = g.headerList(reinterpret_cast<GMimeObject*>(message));
    const auto header = [&](const char* name) -> const char* {
        GMimeHeader* found = g.header(headers, name);
        return found ? g.value(found) : nullptr;
    };
    const auto isMailbox = [&](InternetAddress* address) {
        return g.isA(reinterpret_cast<GTypeInstance*>(address), g.mailboxType());
    };
    InternetAddressList* from = g.from(message);
    if (InternetAddress* sender = from && g.addressCount(from) > 0 ? g.address(from, 0) : nullptr) {
        envelope.senderName = headerText(g.name(sender));
        if (isMailbox(sender)) {
            envelope.senderAddress =
                addressText(g.mailboxAddress(reinterpret_cast<InternetAddressMailbox*>(sender)));
        }
    }
    envelope.subject = headerText(g.subject(message));
    envelope.date = secondsOf(g.date(message));
    if (const char* received = envelope.date ? nullptr : header("Received")) {
        // The date stands after the last semicolon.
        const char* semicolon = std::strrchr(received, ';');
        if (GDateTime* date = semicolon ? g.decodeDate(semicolon + 1) : nullptr) {
            envelope.date = secondsOf(date);
            g_date_time_unref(date);
        }
    }
    if (const char* list = header("List-Id")) {
        const std::string_view value(list);
        const std::size_t open = value.rfind('<');
        envelope.listId =
            open == std::string_view::npos ? bareAddress(value) : bareAddress(value.substr(open));
    }
    envelope.messageId = text::fromUtf8(g.messageId(message) ? g.messageId(message) : "");
    const auto addRecipient = [&](std::u16string address) {
        if (!address.empty() && std::find(envelope.recipients.begin(), envelope.recipients.end(),
                                          address) == envelope.recipients.end()) {
            envelope.recipients.push_back(std::move(address));
        }
    };
    for (const char* name : {"Delivered-To", "X-Original-To"}) {
        if (const char* value = header(name)) {
            addRecipient(bareAddress(value));
        }
    }
    if (InternetAddressList* to = g.addresses(message, GMIME_ADDRESS_TYPE_TO)) {
        for (int i = 0; i < g.addressCount(to); ++i) {
            if (InternetAddress* address = g.address(to, i); isMailbox(address)) {
                addRecipient(addressText(
                    g.mailboxAddress(reinterpret_cast<InternetAddressMailbox*>(address))));
            }
        }
    }
    return envelope;
}

Parts partsOf(const Gmime& g, GMimeMessage* message, Origin origin) {
    Parts parts;
    parts.problem = Problem::None;
    parts.envelope = envelopeOf(g, message);
    auto* whole = reinterpret_cast<GMimeObject*>(message);
    // The raw value: decoding encoded words would make brackets out of text.
    if (GMimeHeader* header = g.header(g.headerList(whole), "List-Unsubscribe")) {
        if (const char* value = g.rawValue(header)) {
            parts.listUnsubscribe = value;
        }
    }
    GMimeHeaderList* headers = g.headerList(whole);
    std::size_t posts = 0;
    for (int i = 0; i < g.headerCount(headers); ++i) {
        const char* name = g.headerName(g.headerAt(headers, i));
        parts.listUnsubscribeFields += text::equalsIgnoringAsciiCase(name, "List-Unsubscribe");
        if (text::equalsIgnoringAsciiCase(name, "List-Unsubscribe-Post") && ++posts == 1) {
            const char* value = g.rawValue(g.headerAt(headers, i));
            parts.listUnsubscribePost = value ? value : "";
        }
    }
    if (posts != 1) {
        parts.listUnsubscribePost.clear();
    }
    TextSearch search{&g};
    g.forEachPart(message, lookAt, &search);
    if (!search.found) {
        return parts;
    }
    GMimeDataWrapper* content = g.content(search.found);
    bool cutShort = false;
    const std::string line = firstLineBytes(g, content, cutShort);
    const bool stillWrapped = content && isWrapped(g.contentEncoding(content));
    const char* declared =
        g.contentTypeParameter(reinterpret_cast<GMimeObject*>(search.found), "charset");
    const char* charset = declared ? declared : "us-ascii";
    const char* from =
        origin == Origin::DroppedText && !stillWrapped ? "UTF-8" : converterName(g, charset);
    if (std::optional<std::u16string> text = toUtf16(line, from, cutShort)) {
        parts.firstLine = recognise::firstLine(*text);
    } else {
        parts.unreadableCharset = charset;
    }
    return parts;
}

// A file read forward in pieces, to find where its messages and their
// header blocks end before GMime is given any of them.
class Pieces {
public:
    explicit Pieces(MailFile& file) : file_(file), piece_(64u << 10, '\0') {}

    // Where `marker` first starts at or after `from` and before `before`; -1
    // when it does not, or on a stop.
    gint64 find(std::string_view marker, gint64 from, gint64 before, const std::stop_token& stop) {
        while (from < before && !stop.stop_requested()) {
            if (from < at_ || from + gint64(marker.size()) > at_ + gint64(length_)) {
                const std::int64_t length = file_.readAt(piece_.data(), piece_.size(), from);
                at_ = from;
                length_ = std::size_t(std::max<std::int64_t>(length, 0));
            }
            const std::size_t skipped = std::size_t(from - at_);
            const std::size_t found =
                std::string_view(piece_.data() + skipped, length_ - skipped).find(marker);
            if (found != std::string_view::npos) {
                return from + gint64(found) < before ? from + gint64(found) : -1;
            }
            if (length_ < piece_.size()) {
                break;  // the file's end
            }
            from = at_ + gint64(length_ - marker.size() + 1);  // a marker across two pieces
        }
        return -1;
    }

    // Whether no line in [from, before) is longer than `longest`. Each
    // stretch of `longest` + 1 bytes must hold a line break, and the next
    // stretch begins after its last one: a file is read a piece or so per
    // stretch, not line by line.
    bool linesFit(gint64 from, gint64 before, std::size_t longest, const std::stop_token& stop) {
        for (gint64 line = from; before - line > gint64(longest) && !stop.stop_requested();) {
            const gint64 last = lastBreak(line, line + gint64(longest) + 1);
            if (last < 0) {
                return false;
            }
            line = last + 1;
        }
        return true;
    }

private:
    // Where the last line break in [from, before) is; -1 when there is none.
    gint64 lastBreak(gint64 from, gint64 before) {
        while (before > from) {
            const gint64 start = std::max(from, before - gint64(piece_.size()));
            const std::int64_t length =
                file_.readAt(piece_.data(), std::size_t(before - start), start);
            at_ = start;
            length_ = std::size_t(std::max<std::int64_t>(length, 0));
            const std::size_t found = std::string_view(piece_.data(), length_).rfind('\n');
            if (found != std::string_view::npos) {
                return start + gint64(found);
            }
            if (length <= 0) {
                break;
            }
            before = start;
        }
        return -1;
    }

    MailFile& file_;
    std::string piece_;
    gint64 at_ = 0;
    std::size_t length_ = 0;
};

// Whether the header block of the message at [begin, end), up to its empty
// line and with its mbox "From " line, is at most MaxHeaderBytes long: GMime
// holds a header line in memory several times over.
bool headerFits(Pieces& file, gint64 begin, gint64 end, const std::stop_token& stop) {
    const gint64 cap = begin + gint64(MaxHeaderBytes);
    return end <= cap || file.find("\n\n", begin, cap, stop) >= 0 ||
           file.find("\n\r\n", begin, cap, stop) >= 0;
}

using Found = std::function<void(Parts&&, gint64 readUpTo)>;

// The messages of an open file of `size` bytes, in its order. Each message's
// extent is found first and only a message within the limits is handed to
// GMime, alone: then no line, however long, costs more than its limits allow.
void readMessages(const Gmime& g, MailFile& mail, bool mailbox, const std::stop_token& stop,
                  const Found& found) {
    const gint64 size = mail.size();
    const Object<GMimeStream> stream(g.streamOfFile(mail.descriptor()));
    g.setFileOwner(reinterpret_cast<GMimeStreamFs*>(stream.get()), FALSE);
    Pieces file(mail);
    for (gint64 begin = 0; begin < size && !stop.stop_requested();) {
        const gint64 marker = mailbox ? file.find("\nFrom ", begin, size, stop) : -1;
        const gint64 end = marker < 0 ? size : marker + 1;
        Parts parts;
        if (std::uintmax_t(end - begin) > MaxMessageBytes || !headerFits(file, begin, end, stop) ||
            !file.linesFit(begin, end, MaxLineBytes, stop)) {
            parts.problem = Problem::TooLarge;
        } else {
            const Object<GMimeStream> bytes(g.substream(stream.get(), begin, end));
            const Object<GMimeParser> parser(g.parser(bytes.get()));
            if (mailbox) {
                g.setFormat(parser.get(), GMIME_FORMAT_MBOX);
            }
            const Object<GMimeMessage> message(g.parseMessage(parser.get(), g.options));
            if (message) {
                parts = partsOf(g, message.get(), Origin::Sent);
            } else {
                parts.problem = Problem::NotAMessage;
            }
        }
        if (stop.stop_requested()) {
            break;
        }
        found(std::move(parts), end);
        begin = end;
    }
}

}  // namespace

Parts readParts(std::string_view bytes, Origin origin) {
    const Gmime* g = gmime();
    if (!g) {
        return {};
    }
    const Object<GMimeStream> stream(g->streamOfBytes(bytes.data(), bytes.size()));
    const Object<GMimeParser> parser(g->parser(stream.get()));
    const Object<GMimeMessage> message(g->parseMessage(parser.get(), g->options));
    if (!message) {
        Parts parts;
        parts.problem = Problem::None;
        return parts;
    }
    return partsOf(*g, message.get(), origin);
}

void readFile(const std::filesystem::path& file, std::stop_token stop, FileReading& reading,
              const EachMessage* each) {
    const Gmime* g = gmime();
    if (!g) {
        reading.problem = FileProblem::Unavailable;
        return;
    }
    MailFile mail(file);
    if (!mail.isRegular()) {
        reading.problem = mail.error() ? FileProblem::Unreadable : FileProblem::NotAFile;
        reading.cause = mail.error();
        return;
    }
    std::string start(64u << 10, '\0');
    const std::int64_t length = mail.readAt(start.data(), start.size(), 0);
    if (length < 0) {
        reading.problem = FileProblem::Unreadable;
        reading.cause = mail.error();
        return;
    }
    // Whole lines only: a line cut by the piece's end is judged by none of it.
    start.resize(std::size_t(length));
    if (length < mail.size()) {
        start.resize(start.rfind('\n') + 1);
    }
    const Content content = contentOf(start);
    reading.mailbox = content == Content::Mailbox;
    if (content == Content::Other || content == Content::OutlookMessage) {
        reading.problem =
            content == Content::Other ? FileProblem::NotAMessage : FileProblem::OutlookMessage;
        return;
    }
    if (!reading.mailbox) {
        Pieces message(mail);
        if (std::uintmax_t(mail.size()) > MaxMessageBytes ||
            !headerFits(message, 0, mail.size(), {}) ||
            !message.linesFit(0, mail.size(), MaxLineBytes, stop)) {
            reading.problem = FileProblem::TooLarge;
            return;
        }
    }
    {
        // A stop while GMime reads makes the rest of the file read as empty:
        // GMime then ends the message it is on at once.
        const std::stop_callback endEarly(stop, [&mail] { mail.endEarly(); });
        std::uint64_t begin = 0;
        readMessages(*g, mail, reading.mailbox, stop, [&](Parts&& parts, gint64 readUpTo) {
            Reading message = readingOf(std::move(parts));
            message.begin = std::exchange(begin, std::uint64_t(readUpTo));
            message.end = std::uint64_t(readUpTo);
            if (each) {
                (*each)(std::move(message), std::uint64_t(readUpTo));
            } else {
                reading.messages.push_back(std::move(message));
            }
        });
    }
    if (stop.stop_requested()) {
        reading.problem = FileProblem::Cancelled;
    }
}

}  // namespace nolvetta::message::native
