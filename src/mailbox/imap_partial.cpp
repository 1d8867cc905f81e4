#include "mailbox/imap.h"

namespace nolvetta::mailbox {

std::string partialMessage(std::string_view headerFields, std::string_view text, bool cutShort) {
    while (headerFields.ends_with('\n')) {
        headerFields.remove_suffix(headerFields.ends_with("\r\n") ? 2 : 1);
    }
    if (const std::size_t end = text.rfind('\n'); cutShort && end != text.npos) {
        text = text.substr(0, end + 1);
    }
    std::string message(headerFields);
    return message.append("\r\n\r\n").append(text);
}

}  // namespace nolvetta::mailbox
