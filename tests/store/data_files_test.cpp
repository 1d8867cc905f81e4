#include "store/data_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store_test_support.h"

namespace nolvetta::store {
namespace {

using namespace std::string_literals;
using ::testing::ElementsAre;
using testing::readBytes;
using testing::ScratchDirectory;
using testing::writeBytes;

TEST(SettingsValue, ReadsWordsInAnyCaseAndNumbers) {
    const struct {
        std::u16string field;
        std::optional<bool> value;
    } cases[] = {
        {u"True", true},
        {u"false", false},
        {u"TRUE", true},
        {u"0", false},
        {u"1", true},
        {u"-1", true},
        {u" 1 ", true},
        {u"0.0", false},
        {u"2E3", true},
        {u"", std::nullopt},
        {u"maybe", std::nullopt},
        {u"1abc", std::nullopt},
        {u"-", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(settingsValue(c.field), c.value) << ::testing::PrintToString(c.field);
    }
}

TEST(DataFiles, NothingThereLoadsAsAbsentAndSaveCreatesTheDirectory) {
    ScratchDirectory scratch;
    DataFiles files(scratch / "not/yet");
    EXPECT_EQ(files.loadAddresses().state, FileState::Absent);
    const SettingsLoad settings = files.loadSettings();
    EXPECT_EQ(settings.state, FileState::Absent);
    EXPECT_EQ(settings.alwaysOnTop, std::nullopt);

    EXPECT_TRUE(files.save({}, false).empty());
    EXPECT_EQ(readBytes(files.addressFilePath()), "");
    EXPECT_EQ(readBytes(files.settingsFilePath()), "False\r\n");
}

TEST(DataFiles, FortyThousandEntriesSaveAndLoadBackEqual) {
    ScratchDirectory scratch;
    std::vector<std::u16string> entries;
    for (int i = 0; i < 40000; ++i) {
        const std::string number = std::to_string(i);
        entries.push_back(std::u16string(number.begin(), number.end()) + (i % 3 == 0 ? u"@例え.jp"
                                                                          : i % 3 == 1 ? u",x@y"
                                                                                       : u""));
    }
    DataFiles writer(scratch.path());
    ASSERT_TRUE(writer.save(entries, true).empty());

    DataFiles reader(scratch.path());
    const AddressLoad load = reader.loadAddresses();
    EXPECT_EQ(load.state, FileState::Loaded);
    EXPECT_EQ(load.entries, entries);
    EXPECT_EQ(reader.loadSettings().alwaysOnTop, true);
}

TEST(DataFiles, SettingsFileWithoutAValueCountsAsAbsent) {
    for (const std::string& bytes : {""s, "maybe\r\n"s, "\r\nTrue\r\n"s, "Tr\xff"s}) {
        ScratchDirectory scratch;
        writeBytes(scratch / SettingsFileName, bytes);
        EXPECT_EQ(DataFiles(scratch.path()).loadSettings().alwaysOnTop, std::nullopt) << bytes;
    }
    ScratchDirectory scratch;
    writeBytes(scratch / SettingsFileName, "false,True\r\n");
    EXPECT_EQ(DataFiles(scratch.path()).loadSettings().alwaysOnTop, false);
}

TEST(DataFiles, DamagedAddressFileLoadsItsGoodPartAndIsKeptOnceAtSave) {
    for (const std::string& damaged :
         {"a@x\r\nb\x82\xa0\r\nc\xff\xfe tail\r\n"s, "a@x\r\nb\x82\xa0\r\nc\0tail\r\n"s}) {
        ScratchDirectory scratch;
        writeBytes(scratch / AddressFileName, damaged);
        DataFiles files(scratch.path());
        const AddressLoad load = files.loadAddresses();
        EXPECT_EQ(load.state, FileState::Damaged);
        EXPECT_THAT(load.entries, ElementsAre(u"a@x", u"bあ", u"c"));

        EXPECT_TRUE(files.save({u"new"}, true).empty());
        EXPECT_EQ(readBytes(scratch / AddressBackupFileName), damaged);
        EXPECT_EQ(readBytes(files.addressFilePath()), "new\r\n");
        // The copy holds the damaged original, not a later good file.
        EXPECT_TRUE(files.save({u"newer"}, true).empty());
        EXPECT_EQ(readBytes(scratch / AddressBackupFileName), damaged);
    }
}

TEST(DataFiles, DirectoryInPlaceOfAFileIsAbsentAndReportedAtSave) {
    ScratchDirectory scratch;
    std::filesystem::create_directory(scratch / AddressFileName);
    DataFiles files(scratch.path());
    EXPECT_EQ(files.loadAddresses().state, FileState::Absent);

    const std::vector<SaveProblem> problems = files.save({u"a"}, true);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].file, files.addressFilePath());
    EXPECT_FALSE(problems[0].reason.empty());
    EXPECT_TRUE(std::filesystem::is_directory(scratch / AddressFileName));
    EXPECT_EQ(readBytes(files.settingsFilePath()), "True\r\n");
    EXPECT_EQ(testing::countEntries(scratch.path()), 2u);  // no temporary file left
}

// Loads and saves in a child that permission bits stop; returns the address
// file's state and the names of the files whose save failed.
std::string loadAndSaveUnprivileged(const std::filesystem::path& directory) {
    return testing::runInChild(
        [&] {
            DataFiles files(directory);
            std::string out = std::to_string(static_cast<int>(files.loadAddresses().state));
            for (const SaveProblem& problem : files.save({u"new"}, true)) {
                out += ' ';
                out += problem.file.filename().string();
            }
            return out;
        },
        true);
}

TEST(DataFiles, UnreadableFileIsReportedAndNeverOverwritten) {
    ScratchDirectory scratch;
    // The directory is the child's, so it could replace the file it cannot read.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(scratch.path().c_str(), testing::UnprivilegedId, testing::UnprivilegedId),
                  0);
    }
    writeBytes(scratch / AddressFileName, "keep@me\r\n");
    std::filesystem::permissions(scratch / AddressFileName, std::filesystem::perms::none);

    const std::string result = loadAndSaveUnprivileged(scratch.path());
    if (result == testing::CannotDropPrivileges) {
        GTEST_SKIP() << result;
    }
    EXPECT_EQ(result, std::to_string(static_cast<int>(FileState::Unreadable)) + " nolvetta.dat");
    std::filesystem::permissions(scratch / AddressFileName, std::filesystem::perms::owner_read);
    EXPECT_EQ(readBytes(scratch / AddressFileName), "keep@me\r\n");
    EXPECT_EQ(readBytes(scratch / SettingsFileName), "True\r\n");
}

TEST(DataFiles, SaveIntoUnwritableDirectoryLeavesOldFilesAndNamesThem) {
    ScratchDirectory scratch;
    writeBytes(scratch / AddressFileName, "old@x\r\n");
    writeBytes(scratch / SettingsFileName, "False\r\n");
    std::filesystem::permissions(scratch.path(), std::filesystem::perms(0555));

    const std::string result = loadAndSaveUnprivileged(scratch.path());
    if (result == testing::CannotDropPrivileges) {
        GTEST_SKIP() << result;
    }
    EXPECT_EQ(result,
              std::to_string(static_cast<int>(FileState::Loaded)) + " nolvetta.dat nolvetta1.dat");
    EXPECT_EQ(readBytes(scratch / AddressFileName), "old@x\r\n");
    EXPECT_EQ(readBytes(scratch / SettingsFileName), "False\r\n");
    EXPECT_EQ(testing::countEntries(scratch.path()), 2u);
}

}  // namespace
}  // namespace nolvetta::store
