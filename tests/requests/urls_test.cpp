#include "requests/urls.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "requests/catalogue.h"
#include "requests/endpoints.h"

namespace nolvetta::requests {
namespace {

std::u16string cat(std::initializer_list<std::u16string_view> pieces) {
    std::u16string out;
    for (auto piece : pieces) {
        out += piece;
    }
    return out;
}

// What the user typed, and how it must stand in a URL for each ID width.
struct Input {
    const char* name;
    std::u16string_view address, id;
    std::u16string_view addressInUrl, id6, id8, id10, idAsTyped;
};

constexpr std::u16string_view Plain = u"taro@example.jp";

const Input Inputs[] = {
    {"plain", Plain, u"1234567890", Plain, u"567890", u"34567890", u"1234567890", u"1234567890"},
    {"id 123", Plain, u"123", Plain, u"000123", u"00000123", u"0000000123", u"123"},
    {"11 digits", Plain, u"12345678901", Plain, u"678901", u"45678901", u"2345678901",
     u"12345678901"},
    {"letters kept", Plain, u"12abc", Plain, u"012abc", u"00012abc", u"0000012abc", u"12abc"},
    {"leading blank", Plain, u" 42", Plain, u"000%2042", u"00000%2042", u"0000000%2042", u"%2042"},
    {"empty address", u"", u"7", u"", u"000007", u"00000007", u"0000000007", u"7"},
    {"address with & + = blank", u"a&b+c=d e@x.jp", u"7", u"a%26b%2Bc%3Dd%20e@x.jp", u"000007",
     u"00000007", u"0000000007", u"7"},
};

// Stand-ins, among the expected pieces, for the user's texts as they must appear.
constexpr std::u16string_view Addr = u"\uE000", Id6 = u"\uE006", Id8 = u"\uE008", Id10 = u"\uE00A",
                              IdAsTyped = u"\uE001";

using Text = std::u16string_view;
struct Format {
    const char* name;
    std::u16string (*actual)(Text address, Text id);
    std::vector<Text> expected;
};

const Format Formats[] = {
    {"unsubscribe まぐまぐ",
     [](Text a, Text id) { return unsubscribeUrl(Mag2, a, id); },
     {Mag2DeliveryBase, u"/reader/D?id=", Id10, u"&e=", Addr}},
    {"unsubscribe melma",
     [](Text a, Text id) { return unsubscribeUrl(Melma, a, id); },
     {MelmaBase, u"/cgi-bin/host/bye.pl?e=", Addr, u"&m=m", Id8}},
    {"unsubscribe カプライト",
     [](Text a, Text id) { return unsubscribeUrl(Kapu, a, id); },
     {KapuBase, u"/cgi-bin/mlmg_delma_np.cgi?mgid=", IdAsTyped, u"&e_mail=", Addr}},
    {"unsubscribe ティアオンライン",
     [](Text a, Text id) { return unsubscribeUrl(Tiara, a, id); },
     {TiaraBase, u"/cgi-bin/subscribe.cgi?MAILADDR=", Addr, u"&UNSUBSCRIBE=解除&MAGID=m", Id6}},
    {"unsubscribe makey",
     [](Text a, Text id) { return unsubscribeUrl(Makey, a, id); },
     {MakeyBase, u"/cgi-bin/reader_setting.cgi?ACTION=READER_DEL&MAIL_ADDRESS=", Addr,
      u"&MAGAZINE=", IdAsTyped}},
    {"subscribe まぐまぐ",
     [](Text a, Text id) { return subscribeUrl(Mag2, a, id); },
     {Mag2RegistrationBase, u"/reader/Magrdadd?MfcISAPICommand=MagRdAdd&rdemail=", Addr, u"&magid=",
      Id10}},
    {"subscribe melma",
     [](Text a, Text id) { return subscribeUrl(Melma, a, id); },
     {MelmaBase, u"/cgi-bin/host/mailmag.pl?email=", Addr, u"&mailmag=add&magid=m", Id8}},
    {"subscribe カプライト",
     [](Text a, Text id) { return subscribeUrl(Kapu, a, id); },
     {KapuBase, u"/cgi-bin/mlmg_setma_np.cgi?mgid=", IdAsTyped, u"&e_mail=", Addr}},
    {"subscribe ティアオンライン",
     [](Text a, Text id) { return subscribeUrl(Tiara, a, id); },
     {TiaraBase, u"/cgi-bin/subscribe.cgi?MAILADDR=", Addr, u"&SUBSCRIBE=購読&MAGID=m", Id6}},
    {"subscribe makey",
     [](Text a, Text id) { return subscribeUrl(Makey, a, id); },
     {MakeyBase, u"/cgi-bin/reader_setting.cgi?ACTION=READER_ADD&MAIL_ADDRESS=", Addr,
      u"&MAGAZINE=", IdAsTyped}},
    {"weekly まぐまぐ add",
     [](Text a, Text) { return weeklyMag2Url(0, a); },
     {Mag2RegistrationBase, u"/reader/Magrd", u"add",
      u"?MfcISAPICommand=MagRdDel&magid=WEEKLYMAG2&rdemail=", Addr}},
    {"weekly まぐまぐ del",
     [](Text a, Text) { return weeklyMag2Url(2, a); },
     {Mag2RegistrationBase, u"/reader/Magrd", u"del",
      u"?MfcISAPICommand=MagRdDel&magid=WEEKLYMAG2&rdemail=", Addr}},
    {"カプライトニュース set",
     [](Text a, Text) { return kapuNewsUrl(-1, a); },
     {KapuBase, u"/cgi-bin/mlmg_set_kapunews.cgi?e_mail=", Addr}},
    {"カプライトニュース del",
     [](Text a, Text) { return kapuNewsUrl(0, a); },
     {KapuBase, u"/cgi-bin/mlmg_del_kapunews.cgi?e_mail=", Addr}},
    {"mall",
     [](Text a, Text) { return mallCancellationUrl(a); },
     {ShopMallBase, u"/rakuten_news/n.cgi?", Addr}},
};

std::u16string expectedUrl(const Format& format, const Input& in) {
    std::u16string out;
    for (Text piece : format.expected) {
        out += piece == Addr        ? in.addressInUrl
               : piece == Id6       ? in.id6
               : piece == Id8       ? in.id8
               : piece == Id10      ? in.id10
               : piece == IdAsTyped ? in.idAsTyped
                                    : piece;
    }
    return out;
}

TEST(requests_Urls, EveryFormatWithEveryKindOfInput) {
    for (const Format& format : Formats) {
        for (const Input& input : Inputs) {
            SCOPED_TRACE(std::string(format.name) + " / " + input.name);
            EXPECT_EQ(format.actual(input.address, input.id), expectedUrl(format, input));
        }
    }
}

TEST(requests_Urls, EncodesExactlyTheMeaningfulAndControlCharacters) {
    EXPECT_EQ(encodeUserText(u"%&+=#; "), u"%25%26%2B%3D%23%3B%20");
    EXPECT_EQ(encodeUserText(u"\t\r\n\x1F\x7F"), u"%09%0D%0A%1F%7F");
    EXPECT_EQ(encodeUserText(std::u16string(1, u'\0')), u"%00");
    EXPECT_EQ(encodeUserText(u"\u0080\u0085\u009F"), u"%C2%80%C2%85%C2%9F");
    const std::u16string kept = u"a-Z_0.9~@?/:,!'()*[]\u00A0é山田　太郎😀";
    EXPECT_EQ(encodeUserText(kept), kept);
    // A lone surrogate (a cut pair) is not UTF-8 material; it stays as it was.
    const std::u16string lone{u'1', static_cast<char16_t>(0xD83D), u'&'};
    EXPECT_EQ(encodeUserText(lone), (std::u16string{u'1', static_cast<char16_t>(0xD83D)} + u"%26"));
}

TEST(requests_Urls, UnknownServiceGivesNoUrl) {
    EXPECT_EQ(unsubscribeUrl(-1, Plain, u"1"), u"");
    EXPECT_EQ(subscribeUrl(ServiceCount, Plain, u"1"), u"");
}

TEST(requests_ShopNewsPage, AppendsNewsHtmlUnlessPresent) {
    EXPECT_EQ(shopPrefix(), cat({ShopMallBase, u"/"}));
    EXPECT_EQ(shopSampleText(), cat({ShopMallBase, u"/***/news.html"}));
    const std::u16string top = cat({shopPrefix(), u"shop/"});
    const struct {
        std::u16string typed, opened;
    } cases[] = {
        {shopSampleText(), shopSampleText()},
        {cat({top, u"NEWS.HTML"}), cat({top, u"NEWS.HTML"})},
        {cat({top, u"News.Html"}), cat({top, u"News.Html"})},
        {cat({top, u"news.htm"}), cat({top, u"news.htmnews.html"})},
        {top, cat({top, u"news.html"})},
        {cat({shopPrefix(), u"shop"}), cat({shopPrefix(), u"shopnews.html"})},
        {u"", u"news.html"},
        {u"ews.html", u"ews.htmlnews.html"},
        {u"a b&c", u"a b&cnews.html"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shopNewsPage(c.typed), c.opened);
    }
}

}  // namespace
}  // namespace nolvetta::requests
