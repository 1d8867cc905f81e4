// Whatever code page 932 bytes decode to can be written again and reads back
// as the same text.
#include "fuzz.h"
#include "store/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nolvetta::store;
    const DecodedText decoded = decodeCp932({reinterpret_cast<const char*>(data), size});
    const std::optional<std::string> bytes = encodeCp932(decoded.text);
    check(bytes && decodeCp932(*bytes).clean && decodeCp932(*bytes).text == decoded.text);
    return 0;
}
