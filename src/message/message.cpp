#include "message/message.h"

#include <algorithm>

#include "text/ascii.h"

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
        if (const std::optional<Scheme> scheme = schemeOf(url)) {
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
    return reading;
}

Reading readMessage(std::string_view bytes, Origin origin) {
    Reading reading;
    const std::string_view start = bytes.substr(0, MaxHeaderBytes + 2);
    const bool headerFits = bytes.size() <= MaxHeaderBytes ||
                            std::min(start.find("\n\n"), start.find("\n\r\n")) < MaxHeaderBytes;
    if (bytes.size() > MaxMessageBytes || !headerFits) {
        reading.problem = Problem::TooLarge;
        return reading;
    }
    if (!startsWithHeaderBlock(bytes)) {
        reading.problem = Problem::NotAMessage;
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
