#include "store/field_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/codepage.h"
#include "store/data_files.h"

namespace nolvetta::store {
namespace {

using ::testing::ElementsAreArray;

TEST(ReadingRule, SplitsTextIntoFields) {
    const struct {
        std::u16string text;
        std::vector<std::u16string> fields;
    } cases[] = {
        {u"", {}},
        {u"a", {u"a"}},
        {u"a\r\n", {u"a"}},
        {u"a,\r\n", {u"a", u""}},
        {u"\r\n", {u""}},
        {u"a\r\n\r\nb", {u"a", u"", u"b"}},
        {u"a,b,c\r\n", {u"a", u"b", u"c"}},
        // LF-only and CR-only files, and a CR before a CR LF
        {u"a\nb\n\nc", {u"a", u"b", u"", u"c"}},
        {u"a\rb\r\rc", {u"a", u"b", u"", u"c"}},
        {u"a\r\r\nb", {u"a", u"", u"b"}},
        // blanks are kept; a quote inside an unquoted field is ordinary
        {u" a , b \r\n", {u" a ", u" b "}},
        {u"a\"b\"c,d", {u"a\"b\"c", u"d"}},
        // quoted fields
        {u"\"a,b\"\r\nc", {u"a,b", u"c"}},
        {u"\"a,b\",c", {u"a,b", u"c"}},
        {u"\"ab\"xy,c\r\n", {u"ab", u"c"}},
        {u"\"\"\r\n", {u""}},
        {u"\"a\"\nb", {u"a", u"b"}},
        // an open quote ends at its line end instead of swallowing the next lines
        {u"\"abc\r\nd\r\n\"e\"\r\n", {u"abc", u"d", u"e"}},
    };
    for (const auto& c : cases) {
        EXPECT_THAT(readFields(c.text), ElementsAreArray(c.fields))
            << ::testing::PrintToString(c.text);
    }
}

// Entries go through the written bytes and come back as they were.
TEST(AddressFileFormat, EntriesRoundTripThroughKnownBytes) {
    const std::vector<std::u16string> entries = {u"abc,def", u" spaced@x.jp ", u"",    u"あ",
                                                 u"漢字",    u"～−",           u"a\"b"};
    const std::string bytes =
        "\"abc,def\"\r\n spaced@x.jp \r\n\r\n\x82\xa0\r\n\x8a\xbf\x8e\x9a\r\n"
        "\x81\x60\x81\x7c\r\na\"b\r\n";
    const std::optional<std::string> formatted = formatAddressFile(entries);
    ASSERT_TRUE(formatted);
    EXPECT_EQ(*formatted, bytes);

    const DecodedText decoded = decodeCp932(bytes);
    ASSERT_TRUE(decoded.clean);
    EXPECT_THAT(readFields(decoded.text), ElementsAreArray(entries));
}

TEST(AddressFileFormat, EmptyListIsZeroBytesAndUnholdableTextIsRefused) {
    EXPECT_EQ(formatAddressFile({}), std::string());
    EXPECT_EQ(formatAddressFile({u"ok", u"\U0001F600"}), std::nullopt);
}

}  // namespace
}  // namespace nolvetta::store
