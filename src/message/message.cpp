#include "message/message.h"

#include <algorithm>
#include <fstream>
#include <utility>

#include "text/ascii.h"
#include "text/utf8.h"

namespace nolvetta::message {

namespace {

namespace fs = std::filesystem;

// Printable ASCII that a URL may hold as it is.
bool isUrlCharacter(char c) {
    return c > ' ' && c < 0x7F && std::string_view("\"<>\\^`{|}").find(c) == std::string_view::npos;
}

// The scheme of an entry that may be opened.
std::optional<Scheme> schemeOf(std::string_view url) {
    if (!std::all_of(url.begin(), url.end(), isUrlCharacter)) {
        return std::nullopt;
    }
    static constexpr struct {
        std::string_view prefix;
        Scheme scheme;
    } schemes[] = {
        {"https://", Scheme::Https}, {"mailto:", Scheme::Mailto}, {"http://", Scheme::Http}};
    for (const auto& [prefix, scheme] : schemes) {
        if (url.size() > prefix.size() &&
            text::equalsIgnoringAsciiCase(url.substr(0, prefix.size()), prefix)) {
            return scheme;
        }
    }
    return std::nullopt;
}

int hexValue(char c) {
    const char lower = text::asciiLower(c);
    return c >= '0' && c <= '9' ? c - '0' : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// What a percent-encoded text stands for, as bytes.
std::string percentDecoded(std::string_view encoded) {
    std::string bytes;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const int high = i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(encoded[i + 2]) : -1;
        if (encoded[i] == '%' && low >= 0) {
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += encoded[i];
        }
    }
    return bytes;
}

// A page's address names its host right after "//": user information
// before it ("www.bank.example:login@evil.example") only disguises the host.
bool hasPlainHost(std::string_view url) {
    const std::size_t begin = url.find("//");
    if (begin == std::string_view::npos) {
        return false;
    }
    const std::string_view authority =
        url.substr(begin + 2, url.find_first_of("/?#", begin + 2) - (begin + 2));
    return !authority.empty() && authority.front() != ':' &&
           authority.find('@') == std::string_view::npos;
}

// A mail to leave a list needs its recipient, and at most a subject and a
// body: any other field (cc, bcc, to, a header of its own) would send the
// mail elsewhere or as something else, and a line break decoded inside a
// field would add a header of its own. Nothing when it cannot be made safe.
std::optional<std::string> cleanMailto(std::string_view url) {
    const std::size_t question = url.find('?');
    const std::string_view to = url.substr(7, question - std::min(question, std::size_t(7)));
    std::string clean = "mailto:" + std::string(to);
    if (to.empty() || percentDecoded(to).find_first_of("\r\n") != std::string::npos) {
        return std::nullopt;
    }
    bool first = true;
    std::string_view rest = question == std::string_view::npos ? "" : url.substr(question + 1);
    while (!rest.empty()) {
        const std::string_view field = rest.substr(0, rest.find('&'));
        rest.remove_prefix(std::min(rest.size(), field.size() + 1));
        const std::size_t equals = field.find('=');
        const std::string name = text::asciiLowered(percentDecoded(field.substr(0, equals)));
        const std::string_view value =
            equals == std::string_view::npos ? "" : field.substr(equals + 1);
        if (name != "subject" && name != "body") {
            continue;
        }
        if (percentDecoded(value).find_first_of("\r\n") != std::string::npos) {
            return std::nullopt;
        }
        clean += (std::exchange(first, false) ? '?' : '&') + name + '=' + std::string(value);
    }
    return clean;
}

}  // namespace

ListUnsubscribe unsubscribeAddresses(std::string_view value) {
    ListUnsubscribe found;
    int commentDepth = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (commentDepth > 0) {
            i += c == '\\' ? 1 : 0;  // a quoted character
            commentDepth += c == '(' ? 1 : c == ')' ? -1 : 0;
            continue;
        }
        if (c == '(') {
            commentDepth = 1;
            continue;
        }
        if (c != '<') {
            continue;
        }
        const std::size_t end = value.find('>', i + 1);
        if (end == std::string_view::npos) {
            break;
        }
        std::string url(value.substr(i + 1, end - i - 1));
        std::erase_if(url, [](char u) { return u == ' ' || u == '\t' || u == '\r' || u == '\n'; });
        std::optional<Scheme> scheme = schemeOf(url);
        if (scheme == Scheme::Mailto) {
            const std::optional<std::string> clean = cleanMailto(url);
            scheme = clean ? scheme : std::nullopt;
            url = clean.value_or(std::string());
        } else if (scheme && !hasPlainHost(url)) {
            scheme = std::nullopt;
        }
        if (scheme) {
            if (url.size() > MaxAddressLength) {
                ++found.overlong;
            } else {
                found.addresses.push_back({*scheme, std::u16string(url.begin(), url.end())});
            }
        }
        i = end;
    }
    return found;
}

Target targetOf(const Address& address) {
    const std::string url = text::toUtf8(address.url);
    Target target;
    std::string host;
    if (address.scheme == Scheme::Mailto) {
        const std::size_t question = url.find('?');
        host = percentDecoded(url.substr(7, question - std::min(question, std::size_t(7))));
        target.where = text::fromUtf8(host);
        host = host.substr(std::min(host.rfind('@') + 1, host.size()));
        for (std::string_view rest = question == std::string::npos
                                         ? std::string_view()
                                         : std::string_view(url).substr(question + 1);
             !rest.empty();) {
            const std::string_view field = rest.substr(0, rest.find('&'));
            rest.remove_prefix(std::min(rest.size(), field.size() + 1));
            if (field.starts_with("subject=")) {
                target.subject = text::fromUtf8(percentDecoded(field.substr(8)));
            }
        }
    } else {
        const std::size_t begin = url.find("//") + 2;
        host = url.substr(begin, url.find_first_of("/?#", begin) - begin);
        target.where = text::fromUtf8(url.substr(0, begin) + host);
    }
    for (std::u16string* shown : {&target.where, &target.subject}) {
        std::replace_if(
            shown->begin(), shown->end(), [](char16_t c) { return c < u' ' || c == 0x7F; }, u' ');
    }
    const std::string labels = text::asciiLowered("." + host);
    target.foreignScript = labels.find(".xn--") != std::string::npos;
    return target;
}

std::optional<Address> preferredAddress(const std::vector<Address>& addresses) {
    for (Scheme scheme : {Scheme::Https, Scheme::Mailto, Scheme::Http}) {
        const auto address = std::find_if(addresses.begin(), addresses.end(),
                                          [&](const Address& a) { return a.scheme == scheme; });
        if (address != addresses.end()) {
            return *address;
        }
    }
    return std::nullopt;
}

namespace {

template <typename Char>
bool headerBlockAtStart(std::basic_string_view<Char> text) {
    using View = std::basic_string_view<Char>;
    bool hasFrom = false;
    for (bool first = true; !text.empty(); first = false) {
        const std::size_t end = text.find(Char('\n'));
        View line = text.substr(0, end);
        if (!line.empty() && line.back() == Char('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            break;  // the empty line that ends the header block
        }
        if (line.front() == Char(' ') || line.front() == Char('\t')) {
            if (first) {
                return false;  // a continuation of nothing
            }
        } else {
            const std::size_t colon = line.find(Char(':'));
            const View name = line.substr(0, colon);
            if (colon == View::npos || name.empty() ||
                !std::all_of(name.begin(), name.end(),
                             [](Char c) { return c > Char(' ') && c < Char(0x7F); })) {
                return false;
            }
            hasFrom = hasFrom || (name.size() == 4 &&
                                  std::equal(name.begin(), name.end(), "from", [](Char n, char f) {
                                      return text::asciiLower(n) == Char(f);
                                  }));
        }
        if (end == View::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return hasFrom;
}

}  // namespace

bool startsWithHeaderBlock(std::string_view bytes) {
    return headerBlockAtStart(bytes);
}

bool startsWithHeaderBlock(std::u16string_view text) {
    return headerBlockAtStart(text);
}

Content contentOf(std::string_view start) {
    if (start.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        return Content::OutlookMessage;
    }
    if (start.starts_with("From ")) {
        const std::size_t end = start.find('\n');
        return end != std::string_view::npos && startsWithHeaderBlock(start.substr(end + 1))
                   ? Content::Mailbox
                   : Content::Other;
    }
    return startsWithHeaderBlock(start) ? Content::Message : Content::Other;
}

Reading native::readingOf(Parts parts) {
    Reading reading;
    reading.problem = parts.problem;
    if (reading.problem != Problem::None) {
        return reading;
    }
    reading.examinedLine = std::move(parts.firstLine);
    reading.magazine = recognise::recogniseMagazine(reading.examinedLine);
    ListUnsubscribe list = unsubscribeAddresses(parts.listUnsubscribe);
    reading.unsubscribe = std::move(list.addresses);
    reading.overlongAddresses = list.overlong;
    reading.unreadableCharset = std::move(parts.unreadableCharset);
    reading.envelope = std::move(parts.envelope);
    reading.oneClick = parts.listUnsubscribeFields == 1 && asksOneClick(parts.listUnsubscribePost);
    return reading;
}

bool asksOneClick(std::string_view rawValue) {
    const std::size_t begin = rawValue.find_first_not_of(" \t\r\n");
    const std::size_t end = rawValue.find_last_not_of(" \t\r\n");
    return begin != std::string_view::npos &&
           text::equalsIgnoringAsciiCase(rawValue.substr(begin, end - begin + 1),
                                         "List-Unsubscribe=One-Click");
}

std::optional<std::string> storedMessage(const fs::path& file, std::uint64_t begin,
                                         std::uint64_t end) {
    if (end < begin || end - begin > MaxMessageBytes) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes(std::size_t(end - begin), '\0');
    if (!in.seekg(std::streamoff(begin)) || !in.read(bytes.data(), std::streamsize(bytes.size()))) {
        return std::nullopt;
    }
    if (bytes.starts_with("From ")) {
        bytes.erase(0, std::min(bytes.find('\n'), bytes.size() - 1) + 1);
    }
    return bytes;
}

Reading readMessage(std::string_view bytes, Origin origin) {
    Reading reading;
    const std::string_view start = bytes.substr(0, MaxHeaderBytes + 2);
    const bool headerFits = bytes.size() <= MaxHeaderBytes ||
                            std::min(start.find("\n\n"), start.find("\n\r\n")) < MaxHeaderBytes;
    // Each stretch of MaxLineBytes + 1 bytes holds a line break.
    bool linesFit = true;
    for (std::size_t line = 0; linesFit && bytes.size() - line > MaxLineBytes;) {
        const std::size_t last = bytes.substr(line, MaxLineBytes + 1).rfind('\n');
        linesFit = last != std::string_view::npos;
        line += last + 1;
    }
    if (bytes.size() > MaxMessageBytes || !headerFits || !linesFit) {
        reading.problem = Problem::TooLarge;
        return reading;
    }
    if (!startsWithHeaderBlock(bytes)) {
        reading.problem = contentOf(bytes.substr(0, 64u << 10)) == Content::OutlookMessage
                              ? Problem::OutlookMessage
                              : Problem::NotAMessage;
        return reading;
    }
    return native::readingOf(native::readParts(bytes, origin));
}

FileReading readMailFile(const fs::path& file, std::stop_token stop) {
    return scanMailFile(file, std::move(stop), nullptr);
}

FileReading scanMailFile(const fs::path& file, std::stop_token stop, const EachMessage& each) {
    FileReading reading;
    // Looked at before it is opened: opening a pipe waits for a writer, and
    // opening some devices acts on them.
    std::error_code error;
    const fs::file_type type = fs::status(file, error).type();
    if (type == fs::file_type::not_found) {
        reading.problem = FileProblem::Missing;
    } else if (error) {
        reading.problem = FileProblem::Unreadable;
        reading.cause = error;
    } else if (type != fs::file_type::regular) {
        reading.problem = FileProblem::NotAFile;
    } else {
        native::readFile(file, std::move(stop), reading, each ? &each : nullptr);
    }
    return reading;
}

}  // namespace nolvetta::message
