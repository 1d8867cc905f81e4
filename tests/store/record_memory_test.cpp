// The record's size costs no memory: it is read and copied a piece at a time.
#include <gtest/gtest.h>

#include <fstream>

#include "child_memory.h"
#include "scratch.h"
#include "store/leave_record.h"

using namespace nolvetta::store;
using nolvetta::testsupport::ScratchDirectory;

TEST(store_Record, ARecordOfAnySizeIsReadAndAddedToInBoundedMemory) {
    ScratchDirectory folder;
    const LeaveEntry entry{1772324100, LeaveWay::Https, u"list:news.example", u"a@x",
                           u"https://news.example/leave?u=" + std::u16string(60, u'7')};
    const std::string line = formatRecordLine(entry);
    const int megabytes = nolvetta::testsupport::FreedMemoryIsReused ? 64 : 8;
    {
        std::string piece;
        while (piece.size() < (1u << 20)) {
            piece += line;
        }
        std::ofstream out(folder / RecordFileName, std::ios::binary);
        // 64 MB; less where the peak is not measured, which a sanitizer makes slow.
        for (int i = 0; i < megabytes; ++i) {
            out << piece;
        }
    }
    const auto lines = std::uintmax_t(megabytes * ((1u << 20) / line.size() + 1));
    const nolvetta::testsupport::ChildRun run = nolvetta::testsupport::runInChild([&] {
        std::uintmax_t read = 0;
        readRecord(folder / RecordFileName, [&](LeaveEntry&& e) { read += e == entry; });
        LeaveRecord record(folder.path());
        return read == lines && !record.append({&entry, 1}) &&
               std::filesystem::file_size(folder / RecordFileName) == (lines + 1) * line.size();
    });
    EXPECT_TRUE(run.held);
    if (nolvetta::testsupport::FreedMemoryIsReused) {
        EXPECT_LT(run.peakGrowthKiB, 16 << 10);  // KiB; the file held whole would be 64 MB
    }
}
