// The List-Unsubscribe addresses of a header's text alone are exactly those
// of the whole message around it, as GMime reads it; none hides its host
// behind user information, and no mailto keeps a field but its subject and
// body, nor a line break in one.
#include <algorithm>

#include "fuzz.h"
#include "message/message.h"
#include "text/utf8.h"

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
    for (const Address& address : alone.addresses) {
        std::string url = nolvetta::text::toUtf8(address.url);
        std::transform(url.begin(), url.end(), url.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
        if (address.scheme != Scheme::Mailto) {
            const std::size_t host = url.find("//") + 2;
            check(url.substr(host, url.find_first_of("/?#", host) - host).find('@') ==
                  std::string::npos);
            continue;
        }
        check(url.find("%0a") == std::string::npos && url.find("%0d") == std::string::npos);
        const std::size_t question = url.find('?');
        for (std::size_t at = question; at != std::string::npos; at = url.find('&', at + 1)) {
            const std::string_view field = std::string_view(url).substr(at + 1);
            check(field.starts_with("subject=") || field.starts_with("body="));
        }
    }
    return 0;
}
