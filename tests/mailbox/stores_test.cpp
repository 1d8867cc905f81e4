// The mail programs' stores found through their own settings; on Windows,
// in a made-up user's folders (tests/mailbox/windows-home).
#include <gtest/gtest.h>

#include "mailbox/stores.h"
#include "text/utf8.h"

using namespace nolvetta::mailbox;
namespace fs = std::filesystem;

std::string shown(const std::u16string& name, const fs::path& path) {
    const std::u8string bytes = path.generic_u8string();
    return nolvetta::text::toUtf8(name) + " " + std::string(bytes.begin(), bytes.end());
}

// One file holds every case: Notepad's mark, comments, blanks round the
// '=', both line ends, names in Japanese, an absolute path, and groups that
// are no profile or have no path.
TEST(Stores, ThunderbirdsProfilesAreReadAsItWritesThem) {
    const std::string ini =
        "\xEF\xBB\xBF# mine\r\nPath=early\r\n[Install4F96D1932A9F858E]\r\nDefault=Profiles/k3.r\r\n"
        "[Profile0]\r\nName=r\r\nIsRelative=1\r\nPath=Profiles/k3.r\r\n[General]\r\nPath=g\r\n;\n"
        "[Profile1]\nPath=Profiles/w8.仕事\n[Profile2]\n Name = 仕事 2 \nIsRelative=0\n"
        "Path = /mail/tb \n[Profile3\nPath=broken\n[Profile4]\nName=no path\n[Profile5]\nPath=\n";
    std::string found;
    for (const ThunderbirdProfile& profile : thunderbirdProfiles(ini, "/base")) {
        found += shown(profile.name, profile.folder) + "|";
    }
    EXPECT_EQ(found,
              "r /base/Profiles/k3.r|Profiles/w8.仕事 /base/Profiles/w8.仕事|仕事 2 /mail/tb|");
}

#ifdef _WIN32
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
#endif
