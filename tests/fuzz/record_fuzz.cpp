// Any record loads; what it held reads back from the saved record unchanged,
// with the entry added after it, whose fields keep no control character.
#include <algorithm>

#include "fuzz.h"
#include "scratch.h"
#include "store/leave_record.h"
#include "text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nolvetta::store;
    static const nolvetta::testsupport::ScratchDirectory scratch;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::filesystem::remove_all(scratch / "data");
    std::filesystem::create_directory(scratch / "data");
    nolvetta::testsupport::writeBytes(scratch / "data" / RecordFileName, std::string(bytes));
    const auto entries = [&] {
        std::vector<LeaveEntry> read;
        readRecord(scratch / "data" / RecordFileName,
                   [&](LeaveEntry&& entry) { read.push_back(std::move(entry)); });
        return read;
    };
    std::vector<LeaveEntry> expected = entries();
    // The entry's own fields come from the input too: a List-Id or an address
    // may hold any character.
    const std::u16string field = nolvetta::text::fromUtf8(bytes.substr(0, 64));
    const LeaveEntry added{0, LeaveWay::Mail, u"list:" + field, field, u"mailto:a@b" + field};
    LeaveRecord record(scratch / "data");
    check(!record.append({&added, 1}));
    const std::vector<LeaveEntry> saved = entries();
    check(saved.size() == expected.size() + 1 &&
          std::equal(expected.begin(), expected.end(), saved.begin()));
    const LeaveEntry& last = saved.back();
    check(last.newsletter == recordText(added.newsletter) &&
          last.address == recordText(added.address) && last.opened == recordText(added.opened));
    for (const std::u16string* text : {&last.newsletter, &last.address, &last.opened}) {
        check(std::none_of(text->begin(), text->end(), [](char16_t c) { return c < u' '; }));
    }
    return 0;
}
