#include "requests/official.h"

#include <algorithm>

#include "text/utf8.h"

namespace nolvetta::requests {

std::span<const OfficialNewsletter> officialNewslettersOf(std::int16_t service) {
    const auto ofService = [service](const OfficialNewsletter& n) { return n.service == service; };
    const auto first =
        std::find_if(OfficialNewsletters.begin(), OfficialNewsletters.end(), ofService);
    const auto last = std::find_if_not(first, OfficialNewsletters.end(), ofService);
    return {first, last};
}

std::u16string officialId(const OfficialNewsletter& newsletter) {
    return newsletter.page == NewsPage::Melma
               ? text::decimal(static_cast<std::uintmax_t>(newsletter.melmaId))
               : std::u16string();
}

std::u16string officialNewsUrl(const OfficialNewsletter& newsletter, NewsAction action,
                               std::u16string_view address) {
    switch (newsletter.page) {
        case NewsPage::WeeklyMag2:
            return weeklyMag2Url(action, address);
        case NewsPage::KapuNews:
            return kapuNewsUrl(action, address);
        case NewsPage::Melma:
            break;
    }
    const std::u16string id = officialId(newsletter);
    return action == NewsAction::Register ? subscribeUrl(Melma, address, id)
                                          : unsubscribeUrl(Melma, address, id);
}

}  // namespace nolvetta::requests
