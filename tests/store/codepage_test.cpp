#include "store/codepage.h"

#include <gtest/gtest.h>

namespace nolvetta::store {
namespace {

using namespace std::string_literals;

TEST(Cp932, DecodeGivesTheTextUpToTheFirstFault) {
    const struct {
        std::string bytes;
        std::u16string text;
        bool clean;
    } cases[] = {
        {"", u"", true},
        {"a@b.jp \\~\r\n", u"a@b.jp \\~\r\n", true},
        {"\x82\xa0\x8a\xbf\x8e\x9a\xb1", u"あ漢字ｱ", true},
        {"\x81\x60\x81\x7c", u"～−", true},
        {"ab\0cd"s, u"ab", false},         // NUL byte
        {"ab\xff\x82\xa0", u"ab", false},  // invalid byte
        {"\x82\xa0\x82", u"あ", false},    // cut-off character
        {"a\x82\x0d\x0a", u"a", false},    // bad second byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        const DecodedText decoded = decodeCp932(c.bytes);
        EXPECT_EQ(decoded.text, c.text);
        EXPECT_EQ(decoded.clean, c.clean);
    }
}

TEST(Cp932, EncodeWritesOnlyCharactersThatReadBack) {
    const struct {
        std::u16string text;
        std::optional<std::string> bytes;
    } cases[] = {
        {u"", ""},
        {u"a@b.jp \\~", "a@b.jp \\~"},
        {u"あ漢字ｱ", "\x82\xa0\x8a\xbf\x8e\x9a\xb1"},
        {u"～", "\x81\x60"},
        {u"−", "\x81\x7c"},
        {u"\uFF0D", "\x81\x7c"},  // the other reading of the minus sign
        // these would read back as other characters, or not at all
        {u"\u00A5", std::nullopt},
        {u"\u301C", std::nullopt},
        {u"a\U0001F600", std::nullopt},
        {u"\xD800"s, std::nullopt},
        {u"a\0b"s, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeCp932(c.text), c.bytes) << ::testing::PrintToString(c.text);
    }
}

}  // namespace
}  // namespace nolvetta::store
