// Any record loads; what it held reads back from the saved record unchanged,
// with the entry added after it.
#include "fuzz.h"
#include "scratch.h"
#include "store/leave_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nolvetta::store;
    static const nolvetta::testsupport::ScratchDirectory scratch;
    std::filesystem::remove_all(scratch / "data");
    std::filesystem::create_directory(scratch / "data");
    nolvetta::testsupport::writeBytes(scratch / "data" / RecordFileName,
                                      {reinterpret_cast<const char*>(data), size});
    LeaveRecord record(scratch / "data");
    const LeaveEntry added{0, LeaveWay::Mail, u"from:a@b", u"", u"mailto:a@b"};
    std::vector<LeaveEntry> expected = record.entries();
    expected.push_back(added);
    check(!record.append({&added, 1}) && LeaveRecord(scratch / "data").entries() == expected);
    return 0;
}
