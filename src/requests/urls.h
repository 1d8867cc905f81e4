#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Every request URL the program opens, as pure functions of their inputs.
// The user's texts (address, ID) are inserted with the few characters that
// would change the meaning of a query percent-encoded; see encodeUserText.
namespace nolvetta::requests {

// Percent-encodes (as UTF-8) exactly % & + = # ; space and control
// characters; everything else, Japanese text included, stays as it is.
std::u16string encodeUserText(std::u16string_view text);

// The rightmost `width` characters of `width` zeros followed by `id`.
std::u16string fixedWidthId(std::u16string_view id, int width);

// service: 0..4 (see ServiceCatalogue).
std::u16string unsubscribeUrl(std::int16_t service, std::u16string_view address,
                              std::u16string_view id);
std::u16string subscribeUrl(std::int16_t service, std::u16string_view address,
                            std::u16string_view id);

// What a page of the services' own newsletters is asked to do.
enum class NewsAction { Register, Cancel };

// The weekly まぐまぐ page.
std::u16string weeklyMag2Url(NewsAction action, std::u16string_view address);
// The カプライトニュース page.
std::u16string kapuNewsUrl(NewsAction action, std::u16string_view address);

// The mall's news-mail cancellation page for an address.
std::u16string mallCancellationUrl(std::u16string_view address);
// ShopMallBase + "/": what a shop's address begins with.
std::u16string shopPrefix();
// The shop field's sample text at start.
std::u16string shopSampleText();
// A shop's news page: the text with "news.html" appended unless it already
// ends in it (compared without regard to case). Goes as typed otherwise.
std::u16string shopNewsPage(std::u16string_view shopText);

}  // namespace nolvetta::requests
