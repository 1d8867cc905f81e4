#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "requests/endpoints.h"

// The delivery services the program knows. The index is the service's number
// throughout the program (menu entry, selection, request tables).
namespace nolvetta::requests {

struct Service {
    std::int16_t index;
    std::u16string_view caption;
    std::u16string_view subscribeBase;
    std::u16string_view unsubscribeBase;
    int idWidth;  // 0: the ID goes into the URL as typed
};

inline constexpr std::int16_t Mag2 = 0;
inline constexpr std::int16_t Melma = 1;
inline constexpr std::int16_t Kapu = 2;

inline constexpr std::array<Service, 3> ServiceCatalogue{{
    {Mag2, u"まぐまぐ", Mag2RegistrationBase, Mag2DeliveryBase, 10},
    {Melma, u"melma", MelmaBase, MelmaBase, 8},
    {Kapu, u"カプライト", KapuBase, KapuBase, 0},
}};

inline constexpr std::int16_t ServiceCount = static_cast<std::int16_t>(ServiceCatalogue.size());

}  // namespace nolvetta::requests
