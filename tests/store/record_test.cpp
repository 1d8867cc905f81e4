// The record of ways opened to leave newsletters: written, read back, kept
// when damaged, and carried on by the next run.
#include <gtest/gtest.h>

#include "scratch.h"
#include "store/leave_record.h"

using namespace nolvetta::store;
using nolvetta::testsupport::readBytes;
using nolvetta::testsupport::ScratchDirectory;
using nolvetta::testsupport::writeBytes;

std::vector<LeaveEntry> entriesOf(const std::filesystem::path& folder) {
    std::vector<LeaveEntry> entries;
    readRecord(folder / RecordFileName, [&](LeaveEntry&& e) { entries.push_back(std::move(e)); });
    return entries;
}

const std::string Header =
    "# Nolvetta: opened (UTC)\tway\tnewsletter\tyour address\tpage or mail address\n";

TEST(store_Record, EachLineReadsBackAsItsEntryAndNothingElseReads) {
    const struct {
        std::string line;
        std::optional<LeaveEntry> entry;
    } lines[] = {
        // clang-format off
        {"2026-03-01T00:15:00Z\tpage\tmag2:0001234567\ta@x.jp\thttps://m/?e=a@x.jp", {{1772324100, LeaveWay::Page, u"mag2:0001234567", u"a@x.jp", u"https://m/?e=a@x.jp"}}},
        {"1970-01-01T00:00:00Z\tmail\tfrom:n@x\t\tmailto:q@x", {{0, LeaveWay::Mail, u"from:n@x", u"", u"mailto:q@x"}}},
        {"2024-02-29T23:59:59Z\thttp\tlist:メルマガ\tb@x\thttp://h/", {{1709251199, LeaveWay::Http, u"list:メルマガ", u"b@x", u"http://h/"}}},
        {"2026-02-29T00:00:00Z\tpage\tk\ta\tu", {}}, {"2026-03-01T24:00:00Z\tpage\tk\ta\tu", {}},
        {"2026-03-01 00:15:00Z\tpage\tk\ta\tu", {}}, {"2026-03-01T00:15:00Z\tweb\tk\ta\tu", {}},
        {"2026-03-01T00:15:00Z\tpage\tk\ta", {}}, {"2026-03-01T00:15:00Z\tpage\tk\ta\t", {}},
        {"2026-03-01T00:15:00Z\tpage\tk\ta\tu\textra", {}}, {"2026-03-01T00:15:00Z\tpage\tk\xff\ta\tu", {}},
        {"2026-03-01T00:15:00Z\tpage\tk\ra\ta\tu", {}}, {"2026-03-01T00:15:00Z\tpage\tk\ta\tu\x7f", {}},
        {"2026-03-01T00:15:00Z\tpage\tk\ta\xc2\x85\tu", {}},
        // clang-format on
    };
    for (const auto& l : lines) {
        EXPECT_EQ(parseRecordLine(l.line), l.entry) << l.line;
        if (l.entry) {
            EXPECT_EQ(formatRecordLine(*l.entry), l.line + "\n");
        }
    }
    // A tab or line break would split the entry; any other control character
    // would make the next read take the line for damage.
    EXPECT_EQ(formatRecordLine({0, LeaveWay::Https, u"a\tb\x0b", u"c\nd\x1b[0m", u"e\rf\x7f\x85"}),
              "1970-01-01T00:00:00Z\thttps\ta b \tc d [0m\te f  \n");
}

TEST(store_Record, EntriesAreAddedAcrossRunsAndADamagedRecordIsKeptAside) {
    ScratchDirectory folder;
    const LeaveEntry first{1772324100, LeaveWay::Page, u"mag2:0000000005", u"a@x", u"https://m/"};
    const LeaveEntry second{1772324200, LeaveWay::Mail, u"from:n@x", u"", u"mailto:q@x"};
    EXPECT_EQ(LeaveRecord(folder / "new").append({&first, 1}), std::nullopt);  // folder made
    EXPECT_EQ(readBytes(folder / "new" / RecordFileName), Header + formatRecordLine(first));
    {
        LeaveRecord run(folder.path());
        EXPECT_EQ(run.load().state, FileState::Absent);
        EXPECT_EQ(run.append({&first, 1}), std::nullopt);
    }
    LeaveRecord next(folder.path());  // the next run reads it, then adds
    EXPECT_EQ(next.load().state, FileState::Loaded);
    EXPECT_EQ(next.append({&second, 1}), std::nullopt);
    EXPECT_EQ(entriesOf(folder.path()), (std::vector<LeaveEntry>{first, second}));

    // A user's remark and a missing last line end stay; a damaged line goes,
    // after the whole file was kept, under a name no earlier copy has.
    // A line longer than any entry is damage too, however long it grows.
    const std::string damaged = "# mine\r\n" + formatRecordLine(first) + "garbage\n" +
                                std::string(MaxRecordLine + 1, 'x') + "\n" +
                                formatRecordLine(second).substr(0, 30);
    writeBytes(folder / RecordFileName, "# mine\n" + formatRecordLine(first).substr(0, 62));
    LeaveRecord clean(folder.path());
    EXPECT_EQ(clean.append({&second, 1}), std::nullopt);
    EXPECT_EQ(readBytes(folder / RecordFileName),
              "# mine\n" + formatRecordLine(first) + formatRecordLine(second));
    writeBytes(folder / RecordFileName, damaged);
    writeBytes(folder / "nolvetta-record.txt.bak", "older copy");
    LeaveRecord repaired(folder.path());
    EXPECT_EQ(repaired.load().state, FileState::Damaged);
    EXPECT_EQ(repaired.backup(), folder / "nolvetta-record.txt.bak.2");
    EXPECT_EQ(repaired.append({&second, 1}), std::nullopt);
    EXPECT_EQ(readBytes(folder / "nolvetta-record.txt.bak.2"), damaged);
    EXPECT_EQ(readBytes(folder / "nolvetta-record.txt.bak"), "older copy");
    EXPECT_EQ(readBytes(folder / RecordFileName),
              Header + formatRecordLine(first) + formatRecordLine(second));

    // Something other than a file is never replaced; an entry not saved goes with the next.
    std::filesystem::remove(folder / RecordFileName);
    std::filesystem::create_directory(folder / RecordFileName);
    LeaveRecord blocked(folder.path());
    EXPECT_EQ(blocked.append({&first, 1})->fault, SaveFault::NotAFile);
    std::filesystem::remove(folder / RecordFileName);
    EXPECT_EQ(blocked.append({&second, 1})->fault, SaveFault::NotAFile);  // as found at the start
    EXPECT_EQ(LeaveRecord(folder.path()).append({}), std::nullopt);
    EXPECT_EQ(readBytes(folder / RecordFileName), Header);
}
