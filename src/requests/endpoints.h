#pragma once

#include <string_view>

// Scheme and host of every web server the program opens pages on. The only
// place these values stand; everything else refers to them by name.
namespace nolvetta::requests {

inline constexpr std::u16string_view Mag2RegistrationBase = u"https://www.mag2.com";
inline constexpr std::u16string_view Mag2DeliveryBase = u"https://mail.mag2.com";
inline constexpr std::u16string_view MelmaBase = u"https://www.melma.com";
inline constexpr std::u16string_view KapuBase = u"https://www.kapu.biz";
inline constexpr std::u16string_view ShopMallBase = u"https://www.rakuten.co.jp";

}  // namespace nolvetta::requests
