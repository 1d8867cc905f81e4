// The mail programs' stores found through their own settings.
#include <gtest/gtest.h>

#include "mailbox/stores.h"
#include "text/utf8.h"

using namespace nolvetta::mailbox;
namespace fs = std::filesystem;

namespace nolvetta::testsupport {

std::string shown(const std::u16string& name, const fs::path& path) {
    const std::u8string bytes = path.generic_u8string();
    return nolvetta::text::toUtf8(name) + " " + std::string(bytes.begin(), bytes.end());
}

}  // namespace nolvetta::testsupport

using nolvetta::testsupport::shown;

// One file holds every case: Notepad's mark, comments, blanks round the
// '=', both line ends, names in Japanese, an absolute path, and groups that
// are no profile or have no path.
TEST(Stores, ThunderbirdsProfilesAreReadAsItWritesThem) {
    const std::string ini =
        "\xEF\xBB\xBF# mine\r\n[Install4F96D1932A9F858E]\r\nDefault=Profiles/k3.r\r\n"
        "[Profile0]\r\nName=r\r\nIsRelative=1\r\nPath=Profiles/k3.r\r\n[General]\r\nPath=g\r\n\n"
        "[Profile1]\nPath=Profiles/w8.仕事\n[Profile2]\nName = 仕事 2\nIsRelative=0\n"
        "Path = /mail/tb\n[Profile4]\nName=no path\n[Profile5]\nPath=\n";
    std::string found;
    for (const ThunderbirdProfile& profile : thunderbirdProfiles(ini, "/base")) {
        found += shown(profile.name, profile.folder) + "|";
    }
    EXPECT_EQ(found,
              "r /base/Profiles/k3.r|Profiles/w8.仕事 /base/Profiles/w8.仕事|仕事 2 /mail/tb|");
}
