#include "recognise/dropped_text.h"
#include "recognise/uri_list.h"

#include <gtest/gtest.h>

#include <string>

using namespace nolvetta::recognise;

TEST(recognise_DroppedText, TheMarkerOfTheFirstLineNamesServiceAndId) {
    const struct {
        std::u16string_view text;
        std::int16_t service;  // -1: none
        std::u16string_view id;
    } cases[] = {
        // clang-format off
        {u"【 mag2 ID:0123456789 】号外\r\nmelma", 0, u"0123456789"},
        {u"mag2 ID: 0123456789\r\n", 0, u" 012345678"},  // one separator only is skipped
        {u"mag2 ID 0123456789 melma12345678\r\n", 1, u"12345678"},
        {u"melma!ID:00123456 mag2 ID 0123456789", 1, u"!ID:0012"},
        {u"hi\r\nmag2 ID 0123456789", -1, u""}, {u"MAG2 ID 0123456789 Melma1", -1, u""},
        {u"mag2 ID 01234\nmelma12345678", 0, u"01234"}, {u"melma123\rmag2 ID 01", 1, u"123"},
        {u"news from melma\r\n12345678", 1, u""}, {u"mag2 ID 0123456789012", 0, u"0123456789"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::u16string(c.text)));
        const auto found = recogniseMagazine(c.text);
        EXPECT_EQ(found ? found->service : -1, c.service);
        EXPECT_EQ(found ? found->id : u"", c.id);
    }
}

TEST(recognise_DroppedText, TheShopsTopAddressFromTheFirstLineWithThePrefix) {
    const std::pair<std::u16string_view, std::optional<std::u16string>> cases[] = {
        // clang-format off
        {u"x\r\nsee https://m.jp/shop/item/1 now\r\nhttps://m.jp/other/", u"https://m.jp/shop/"},
        {u"a\nhttps://m.jp/shop/x\rhttps://m.jp/b/", u"https://m.jp/shop/"},
        {u"https://m.jp//item", u"https://m.jp//"}, {u"HTTPS://M.JP/shop/", std::nullopt},
        {u"https://m.jp/shop\r\nhttps://m.jp/b/", std::nullopt}, {u"https://m.jp/shop\n/x", std::nullopt},
        // clang-format on
    };
    for (const auto& [text, top] : cases) {
        EXPECT_EQ(shopTopAddress(text, u"https://m.jp/"), top)
            << ::testing::PrintToString(std::u16string(text));
    }
}

// A path as this system writes it, from its UTF-8 name.
std::filesystem::path native(std::u8string_view name) {
    return std::filesystem::path(name).make_preferred();
}

TEST(recognise_UriList, OnlyLocalFilesComeOutAndAMessageIsNoList) {
    using Files = std::optional<std::vector<std::filesystem::path>>;
    const struct {
        std::string_view bytes;
        Files files;
    } cases[] = {
        // clang-format off
        {"file:///home/u/a%20b.eml\r\n# comment\r\nfile://localhost/tmp/%E3%81%82\n",
         std::vector<std::filesystem::path>{native(u8"/home/u/a b.eml"), native(u8"/tmp/あ")}},
        {"file:/x\nhttps://example.jp/\nfile://server/share/y\n", std::vector<std::filesystem::path>{native(u8"/x")}},
        {"file:///a%00b\nfile:///bad%zz\nfile:relative\n", std::vector<std::filesystem::path>{}},
        {"From: a@x\r\n\r\nbody", std::nullopt}, {"", std::nullopt},
        {"file:///a b", std::nullopt},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(localFilesOf(c.bytes), c.files) << c.bytes;
    }
}
