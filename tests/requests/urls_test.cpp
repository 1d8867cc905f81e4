#include "requests/urls.h"

#include <gtest/gtest.h>

#include <string>

#include "requests/catalogue.h"
#include "requests/endpoints.h"

using namespace nolvetta::requests;

using Text = std::u16string_view;

std::u16string operator+(Text base, Text rest) {
    return std::u16string(base).append(rest);
}

TEST(requests_Urls, SubscribeAndUnsubscribeOfEveryService) {
    // What the user typed, and how it stands in a URL: the address {A}, and the
    // ID at widths 8 and 10 {8} {10} and as typed {I}.
    constexpr Text Markers[] = {u"{A}", u"{8}", u"{10}", u"{I}"};
    const struct {
        Text address, id, shown[4];
    } inputs[] = {
        // clang-format off
        {u"t@x.jp", u"123", {u"t@x.jp", u"00000123", u"0000000123", u"123"}},
        {u"a&b+c=d e@x.jp", u"12345678901",
         {u"a%26b%2Bc%3Dd%20e@x.jp", u"45678901", u"2345678901", u"12345678901"}},
        {u"", u" 4a", {u"", u"00000%204a", u"0000000%204a", u"%204a"}},
        {u"山田@例え.jp", u"１", {u"山田@例え.jp", u"0000000１", u"000000000１", u"１"}},
        // clang-format on
    };
    const struct {
        std::int16_t service;
        bool subscribe;
        Text base, form;
    } cases[] = {
        // clang-format off
        {Mag2, false, Mag2DeliveryBase, u"/reader/D?id={10}&e={A}"},
        {Melma, false, MelmaBase, u"/cgi-bin/host/bye.pl?e={A}&m=m{8}"},
        {Kapu, false, KapuBase, u"/cgi-bin/mlmg_delma_np.cgi?mgid={I}&e_mail={A}"},
        {Mag2, true, Mag2RegistrationBase,
         u"/reader/Magrdadd?MfcISAPICommand=MagRdAdd&rdemail={A}&magid={10}"},
        {Melma, true, MelmaBase, u"/cgi-bin/host/mailmag.pl?email={A}&mailmag=add&magid=m{8}"},
        {Kapu, true, KapuBase, u"/cgi-bin/mlmg_setma_np.cgi?mgid={I}&e_mail={A}"},
        // clang-format on
    };
    for (const auto& c : cases) {
        for (const auto& in : inputs) {
            std::u16string expected = c.base + c.form;
            for (int i = 0; i < 4; ++i) {
                if (const auto at = expected.find(Markers[i]); at != std::u16string::npos) {
                    expected.replace(at, Markers[i].size(), in.shown[i]);
                }
            }
            EXPECT_EQ(c.subscribe ? subscribeUrl(c.service, in.address, in.id)
                                  : unsubscribeUrl(c.service, in.address, in.id),
                      expected);
        }
    }
    EXPECT_EQ(unsubscribeUrl(-1, u"t@x.jp", u"1"), u"");
    EXPECT_EQ(subscribeUrl(3, u"t@x.jp", u"1"), u"");
}

TEST(requests_Urls, AShopPageIsTheUsersOwnAddressWithNewsHtml) {
    // news.html joins it, unless it ends so already.
    const std::u16string top = ShopMallBase + u"/shop/";
    const std::pair<std::u16string, std::u16string> pages[] = {
        // clang-format off
        {shopSampleText(), shopSampleText()}, {top + u"News.HTML", top + u"News.HTML"},
        {top + u"news.htm", top + u"news.htmnews.html"}, {top, top + u"news.html"},
        {ShopMallBase + u"/shop", ShopMallBase + u"/shopnews.html"}, {u"", u"news.html"},
        {u"a b&c", u"a b&cnews.html"},
        // clang-format on
    };
    for (const auto& [typed, opened] : pages) {
        EXPECT_EQ(shopNewsPage(typed), opened);
    }
}
