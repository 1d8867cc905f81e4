// Whatever the bytes, only what starts with a header block is read as a
// message, and only addresses of the three schemes it may open come out,
// each free of what could split or end an argument.
#include <algorithm>

#include "fuzz.h"
#include "message/message.h"

using namespace nolvetta::message;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Reading reading = readMessage(bytes);
    check(reading.problem != Problem::None || startsWithHeaderBlock(bytes));
    for (const auto& found : {reading.unsubscribe, unsubscribeAddresses(bytes).addresses}) {
        for (const Address& address : found) {
            const std::u16string& url = address.url;
            const std::u16string_view scheme = address.scheme == Scheme::Https    ? u"https://"
                                               : address.scheme == Scheme::Mailto ? u"mailto:"
                                                                                  : u"http://";
            // Each character of the scheme, in any case.
            check(url.size() > scheme.size() &&
                  std::equal(scheme.begin(), scheme.end(), url.begin(),
                             [](char16_t s, char16_t u) { return s == (u | 0x20); }) &&
                  std::all_of(url.begin(), url.end(),
                              [](char16_t c) { return c > u' ' && c < 0x7F && c != u'"'; }));
        }
    }
    return 0;
}
