#include "form/servers.h"

#include "form/captions.h"
#include "text/utf8.h"

namespace nolvetta::form {

namespace {

using mailbox::ImapFailure;

captions::Text patternOf(ImapFailure failure) {
    switch (failure) {
        case ImapFailure::Insecure:
            return captions::ServerInsecure;
        case ImapFailure::HostNotFound:
            return captions::ServerNotFound;
        case ImapFailure::Refused:
            return captions::ServerRefused;
        case ImapFailure::NoTls:
            return captions::ServerNoTls;
        case ImapFailure::Certificate:
            return captions::ServerCertificate;
        case ImapFailure::Login:
            return captions::ServerLogin;
        case ImapFailure::TimedOut:
            return captions::ServerTimedOut;
        case ImapFailure::Malformed:
            return captions::ServerMalformed;
        case ImapFailure::TooLarge:
            return captions::ServerTooLarge;
        case ImapFailure::NoFolder:
            return captions::ServerNoFolder;
        case ImapFailure::Unavailable:
            return captions::ServerUnavailable;
        default:
            return captions::ServerConnectionLost;
    }
}

// The server's words are its own: no line breaks or controls of theirs,
// and no more than a line's worth.
std::u16string shownWords(const std::string& words) {
    std::u16string shown;
    for (const char16_t c : text::fromUtf8(words)) {
        if (shown.size() >= 200) {
            shown += u"…";
            break;
        }
        shown += c < u' ' || c == u'\x7f' ? u' ' : c;
    }
    return shown;
}

}  // namespace

std::optional<std::u16string> serverMessage(const mailbox::ServerReport& server) {
    const mailbox::ImapReport& report = server.report;
    if (report.failure == ImapFailure::None || report.failure == ImapFailure::Cancelled) {
        return std::nullopt;
    }
    std::u16string message = captions::format(
        patternOf(report.failure),
        {mailbox::accountText(server.place.account), text::fromUtf8(server.place.folder)});
    if (const std::u16string words = shownWords(report.detail); !words.empty()) {
        message += captions::format(captions::ServerSaid, {words});
    }
    if (report.messages > 0) {
        message += u"\n";
        message += captions::ServerRowsSoFar;
    }
    return message;
}

}  // namespace nolvetta::form
