// A number's reading ends where the number ends: what follows never changes it.
#include "fuzz.h"
#include "text/number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using nolvetta::text::readNumber;
    const std::u16string text = fuzzText(data, size);
    const nolvetta::text::NumberReading longer = readNumber(text + u"x9");
    check(longer.value == readNumber(text).value && !longer.wholeText);
    return 0;
}
