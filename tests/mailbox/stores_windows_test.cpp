// The stores of Windows mail programs in a made-up user's folders
// (tests/mailbox/windows-home).
#include <gtest/gtest.h>

#include "mailbox/stores.h"
#include "text/utf8.h"

using namespace nolvetta::mailbox;
namespace fs = std::filesystem;

namespace nolvetta::testsupport {
std::string shown(const std::u16string& name, const fs::path& path);
}
using nolvetta::testsupport::shown;

// A link in a profile is passed, as are the stores' databases and backups.
TEST(Stores, WindowsMailProgramsStoresAreFoundInTheUsersFolders) {
    const fs::path home = fs::absolute(NOLVETTA_WINDOWS_MAIL_HOME);
    std::vector<std::string> found;
    for (const MailStore& store : findMailStores(home / "Roaming", home / "Local")) {
        found.push_back(
            shown(store.program + u": " + store.name, store.path.lexically_relative(home)));
    }
    const std::string tb = "Roaming/Thunderbird/Profiles/", ms = "Local/Microsoft/";
    EXPECT_EQ(
        found,
        (std::vector<std::string>{
            "Thunderbird: 仕事 / imap.example.jp " + tb + "w8q1z2c4.仕事/ImapMail/imap.example.jp",
            "Thunderbird: default-release / Local Folders " + tb +
                "k3j2m1x0.default-release/Mail/Local Folders",
            "Windows Live Mail: Storage Folders " + ms + "Windows Live Mail/Storage Folders",
            "Windows Mail: Local Folders " + ms + "Windows Mail/Local Folders"}));
}
