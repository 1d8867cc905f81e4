#include "store/safe_save.h"

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "store_test_support.h"

namespace nolvetta::store {
namespace {

using testing::readBytes;
using testing::ScratchDirectory;
using testing::writeBytes;

TEST(SafeSave, ReplacesTheFileKeepingItsModeAndLeavesNothingElse) {
    ScratchDirectory scratch;
    const auto file = scratch / "data";
    std::string error;
    ASSERT_TRUE(saveFileSafely(file, "first", error)) << error;
    std::filesystem::permissions(file, std::filesystem::perms(0600));
    ASSERT_TRUE(saveFileSafely(file, "second", error)) << error;

    EXPECT_EQ(readBytes(file), "second");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0600));
    EXPECT_EQ(testing::countEntries(scratch.path()), 1u);
}

TEST(SafeSave, WritesThroughASymbolicLinkAndKeepsTheLink) {
    ScratchDirectory scratch;
    std::filesystem::create_directory(scratch / "real");
    writeBytes(scratch / "real/data", "old");
    std::filesystem::create_symlink("real/data", scratch / "link");
    std::string error;
    ASSERT_TRUE(saveFileSafely(scratch / "link", "new", error)) << error;

    EXPECT_TRUE(std::filesystem::is_symlink(scratch / "link"));
    EXPECT_EQ(readBytes(scratch / "real/data"), "new");
}

TEST(SafeSave, FailedWriteLeavesTheOldFileAndNoTemporary) {
    ScratchDirectory scratch;
    const auto file = scratch / "data";
    const std::string old(300, 'o');
    writeBytes(file, old);

    // A file size limit makes the write itself fail part way, even for root.
    const std::string result = testing::runInChild(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{100, 100};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::string error;
            const bool saved = saveFileSafely(file, std::string(1000, 'n'), error);
            return saved ? std::string("saved") : error;
        },
        false);
    EXPECT_NE(result, "saved");
    EXPECT_FALSE(result.empty());
    EXPECT_EQ(readBytes(file), old);
    EXPECT_EQ(testing::countEntries(scratch.path()), 1u);
}

}  // namespace
}  // namespace nolvetta::store
