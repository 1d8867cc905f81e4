#include <glib.h>

#include "mailbox/imap.h"

namespace nolvetta::mailbox {

namespace {

// A parameter taken into the made-up header: nothing that could end the
// line or the field.
bool isToken(std::string_view value) {
    if (value.empty() || value.size() > 64) {
        return false;
    }
    for (const char c : value) {
        if (!g_ascii_isalnum(c) && std::string_view("-_.:+").find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string partialMessage(std::string_view headerFields, const std::optional<TextPart>& text) {
    while (headerFields.ends_with('\n')) {
        headerFields.remove_suffix(headerFields.ends_with("\r\n") ? 2 : 1);
    }
    std::string message(headerFields);
    message += "\r\n";
    if (!text) {
        return message + "\r\n";
    }
    message += "MIME-Version: 1.0\r\nContent-Type: text/plain";
    if (isToken(text->charset)) {
        message += "; charset=\"" + text->charset + "\"";
    }
    message += "\r\n";
    if (isToken(text->encoding)) {
        message += "Content-Transfer-Encoding: " + text->encoding + "\r\n";
    }
    message += "\r\n";
    std::string_view start = text->start;
    // The last line may stop inside a character or an encoded group.
    if (const std::size_t end = start.rfind('\n'); text->cutShort && end != start.npos) {
        start = start.substr(0, end + 1);
    }
    return message.append(start);
}

}  // namespace nolvetta::mailbox
