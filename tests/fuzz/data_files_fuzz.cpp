// Any address file loads; the entries that can be stored come back from a
// save and a load unchanged, in a file that decodes cleanly.
#include <algorithm>

#include "fuzz.h"
#include "scratch.h"
#include "store/codepage.h"
#include "store/data_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nolvetta::store;
    static const nolvetta::testsupport::ScratchDirectory scratch;
    std::filesystem::remove_all(scratch / "data");  // a fresh folder, without earlier copies
    std::filesystem::create_directory(scratch / "data");
    nolvetta::testsupport::writeBytes(scratch / "data" / AddressFileName,
                                      {reinterpret_cast<const char*>(data), size});
    DataFiles files(scratch / "data");
    const Loaded loaded = files.load();
    AddressList kept;  // written unless it is what the file cleanly held
    for (const std::u16string_view entry : loaded.entries) {
        if (canStoreEntry(entry)) {
            kept.append(entry);
        }
    }
    check(files.save(kept, false).empty() &&
          std::ranges::equal(DataFiles(scratch / "data").load().entries, kept));
    check(decodeCp932(nolvetta::testsupport::readBytes(scratch / "data" / AddressFileName)).clean);
    return 0;
}
