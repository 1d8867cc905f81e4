// Newsletters grouped from their messages, told apart from what the user
// has already left.
#include <gtest/gtest.h>

#include "mailbox/newsletters.h"
#include "scratch.h"
#include "store/leave_record.h"
#include "text/utf8.h"

using namespace nolvetta::mailbox;
using nolvetta::store::LeaveWay;
using nolvetta::testsupport::ScratchDirectory;

TEST(Newsletters, MailArrivingDaysAfterItsPageWasOpenedIsStillComing) {
    constexpr std::int64_t day = 86400, left = 1790000000;
    const ScratchDirectory folder;
    std::string record;
    for (const nolvetta::store::LeaveEntry& entry :
         {nolvetta::store::LeaveEntry{left - 9 * day, LeaveWay::Https, u"list:a", u"",
                                      u"https://a/"},
          {left, LeaveWay::Https, u"list:a", u"", u"https://a/"},  // the latest request counts
          {left, LeaveWay::Page, u"mag2:0000000001", u"", u"https://b/"},
          {left, LeaveWay::Https, u"list:\x0b\x1b", u"", u"https://c/"}}) {
        record += nolvetta::store::formatRecordLine(entry);
    }
    nolvetta::testsupport::writeBytes(folder / "record", record);
    const struct {
        std::u16string key;
        std::optional<std::int64_t> latest;
        std::optional<std::int64_t> leftAt;
        bool stillComing;
    } cases[] = {
        {u"list:a", left + 3 * day, left, false},  // the grace's last second
        {u"list:a", left + 3 * day + 1, left, true},
        {u"mag2:0000000001", left + 30 * day, left, true},
        {u"mag2:0000000001", {}, left, false},
        {u"list:b", left + 30 * day, {}, false},
        {u"list:\x0b\x1b", left + 30 * day, left, true},  // a key the record holds with blanks
    };
    for (const auto& c : cases) {
        std::vector<Newsletter> rows(1);
        rows[0].key = c.key;
        rows[0].latest = c.latest;
        markLeaves(rows, folder / "record");
        EXPECT_EQ(std::pair(rows[0].leftAt, rows[0].stillComing),
                  std::pair(c.leftAt, c.stillComing))
            << nolvetta::text::toUtf8(c.key) << " " << c.latest.value_or(0) - left;
    }
}
