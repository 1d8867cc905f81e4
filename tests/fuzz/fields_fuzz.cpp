// What the add accepts reads back unchanged from the address file, beside
// any neighbour; any text splits into fields.
#include "fuzz.h"
#include "store/codepage.h"
#include "store/data_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nolvetta::store;
    const std::u16string entry = fuzzText(data, size);
    const AddressList entries = {entry, u"a,b", u"", entry};
    check(!canStoreEntry(entry) ||
          AddressList::fromText(decodeCp932(*formatAddressFile(entries)).text) == entries);
    return 0;
}
