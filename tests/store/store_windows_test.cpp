#include <windows.h>

#include <gtest/gtest.h>

#include "scratch.h"
#include "store/data_files.h"

using namespace nolvetta::store;
using nolvetta::testsupport::readBytes;

// Windows keeps some files out of sight, and will not replace one that
// another program holds open.
TEST(store_Windows, AHiddenFileIsNeitherReadNorReplacedAndAFileHeldOpenStays) {
    nolvetta::testsupport::ScratchDirectory scratch;
    nolvetta::testsupport::writeBytes(scratch / AddressFileName, "hidden\r\n");
    nolvetta::testsupport::writeBytes(scratch / SettingsFileName, "False\r\n");
    SetFileAttributesW((scratch / AddressFileName).c_str(), FILE_ATTRIBUTE_HIDDEN);
    HANDLE held = CreateFileW((scratch / SettingsFileName).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    DataFiles files(scratch.path());
    const Loaded loaded = files.load();
    EXPECT_EQ(loaded.address.state, FileState::Hidden);
    EXPECT_EQ(loaded.alwaysOnTop, false);
    const std::vector<SaveProblem> problems = files.save({u"new"}, true);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].fault, SaveFault::NotReadAtStart);
    EXPECT_EQ(problems[1].fault, SaveFault::WriteFailed);
    EXPECT_EQ(readBytes(scratch / AddressFileName) + readBytes(scratch / SettingsFileName),
              "hidden\r\nFalse\r\n");
    const std::filesystem::directory_iterator left(scratch.path());
    EXPECT_EQ(std::distance(left, {}), 2);  // no temporary file left
    CloseHandle(held);
}
