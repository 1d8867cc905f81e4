#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The one check every magazine request passes first.
namespace nolvetta::requests {

enum class IdProblem {
    None,
    Zero,     // the number the ID begins with is zero, or it begins with none
    TooLong,  // longer than the service's IDs: its pages would be sent a cut ID
};

struct CheckedId {
    std::u16string id;  // as it goes into the request
    IdProblem problem;
};

// The ID as typed, with the blanks around it (ASCII and full-width) removed
// and full-width digits read as digits, as an input method or a paste leaves
// them. Accepted when the number it begins with is not zero (a value too
// large to hold counts as not zero) and it is no longer than the service's
// fixed width, where the service has one.
CheckedId checkId(std::int16_t service, std::u16string_view typed);

}  // namespace nolvetta::requests
