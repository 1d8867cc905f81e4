// The user's mail found, walked, read and grouped into newsletters, from a
// home folder of made-up mail.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <tuple>

#include "mail_home.h"
#include "mailbox/newsletters.h"
#include "mailbox/stores.h"
#include "mailbox/walk.h"
#include "scratch.h"
#include "store/leave_record.h"
#include "text/utf8.h"

using namespace nolvetta::mailbox;
using nolvetta::store::LeaveWay;
using nolvetta::testsupport::ScratchDirectory;
namespace fs = std::filesystem;

std::string utf8(const std::u16string& text) {
    return nolvetta::text::toUtf8(text);
}

class Mailbox : public ::testing::Test {
protected:
    Mailbox() { nolvetta::testsupport::copyMailHome(home.path()); }
    std::string relative(const fs::path& path) const {
        return path.lexically_relative(home.path()).generic_string();
    }
    // Beside Claws Mail's two messages, a link of each kind.
    void addLinks() {
        for (const auto& [name, target] : {std::pair{"3", "1"},
                                           {"4", "../../saved/old.eml"},
                                           {"5", "../../saved"},
                                           {"6", ".."},
                                           {"7", "gone"}}) {
            fs::create_symlink(target, home / "Mail/inbox" / name);
        }
    }
    ScratchDirectory home;
};

TEST_F(Mailbox, EachMailProgramsStoresAreFoundAndWalkedForTheirMailOnly) {
    std::vector<std::string> found;
    for (const MailStore& store : findMailStores(home.path(), home / ".local/share")) {
        found.push_back(utf8(store.program + u": " + store.name) + " " + relative(store.path));
    }
    EXPECT_EQ(
        found,
        (std::vector<std::string>{
            "Thunderbird: default / Local Folders .thunderbird/abcd.default/Mail/Local Folders",
            "Thunderbird: default / imap.example.com "
            ".thunderbird/abcd.default/ImapMail/imap.example.com",
            "Claws Mail: Mailbox Mail",
            "Evolution: このコンピューター .local/share/evolution/mail/local"}));
    EXPECT_TRUE(findMailStores(home / "nobody", home / "nobody").empty());
    // Indexes, hidden files and a Maildir's tmp are passed; a path of one file is that file.
    fs::create_directories(home / ".local/share/evolution/mail/local/.Sent/cur");
    nolvetta::testsupport::writeBytes(home / ".local/share/evolution/mail/local/.Sent/cur/4", "x");
    const std::map<std::string, std::string> walks = {
        // clang-format off
        {".thunderbird/abcd.default/Mail", "Local Folders/Inbox"}, {"Mail", "inbox/1 inbox/2"},
        {".local/share/evolution/mail/local", ".Sent/cur/4 cur/1.host:2,S new/2.host"},
        {"saved/old.eml", "old.eml"}, {"gone", "missing"}};
    // clang-format on
    for (const auto& [path, files] : walks) {
        const Walk walk = mailFilesUnder(home / path);
        std::string names = walk.missing ? "missing" : "";
        for (const MailFile& file : walk.files) {
            const fs::path base =
                fs::is_directory(home / path) ? home / path : (home / path).parent_path();
            names +=
                (names.empty() ? "" : " ") + file.path.lexically_relative(base).generic_string();
            EXPECT_EQ(file.size, fs::file_size(file.path));
        }
        EXPECT_EQ(names, files) << path;
    }
}

TEST_F(Mailbox, NoLinkInAFolderIsFollowedEachIsCountedAndThePathNamedMayBeOne) {
    addLinks();
    fs::create_directory_symlink("Mail", home / "linked");
    const struct {
        const char* path;
        std::string files;
        std::size_t skippedLinks;
    } cases[] = {
        {"Mail", "Mail/inbox/1 Mail/inbox/2", 5},
        {"linked", "linked/inbox/1 linked/inbox/2", 5},
        {"linked/inbox", "linked/inbox/1 linked/inbox/2", 5},
        {"Mail/inbox/4", "Mail/inbox/4", 0},
        {"Mail/inbox/5", "Mail/inbox/5/old.eml", 0},
    };
    for (const auto& c : cases) {
        const Walk walk = mailFilesUnder(home / c.path);
        std::string files;
        for (const MailFile& file : walk.files) {
            files += (files.empty() ? "" : " ") + relative(file.path);
        }
        EXPECT_EQ(std::tuple(files, walk.skippedLinks, walk.unreadable.size()),
                  std::tuple(c.files, c.skippedLinks, 0u))
            << c.path;
    }
}

// Bytes (of a file), and modification and access times in nanoseconds.
using Stamp = std::tuple<std::string, std::int64_t, std::int64_t>;

std::int64_t nanoseconds(const timespec& t) {
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Each file, folder and link as it is itself: its times, taken before its
// bytes are read. Set back, its access time lies a day before its
// modification time, where the next look without care would move it on.
std::map<fs::path, Stamp> stamps(const std::vector<fs::path>& paths, bool setBack) {
    std::map<fs::path, Stamp> all;
    for (const fs::path& path : paths) {
        struct stat s {};
        ::lstat(path.c_str(), &s);
        const std::string bytes =
            S_ISREG(s.st_mode) ? nolvetta::testsupport::readBytes(path) : std::string();
        if (setBack) {
            const timespec times[2] = {{s.st_mtim.tv_sec - 86400, 0}, s.st_mtim};
            ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
            ::lstat(path.c_str(), &s);
        }
        all[path] = {bytes, nanoseconds(s.st_mtim), nanoseconds(s.st_atim)};
    }
    return all;
}

TEST_F(Mailbox, EveryFormatGivesOneRowPerNewsletterAndNoByteOrTimeChanges) {
    addLinks();
    // Listed once, before: listing a folder again would move its time on.
    std::vector<fs::path> paths = {home.path()};
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(home.path())) {
        paths.push_back(entry.path());
    }
    const auto before = stamps(paths, true);
    std::vector<fs::path> roots = {home / "saved"};
    for (const MailStore& store : findMailStores(home.path(), home / ".local/share")) {
        roots.push_back(store.path);
    }
    const std::u16string_view own[] = {u"Me@Example.net"};
    Newsletters newsletters(own);
    std::size_t messages = 0;
    for (const fs::path& root : roots) {
        for (const MailFile& file : mailFilesUnder(root).files) {
            nolvetta::message::scanMailFile(file.path, {}, [&](auto&& message, std::uint64_t at) {
                ++messages;
                EXPECT_LE(at, file.size);
                newsletters.add(message);
            });
        }
    }
    EXPECT_EQ(messages, 10u);  // the damaged one too
    std::vector<Newsletter> rows = newsletters.rows();
    std::sort(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.key < b.key; });
    const struct {
        std::u16string key, sender, subject;
        std::size_t count;
        std::int64_t latest;
        LeaveWay way;
        std::u16string wayOut, reaches;
        bool listed;
    } expected[] = {
        // clang-format off
        {u"from:letters@example.org", u"letters@example.org", u"メルマガ", 1, 1793664000, LeaveWay::Mail, u"mailto:leave@example.org?subject=stop", u"reader@example.com", false},
        {u"from:old@example.com", u"Old Times", u"お知らせ", 1, 1793750400, LeaveWay::Http, u"http://old.example.com/leave", u"reader@example.com", false},
        {u"list:news.shop.example", u"Shop News", u"セール s2", 2, 1794182400, LeaveWay::Https, u"https://shop.example/unsub?u=s2", u"me@example.net", true},
        {u"mag2:0001234567", u"メルマガ配信", u"週刊 m2", 2, 1794096000, LeaveWay::Page, u"0", u"reader@example.com", false},
        {u"melma:00012345", u"melma", u"今日の話題", 1, 1793836800, LeaveWay::Page, u"1", u"reader@example.com", false},
        // clang-format on
    };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& e = expected[i];
        const Newsletter& r = rows[i];
        SCOPED_TRACE(utf8(e.key));
        const std::u16string wayOut =
            r.address ? r.address->url : std::u16string(1, u'0' + r.magazine->service);
        EXPECT_EQ(
            utf8(r.key + u"|" + r.sender + u"|" + r.subject + u"|" + wayOut + u"|" + r.reaches),
            utf8(e.key + u"|" + e.sender + u"|" + e.subject + u"|" + e.wayOut + u"|" + e.reaches));
        EXPECT_EQ(std::tuple(r.count, r.latest.value_or(0), r.way, r.reachesListed),
                  std::tuple(e.count, e.latest, e.way, e.listed));
    }
    for (const auto& [path, stamp] : stamps(paths, false)) {
        EXPECT_TRUE(before.at(path) == stamp) << path;
    }
}
