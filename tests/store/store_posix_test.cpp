#include <sys/stat.h>

#include <gtest/gtest.h>

#include "scratch.h"
#include "store/safe_save.h"

namespace fs = std::filesystem;
using nolvetta::store::saveFileSafely;
using nolvetta::testsupport::readBytes;

TEST(store_Posix, ASaveKeepsModeAndLinkAndReplacesNothingButAFile) {
    nolvetta::testsupport::ScratchDirectory scratch;
    fs::create_directory(scratch / "real");
    nolvetta::testsupport::writeBytes(scratch / "real/data", "old");
    fs::permissions(scratch / "real/data", fs::perms(0600));
    fs::create_symlink("real/data", scratch / "link");
    EXPECT_FALSE(saveFileSafely(scratch / "link", "new"));
    EXPECT_TRUE(fs::is_symlink(scratch / "link"));
    EXPECT_EQ(readBytes(scratch / "real/data"), "new");
    EXPECT_EQ(fs::status(scratch / "real/data").permissions(), fs::perms(0600));
    EXPECT_EQ(nolvetta::testsupport::countEntries(scratch / "real"), 1u);
    // Neither over something else than a file, nor through a link to one.
    ::mkfifo((scratch / "fifo").c_str(), 0600);
    fs::create_symlink("fifo", scratch / "to-fifo");
    for (const char* path : {"fifo", "to-fifo"}) {
        EXPECT_EQ(saveFileSafely(scratch / path, "x"), std::errc::invalid_argument);
    }
    EXPECT_TRUE(fs::is_fifo(scratch / "fifo"));
}
