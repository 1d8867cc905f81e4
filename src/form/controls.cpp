#include "form/controls.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "form/captions.h"
#include "message/message.h"
#include "requests/catalogue.h"
#include "requests/official.h"
#include "requests/urls.h"

namespace nolvetta::form {

namespace {

namespace c = captions;
using requests::OfficialNewsletters;
using requests::ServiceCatalogue;

const auto& controlTable() {
    static const std::u16string shopSample = requests::shopSampleText();
    using C = Control;
    using K = Kind;
    static const std::array<ControlRow, ControlCount> table{{
        // clang-format off
        // id, name, kind, container, caption, place, tab index, focusable, takes drops, drag source, accessible name, buddy
        {C::Frame3, "Frame3", K::Frame, {}, c::Frame3, {60, 3060, 4095, 1335}, 8, false, false, false, {}, {}},
        {C::Command7, "Command7", K::Button, C::Frame3, c::Command7, {3540, 480, 435, 315}, 14, true, false, false, {}, {}},
        {C::Command2, "Command2", K::Button, C::Frame3, c::Command2, {120, 900, 3315, 315}, 10, true, false, false, {}, {}},
        {C::Text2, "Text2", K::TextBox, C::Frame3, shopSample, {120, 480, 3315, 330}, 9, true, true, false, c::ShopAddressName, {}},
        {C::Label2_2, "Label2(2)", K::Label, C::Frame3, c::Label2, {120, 240, 3720, 180}, 11, false, false, false, {}, C::Text2},
        {C::Frame2, "Frame2", K::Frame, {}, ServiceCatalogue[0].caption, {60, 780, 4095, 1995}, 3, true, false, false, c::ServiceFrameName, {}},
        {C::Command8, "Command8", K::Button, C::Frame2, c::Command8, {3360, 1560, 615, 315}, 16, true, false, false, {}, {}},
        {C::Combo2, "Combo2", K::ComboBox, C::Frame2, c::Combo2Initial, {120, 1560, 3135, 300}, 15, true, false, false, c::Combo2Initial, {}},
        {C::Command1, "Command1", K::Button, C::Frame2, c::Command1, {2220, 660, 1755, 315}, 13, true, false, false, {}, {}},
        {C::Command6, "Command6", K::Button, C::Frame2, c::Command6, {420, 1080, 1755, 315}, 12, true, false, false, {}, {}},
        {C::Command5, "Command5", K::Button, C::Frame2, c::Command5, {2220, 1080, 1755, 315}, 7, true, false, false, {}, {}},
        {C::Command4, "Command4", K::Button, C::Frame2, c::Command4, {420, 660, 1755, 315}, 6, true, false, false, {}, {}},
        {C::Text3, "Text3", K::TextBox, C::Frame2, u"", {420, 240, 3555, 315}, 4, true, true, true, c::Label1, {}},
        {C::Label1, "Label1", K::Label, C::Frame2, c::Label1, {180, 300, 165, 180}, 5, false, false, false, {}, C::Text3},
        {C::Frame1_0, "Frame1(0)", K::Frame, {}, c::Frame1, {60, 0, 4095, 675}, 0, false, false, false, {}, {}},
        {C::Combo1, "Combo1", K::ComboBox, C::Frame1_0, c::Combo1Initial, {120, 240, 3135, 300}, 2, true, false, false, c::Combo1Initial, {}},
        {C::Command3, "Command3", K::Button, C::Frame1_0, c::Command3, {3360, 240, 615, 315}, 1, true, false, false, {}, {}},
        // clang-format on
    }};
    return table;
}

constexpr Check NoCheck = Check::None;
constexpr auto OneOf = Check::OneOf;
constexpr auto& S = ServiceCatalogue;
constexpr auto& N = OfficialNewsletters;

// The services' entries and the sub-menus of their newsletters take their
// captions from the catalogues they stand for. The service menu is also the
// frame's pop-up.
constexpr std::array<MenuRow, MenuCount> MenuTable{{
    // clang-format off
    // id, name, caption, mnemonic, parent, check, checked, visible, service
    {Menu::mn0_0, "mn0(0)", c::MenuMain, u'M', {}, NoCheck, false, true, -1},
    {Menu::mn2_0, "mn2(0)", c::MenuAlwaysOnTop, u'T', Menu::mn0_0, Check::Toggle, true, true, -1},
    {Menu::mn0_1, "mn0(1)", c::MenuMagazine, u'S', Menu::mn0_0, NoCheck, false, true, -1},
    {Menu::MERU1_0, "MERU1(0)", S[0].caption, u'1', Menu::mn0_1, OneOf, true, true, 0},
    {Menu::MERU1_1, "MERU1(1)", S[1].caption, u'2', Menu::mn0_1, OneOf, false, true, 1},
    {Menu::MERU1_2, "MERU1(2)", S[2].caption, u'3', Menu::mn0_1, OneOf, false, true, 2},
    // Only where messages can be read.
    {Menu::mnList, "mnList", c::MenuNewsletterList, u'L', Menu::mn0_0, NoCheck, false, message::ReaderBuilt, -1},
    {Menu::mn0_2, "mn0(2)", c::MenuAutoCancel, u'A', {}, NoCheck, false, true, -1},
    {Menu::mn1_0, "mn1(0)", S[0].caption, u'1', Menu::mn0_2, NoCheck, false, true, 0},
    {Menu::kaijo0, "kaijo0", N[0].caption, u'W', Menu::mn1_0, NoCheck, false, true, -1},
    {Menu::mn1_1, "mn1(1)", S[1].caption, u'2', Menu::mn0_2, NoCheck, false, true, 1},
    {Menu::kaijo1_0, "kaijo1(0)", N[1].caption, u'N', Menu::mn1_1, NoCheck, false, true, -1},
    {Menu::kaijo1_1, "kaijo1(1)", N[2].caption, u'T', Menu::mn1_1, NoCheck, false, true, -1},
    {Menu::mn1_2, "mn1(2)", S[2].caption, u'3', Menu::mn0_2, NoCheck, false, true, 2},
    {Menu::kaijo2, "kaijo2", N[3].caption, u'K', Menu::mn1_2, NoCheck, false, true, -1},
    // clang-format on
}};

// rowOf(Menu) finds an entry by its place.
static_assert([] {
    for (std::size_t i = 0; i < MenuTable.size(); ++i) {
        if (MenuTable[i].id != static_cast<Menu>(i)) {
            return false;
        }
    }
    return true;
}());

}  // namespace

std::span<const ControlRow> controls() {
    return controlTable();
}

const ControlRow& rowOf(Control control) {
    return *std::find_if(controlTable().begin(), controlTable().end(),
                         [control](const ControlRow& s) { return s.id == control; });
}

double layoutScale(double fontPixels) {
    return std::max(1.0, fontPixels / 12.0);
}

int toPixels(int twips, double scale) {
    return static_cast<int>(std::lround(twips * scale / 15.0));
}

std::vector<Control> tabOrder() {
    std::vector<ControlRow> focusable;
    std::copy_if(controlTable().begin(), controlTable().end(), std::back_inserter(focusable),
                 [](const ControlRow& s) { return s.focusable; });
    std::sort(focusable.begin(), focusable.end(),
              [](const ControlRow& a, const ControlRow& b) { return a.tabIndex < b.tabIndex; });
    std::vector<Control> order;
    for (const ControlRow& s : focusable) {
        order.push_back(s.id);
    }
    return order;
}

std::span<const MenuRow> menus() {
    return MenuTable;
}

std::u16string menuText(const MenuRow& menu) {
    std::u16string text(menu.caption);
    if (menu.mnemonic != u'\0') {
        text += u"(&";
        text += menu.mnemonic;
        text += u')';
    }
    return text;
}

const MenuRow& rowOf(Menu menu) {
    return MenuTable[static_cast<std::size_t>(menu)];
}

Menu MERU1(std::int16_t service) {
    return std::find_if(MenuTable.begin(), MenuTable.end(),
                        [service](const MenuRow& s) {
                            return s.parent == Menu::mn0_1 && s.service == service;
                        })
        ->id;
}

std::optional<Menu> mn1(std::int16_t service) {
    const auto found = std::find_if(
        MenuTable.begin(), MenuTable.end(),
        [service](const MenuRow& s) { return s.parent == Menu::mn0_2 && s.service == service; });
    return found != MenuTable.end() ? std::optional(found->id) : std::nullopt;
}

}  // namespace nolvetta::form
