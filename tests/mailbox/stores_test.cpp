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

TEST(Stores, ThunderbirdsProfilesAreReadAsItWritesThem) {
    const std::pair<std::string, std::string> cases[] = {
        {"[Install4F96D1932A9F858E]\r\nDefault=Profiles/k3.r\r\n\r\n[Profile0]\r\nName=r\r\n"
         "IsRelative=1\r\nPath=Profiles/k3.r\r\n[General]\r\nPath=general\r\n",
         "r /base/Profiles/k3.r|"},
        // Notepad's mark, comments, blanks round the '=', names in Japanese.
        {"\xEF\xBB\xBF# mine\n;\n[Profile1]\nPath=Profiles/w8.仕事\n[Profile0]\n Name = 仕事 2 \n"
         "IsRelative=0\nPath = /mail/tb \n",
         "Profiles/w8.仕事 /base/Profiles/w8.仕事|仕事 2 /mail/tb|"},
        {"Path=early\n[Profile0\nPath=broken\n[Profile2]\nName=no path\n[Profile3]\nPath=\n", ""},
    };
    for (const auto& [ini, expected] : cases) {
        std::string found;
        for (const ThunderbirdProfile& profile : thunderbirdProfiles(ini, "/base")) {
            found += shown(profile.name, profile.folder) + "|";
        }
        EXPECT_EQ(found, expected) << ini;
    }
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
    const std::string profiles = "Roaming/Thunderbird/Profiles/";
    EXPECT_EQ(found,
              (std::vector<std::string>{
                  "Thunderbird: 仕事 / imap.example.jp " + profiles +
                      "w8q1z2c4.仕事/ImapMail/imap.example.jp",
                  "Thunderbird: default-release / Local Folders " + profiles +
                      "k3j2m1x0.default-release/Mail/Local Folders",
                  "Windows Live Mail: Storage Folders Local/Microsoft/Windows Live "
                  "Mail/Storage Folders",
                  "Windows Mail: Local Folders Local/Microsoft/Windows Mail/Local Folders"}));
}
#endif
