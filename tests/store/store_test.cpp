#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scratch.h"
#include "store/codepage.h"
#include "store/data_files.h"
#include "store/field_reader.h"
#include "store/program_path.h"
#include "store/safe_save.h"

using namespace nolvetta::store;
using namespace std::string_literals;
using nolvetta::testsupport::readBytes;
using nolvetta::testsupport::ScratchDirectory;
using nolvetta::testsupport::writeBytes;
using ::testing::ElementsAreArray;

TEST(store_Cp932, DecodesUpToTheFirstFaultAndEncodesOnlyWhatReadsBack) {
    const struct {
        std::string bytes;
        std::u16string text;
        bool clean;
    } decoded[] = {
        // clang-format off
        {"a\\~\x82\xa0\x8a\xbf\xb1\r\n", u"a\\~あ漢ｱ\r\n", true}, {"\x81\x60\x81\x7c", u"～−", true},
        {"ab\0cd"s, u"ab", false}, {"ab\xff\x82\xa0", u"ab", false}, {"\x82\xa0\x82", u"あ", false},
        {"a\x82\x0d\x0a", u"a", false},
        // clang-format on
    };
    for (const auto& c : decoded) {
        EXPECT_EQ(decodeCp932(c.bytes).text, c.text) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(decodeCp932(c.bytes).clean, c.clean) << ::testing::PrintToString(c.bytes);
    }
    // Both readings of the minus sign are written as the one code.
    EXPECT_EQ(encodeCp932(u"a\\~あ漢ｱ～−\uFF0D"),
              "a\\~\x82\xa0\x8a\xbf\xb1\x81\x60\x81\x7c\x81\x7c");
    // These would read back as other characters, or not at all.
    for (const std::u16string& text :
         {u"\u00A5"s, u"\u301C"s, u"a\U0001F600"s, u"\xD800"s, u"a\0b"s}) {
        EXPECT_EQ(encodeCp932(text), std::nullopt) << ::testing::PrintToString(text);
    }
    Cp932Encoder cp932;  // a refused text leaves the buffer as it was, the converter usable
    std::string out;
    EXPECT_TRUE(!cp932.append(u"あ\u00A5", out) && cp932.append(u"あ", out) && out == "\x82\xa0");
}

TEST(store_Fields, SplitIntoEntriesThatComeBackFromTheirBytes) {
    const std::pair<std::u16string, std::vector<std::u16string>> cases[] = {
        // clang-format off
        {u"", {}}, {u"a,\r\n\r\nb", {u"a", u"", u"", u"b"}}, {u"a\nb\rc\r\r\nd", {u"a", u"b", u"c", u"", u"d"}},
        // blanks are kept; a quote inside an unquoted field is ordinary
        {u" a , b \r\n", {u" a ", u" b "}}, {u"a\"b\"c,d", {u"a\"b\"c", u"d"}},
        // quoted fields; what follows the closing quote is dropped; an open quote ends at its line
        {u"\"a,b\",c\r\n", {u"a,b", u"c"}}, {u"\"ab\"xy,\"\"\r\n", {u"ab", u""}},
        {u"\"abc\r\nd\r\n\"e\"\r\n", {u"abc", u"d", u"e"}},
        // clang-format on
    };
    for (const auto& [text, fields] : cases) {
        EXPECT_THAT(readFields(text), ElementsAreArray(fields)) << ::testing::PrintToString(text);
    }
    const std::vector<std::u16string> entries = {u"abc,def", u" spaced@x.jp ", u"", u"漢字",
                                                 u"a\"b"};
    const std::string bytes = "\"abc,def\"\r\n spaced@x.jp \r\n\r\n\x8a\xbf\x8e\x9a\r\na\"b\r\n";
    EXPECT_EQ(formatAddressFile(entries), bytes);
    EXPECT_THAT(readFields(decodeCp932(bytes).text), ElementsAreArray(entries));
    EXPECT_EQ(formatAddressFile({u"ok", u"\U0001F600"}), std::nullopt);
}

TEST(store_SafeSave, AFileHoldsBytesOnlyWhenEveryPieceIsEqual) {
    const std::string piece(ComparePieceSize, 'a'), bytes = piece + "b";
    const std::pair<std::string, bool> cases[] = {
        // clang-format off
        {bytes, true}, {piece, false}, {bytes + "b", false}, {piece + "c", false},
        {std::string(piece.size() - 1, 'a') + "cb", false},
        // clang-format on
    };
    ScratchDirectory scratch;
    for (const auto& [content, equal] : cases) {
        writeBytes(scratch / "f", content);
        EXPECT_EQ(holds(scratch / "f", bytes), equal) << content.size();
    }
    EXPECT_FALSE(holds(scratch / "none", ""));
}

TEST(store_DataFiles, TheSettingIsTheFirstFieldAsAWordInAnyCaseOrANumber) {
    const std::pair<std::string, std::optional<bool>> cases[] = {
        // clang-format off
        {"TRUE\r\n", true}, {"false,True\r\n", false}, {" 0 ", false}, {"-1", true},
        {"", std::nullopt}, {"1abc", std::nullopt}, {"\r\nTrue", std::nullopt}, {"Tr\xff", std::nullopt},
        // clang-format on
    };
    for (const auto& [bytes, value] : cases) {
        ScratchDirectory scratch;
        writeBytes(scratch / SettingsFileName, bytes);
        EXPECT_EQ(DataFiles(scratch.path()).load().alwaysOnTop, value) << bytes;
        EXPECT_EQ(saveFileSafely(scratch.path(), "x"), std::errc::is_a_directory);  // only files
    }
}

TEST(store_ProgramPath, TheDevelopmentHostIsKnownByTheEndOfThePathCutTo255) {
    const std::u16string a247(247, u'a');
    const std::pair<std::u16string, bool> cases[] = {
        // clang-format off
        {u"/usr/bin/nolvetta", true}, {u"d/nvtdHost", false},
        {u"d/myNVTDHOST", false},  // the first name has no separator: any ending counts
        {u"d/NVTIDEX", false}, {u"d\\nvtidex", false}, {u"d/XNVTIDEX", true},
        {a247 + u"NVTDHOST", false}, {a247 + u"aNVTDHOST", true},
        // clang-format on
    };
    for (const auto& [path, standalone] : cases) {
        EXPECT_EQ(isStandaloneExecutable(path), standalone) << ::testing::PrintToString(path);
    }
}
