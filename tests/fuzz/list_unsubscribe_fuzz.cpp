// The List-Unsubscribe addresses of a header's text alone are exactly those
// of the whole message around it, as GMime reads it.
#include "fuzz.h"
#include "message/message.h"

using namespace nolvetta::message;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // What a header can hold: a line break only as the fold before a blank.
    std::string value;
    for (const char c : std::string_view(reinterpret_cast<const char*>(data), size)) {
        value += c == '\n' ? "\r\n " : c == '\r' || c == '\0' ? "" : std::string(1, c);
    }
    const ListUnsubscribe alone = unsubscribeAddresses(value);
    const Reading whole = readMessage("From: a\r\nList-Unsubscribe:" + value + "\r\n\r\nbody\r\n");
    check(whole.problem == Problem::None && whole.unsubscribe == alone.addresses &&
          whole.overlongAddresses == alone.overlong);
    return 0;
}
