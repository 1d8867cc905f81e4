#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "requests/catalogue.h"
#include "requests/urls.h"

// The newsletters the services send to every reader of theirs, and the pages
// on which an address is signed up for them or taken off them.
namespace nolvetta::requests {

enum class NewsPage {
    WeeklyMag2,  // a page pair of its own
    Melma,       // an ordinary melma magazine with a fixed ID
    KapuNews,    // a page pair of its own
};

struct OfficialNewsletter {
    std::int16_t service;
    std::u16string_view caption;
    NewsPage page;
    std::int32_t melmaId;  // for NewsPage::Melma
};

// In the order in which a service's newsletters are signed up for or cancelled.
inline constexpr std::array<OfficialNewsletter, 4> OfficialNewsletters{{
    {Mag2, u"ウィークリーまぐまぐ", NewsPage::WeeklyMag2, 0},
    {Melma, u"melma!ニュース", NewsPage::Melma, 1},
    {Melma, u"今日のmelma!", NewsPage::Melma, 12820},
    {Kapu, u"カプライトニュース", NewsPage::KapuNews, 0},
}};

// The newsletters of one service, in order; none for a service without any.
std::span<const OfficialNewsletter> officialNewslettersOf(std::int16_t service);

// The magazine ID a newsletter goes by, as a reader would type it; empty for
// those with pages of their own.
std::u16string officialId(const OfficialNewsletter& newsletter);

// The page that signs `address` up for the newsletter or takes it off.
std::u16string officialNewsUrl(const OfficialNewsletter& newsletter, NewsAction action,
                               std::u16string_view address);

}  // namespace nolvetta::requests
