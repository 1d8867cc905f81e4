#include "recognise/dropped_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "requests/catalogue.h"
#include "requests/urls.h"

namespace nolvetta::recognise {
namespace {

using requests::Mag2;
using requests::Melma;

TEST(recognise_Lines, EndAtCrLfLoneLfOrLoneCr) {
    using Lines = std::vector<std::u16string_view>;
    EXPECT_EQ(splitLines(u""), Lines{});
    EXPECT_EQ(splitLines(u"one"), Lines{u"one"});
    EXPECT_EQ(splitLines(u"a\r\nb\nc\rd"), (Lines{u"a", u"b", u"c", u"d"}));
    EXPECT_EQ(splitLines(u"a\r\n"), Lines{u"a"});
    EXPECT_EQ(splitLines(u"\r\r\n\n\nz"), (Lines{u"", u"", u"", u"", u"z"}));
    EXPECT_EQ(splitLines(u"\n\r"), (Lines{u"", u""}));
    EXPECT_EQ(firstLine(u"head\r\nrest"), u"head");
    EXPECT_EQ(firstLine(u""), u"");
}

TEST(recognise_Magazine, ReadsTheMarkerOfTheFirstLine) {
    const struct {
        const char* name;
        std::u16string_view text;
        bool found;
        std::int16_t service;
        std::u16string_view id;
    } cases[] = {
        {"one separator", u"【 mag2 ID:0123456789 】号外\r\nmelma", true, Mag2, u"0123456789"},
        {"two separators", u"mag2 ID: 0123456789\r\n", true, Mag2, u" 012345678"},
        {"melma 8 digits", u"melma00123456 配信\r\n", true, Melma, u"00123456"},
        {"melma!", u"melma!ID:00123456\r\n", true, Melma, u"!ID:0012"},
        {"mag2 then melma", u"mag2 ID 0123456789 melma12345678\r\n", true, Melma, u"12345678"},
        {"melma then mag2", u"melma12345678 mag2 ID 0123456789", true, Melma, u"12345678"},
        {"second line only", u"こんにちは\r\nmag2 ID 0123456789\r\nmelma12345678", false, 0, u""},
        {"capitals differ", u"MAG2 ID 0123456789 mag2 id 0123456789 Melma1", false, 0, u""},
        {"LF ends the line", u"mag2 ID 01234\nmelma12345678", true, Mag2, u"01234"},
        {"CR ends the line", u"melma123\rmag2 ID 0123456789", true, Melma, u"123"},
        {"mag2 marker at line end", u"mag2 ID\r\n0123456789", true, Mag2, u""},
        {"mag2 separator at line end", u"mag2 ID:\r\n0123456789", true, Mag2, u""},
        {"melma marker at line end", u"news from melma\r\n12345678", true, Melma, u""},
        {"no line break", u"mag2 ID 0123456789012", true, Mag2, u"0123456789"},
        {"empty", u"", false, 0, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto found = recogniseMagazine(c.text);
        ASSERT_EQ(found.has_value(), c.found);
        if (found) {
            EXPECT_EQ(found->service, c.service);
            EXPECT_EQ(found->id, c.id);
        }
    }
}

TEST(recognise_ShopAddress, CutsTheFirstPrefixedLineAtTheShopName) {
    const std::u16string p = requests::shopPrefix();
    auto cat = [](std::initializer_list<std::u16string_view> pieces) {
        std::u16string out;
        for (auto piece : pieces) {
            out += piece;
        }
        return out;
    };
    std::u16string upper = p;
    for (char16_t& c : upper) {
        c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
    }
    const std::u16string otherScheme = cat({u"ftp", p.substr(p.find(u':'))});

    const struct {
        const char* name;
        std::u16string text;
        std::optional<std::u16string> top;
    } cases[] = {
        {"later line", cat({u"お知らせ\r\n", p, u"shop/item/1.html\r\n", p, u"other/\r\n"}),
         cat({p, u"shop/"})},
        {"text before the prefix", cat({u"see ", p, u"shop/cabinet/x.html now"}),
         cat({p, u"shop/"})},
        {"LF line ends", cat({u"a\n", p, u"shop/x\n", p, u"other/"}), cat({p, u"shop/"})},
        {"empty shop name", cat({p, u"/item"}), cat({p, u"/"})},
        {"other scheme", cat({otherScheme, u"shop/"}), std::nullopt},
        {"capitals", cat({upper, u"shop/"}), std::nullopt},
        {"no prefix", u"nothing here/\r\n", std::nullopt},
        {"no / after the name", cat({p, u"shop\r\n", p, u"other/"}), std::nullopt},
        {"/ only on the next line", cat({p, u"shop\n/x"}), std::nullopt},
        {"prefix split by a break", cat({p.substr(0, 5), u"\r\n", p.substr(5), u"shop/"}),
         std::nullopt},
        {"empty", u"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(shopTopAddress(c.text, p), c.top);
    }
}

}  // namespace
}  // namespace nolvetta::recognise
