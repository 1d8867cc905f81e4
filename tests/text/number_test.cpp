#include "text/number.h"
#include "text/utf8.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace nolvetta::text;

TEST(text_Number, ReadsTheLeadingNumberAsBasicDoes) {
    constexpr double Inf = std::numeric_limits<double>::infinity();
    const struct {
        std::u16string_view text;
        double value;
        bool whole;
    } cases[] = {
        // clang-format off
        {u"", 0, false}, {u"abc", 0, false}, {u"0.0", 0, true}, {u"007", 7, true}, {u"-5", -5, true},
        {u"+-5", 0, false}, {u"1.2.3", 1.2, false},
        // blanks, tabs and line feeds are skipped even inside; no other blank is
        {u"\t-\n3 4.5", -34.5, true}, {u"\r5", 0, false}, {u"\u30005", 0, false}, {u"１２", 0, false},
        // exponents with E or D; hexadecimal and octal
        {u"1.5D2", 150, true}, {u"25e-1", 2.5, true}, {u"2E+ 1", 20, true}, {u"2e+x", 2, false},
        {u"&h 1F", 31, true}, {u"&HG", 0, false}, {u"&O17", 15, true}, {u"&o18", 1, false},
        // beyond a double: infinity of the number's sign, or zero
        {u"-1e999", -Inf, true}, {u"0.00000000001e400", Inf, true}, {u"1e-999", 0, true},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::u16string(c.text)));
        EXPECT_EQ(readNumber(c.text).value, c.value);
        EXPECT_EQ(readNumber(c.text).wholeText, c.whole);
    }
}

TEST(text_Utf8, WhatCannotBeReadBecomesAReplacementAndNothingElseChanges) {
    const struct {
        std::string_view bytes;
        std::u16string_view text;
    } cases[] = {
        // clang-format off
        {"a\xE3\x81\x82\xF0\x9F\x98\x80", u"aあ😀"}, {"\xFF" "b", u"\uFFFD" "b"},
        {"\xE3\x81" "c", u"\uFFFD" "c"},                  // cut short
        {"\xC0\xAF\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // overlong; a surrogate
        {"\xF4\x90\x80\x80" "d", u"\uFFFD" "d"},             // past U+10FFFF
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fromUtf8(c.bytes), c.text) << c.bytes;
    }
    EXPECT_EQ(toUtf8(u"aあ😀\xD800"), "a\xE3\x81\x82\xF0\x9F\x98\x80\xEF\xBF\xBD");
}
