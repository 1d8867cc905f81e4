#include "store/program_path.h"

#include <gtest/gtest.h>

#include "store/data_files.h"
#include "store_test_support.h"

namespace nolvetta::store {
namespace {

using testing::ScratchDirectory;

std::u16string upperToLower(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) {
        c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    }
    return lower;
}

TEST(IsStandaloneExecutable, MatchesTheHostNamesAtTheEndOfTheCutPath) {
    const std::u16string first(DevelopmentHostNames[0]);
    const std::u16string second(DevelopmentHostNames[1]);
    const std::u16string dir = u"dir";
    struct Case {
        std::u16string path;
        bool standalone;
    };
    const Case cases[] = {
        {u"/usr/bin/nolvetta", true},
        {u"", true},
        {first.substr(4), true},
        {dir + u"/" + first, false},
        {dir + u"/" + upperToLower(first), false},
        {dir + u"/" + upperToLower(first.substr(0, 3)) + first.substr(3), false},
        {dir + u"/my" + first, false},  // a longer name ending in the first name
        {dir + second, false},
        {dir + upperToLower(second), false},
        {dir + u"/X" + second.substr(1), true},      // the second name must be a whole file name
        {std::u16string(247, u'a') + first, false},  // 255 characters: not cut
        {std::u16string(248, u'a') + first, true},   // cut, so the end no longer matches
        {std::u16string(300, u'a') + second, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isStandaloneExecutable(c.path), c.standalone) << ::testing::PrintToString(c.path);
    }
}

TEST(ChooseDataDirectory, ProgramDirectoryWhenWritableAndLeftAsItWas) {
    ScratchDirectory scratch;
    EXPECT_EQ(chooseDataDirectory(scratch.path(), "/user"), scratch.path());
    EXPECT_EQ(testing::countEntries(scratch.path()), 0u);
    EXPECT_EQ(chooseDataDirectory(scratch / "missing", "/user"), "/user");
    EXPECT_EQ(chooseDataDirectory("", "/user"), "/user");
}

TEST(ChooseDataDirectory, UnwritableProgramDirectoryOnlyWhenItHoldsData) {
    ScratchDirectory scratch;
    const std::filesystem::path programs[] = {scratch / "empty", scratch / "address",
                                              scratch / "settings"};
    for (const auto& program : programs) {
        std::filesystem::create_directory(program);
    }
    testing::writeBytes(programs[1] / AddressFileName, "");
    testing::writeBytes(programs[2] / SettingsFileName, "");
    for (const auto& program : programs) {
        std::filesystem::permissions(program, std::filesystem::perms(0555));
    }
    const std::string result = testing::runInChild(
        [&] {
            std::string out;
            for (const auto& program : programs) {
                out += chooseDataDirectory(program, "/user") == program ? 'P' : 'U';
            }
            return out;
        },
        true);
    if (result == testing::CannotDropPrivileges) {
        GTEST_SKIP() << result;
    }
    EXPECT_EQ(result, "UPP");
}

}  // namespace
}  // namespace nolvetta::store
