// A recognised ID is what follows its marker on the first line, no longer than
// the service's IDs; a shop's top address is a piece of one line that begins
// with the prefix and ends in "/".
#include <algorithm>

#include "fuzz.h"
#include "recognise/dropped_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzzText(data, size);
    const std::u16string_view line = nolvetta::recognise::firstLine(text);
    if (const auto found = nolvetta::recognise::recogniseMagazine(text)) {
        const bool mag2 = found->service == 0;
        const std::size_t marker = line.find(mag2 ? u"mag2 ID" : u"melma");
        const std::size_t at = std::min(line.size(), marker + (mag2 ? 8 : 5));
        check(marker < line.size() && found->id.size() <= (mag2 ? 10u : 8u) &&
              line.substr(at, found->id.size()) == found->id);
    }
    if (const auto top = nolvetta::recognise::shopTopAddress(text, u"https://m.jp/")) {
        check(top->rfind(u"https://m.jp/", 0) == 0 && top->back() == u'/' &&
              text.find(*top) != std::u16string::npos &&
              top->find_first_of(u"\r\n") == std::u16string::npos);
    }
    return 0;
}
