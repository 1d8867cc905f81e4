// The user's texts bring into a URL no blank, control character, & # + ; =
// nor a % that does not start an escape.
#include "fuzz.h"
#include "requests/urls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string encoded = nolvetta::requests::encodeUserText(fuzzText(data, size));
    const auto hexAt = [&](std::size_t i) {
        return i < encoded.size() && std::u16string_view(u"0123456789ABCDEF").find(encoded[i]) !=
                                         std::u16string_view::npos;
    };
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char16_t c = encoded[i];
        check(c > 0x20 && (c < 0x7F || c > 0x9F) &&
              std::u16string_view(u"&#+;=").find(c) == std::u16string_view::npos);
        check(c != u'%' || (hexAt(i + 1) && hexAt(i + 2)));
    }
    return 0;
}
