#include "requests/id_check.h"

#include "requests/catalogue.h"
#include "text/number.h"

namespace nolvetta::requests {

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u3000';
}

}  // namespace

CheckedId checkId(std::int16_t service, std::u16string_view typed) {
    while (!typed.empty() && isBlank(typed.front())) {
        typed.remove_prefix(1);
    }
    while (!typed.empty() && isBlank(typed.back())) {
        typed.remove_suffix(1);
    }
    CheckedId checked{std::u16string(typed), IdProblem::None};
    for (char16_t& c : checked.id) {
        if (c >= u'０' && c <= u'９') {
            c = static_cast<char16_t>(c - u'０' + u'0');
        }
    }
    const bool known = service >= 0 && service < ServiceCount;
    const int width = known ? ServiceCatalogue[static_cast<std::size_t>(service)].idWidth : 0;
    if (text::readNumber(checked.id).value == 0) {
        checked.problem = IdProblem::Zero;
    } else if (width > 0 && checked.id.size() > static_cast<std::size_t>(width)) {
        checked.problem = IdProblem::TooLong;
    }
    return checked;
}

}  // namespace nolvetta::requests
