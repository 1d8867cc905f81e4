#include "form/controls.h"

#include <algorithm>
#include <array>

#include "form/captions.h"
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
    static const std::array<ControlSpec, ControlCount> table{{
        // clang-format off
        {Control::Frame3, "Frame3", Kind::Frame, {}, c::Frame3, {60, 3060, 4095, 1335}, 8, false, false},
        {Control::Command7, "Command7", Kind::Button, Control::Frame3, c::Command7, {3540, 480, 435, 315}, 14, false, false},
        {Control::Command2, "Command2", Kind::Button, Control::Frame3, c::Command2, {120, 900, 3315, 315}, 10, false, false},
        {Control::Text2, "Text2", Kind::TextBox, Control::Frame3, shopSample, {120, 480, 3315, 330}, 9, true, false},
        {Control::Label2_2, "Label2(2)", Kind::Label, Control::Frame3, c::Label2, {120, 240, 3720, 180}, 11, false, false},
        {Control::Frame2, "Frame2", Kind::Frame, {}, ServiceCatalogue[0].caption, {60, 780, 4095, 1995}, 3, false, false},
        {Control::Command8, "Command8", Kind::Button, Control::Frame2, c::Command8, {3360, 1560, 615, 315}, 16, false, false},
        {Control::Combo2, "Combo2", Kind::ComboBox, Control::Frame2, c::Combo2Initial, {120, 1560, 3135, 300}, 15, false, false},
        {Control::Command1, "Command1", Kind::Button, Control::Frame2, c::Command1, {2220, 660, 1755, 315}, 13, false, false},
        {Control::Command6, "Command6", Kind::Button, Control::Frame2, c::Command6, {420, 1080, 1755, 315}, 12, false, false},
        {Control::Command5, "Command5", Kind::Button, Control::Frame2, c::Command5, {2220, 1080, 1755, 315}, 7, false, false},
        {Control::Command4, "Command4", Kind::Button, Control::Frame2, c::Command4, {420, 660, 1755, 315}, 6, false, false},
        {Control::Text3, "Text3", Kind::TextBox, Control::Frame2, u"", {420, 240, 3555, 315}, 4, true, true},
        {Control::Label1, "Label1", Kind::Label, Control::Frame2, c::Label1, {180, 300, 165, 180}, 5, false, false},
        {Control::Frame1_0, "Frame1(0)", Kind::Frame, {}, c::Frame1, {60, 0, 4095, 675}, 0, false, false},
        {Control::Combo1, "Combo1", Kind::ComboBox, Control::Frame1_0, c::Combo1Initial, {120, 240, 3135, 300}, 2, false, false},
        {Control::Command3, "Command3", Kind::Button, Control::Frame1_0, c::Command3, {3360, 240, 615, 315}, 1, false, false},
        // clang-format on
    }};
    return table;
}

constexpr Check NoCheck = Check::None;

// The services' entries and the sub-menus of their newsletters take their
// captions from the catalogues they stand for.
constexpr std::array<MenuSpec, MenuCount> MenuTable{{
    // clang-format off
    {Menu::mn0_0, "mn0(0)", c::MenuMain, {}, true, NoCheck, false, true, -1},
    {Menu::mn2_0, "mn2(0)", c::MenuAlwaysOnTop, Menu::mn0_0, false, Check::Toggle, true, true, -1},
    {Menu::mn0_1, "mn0(1)", c::MenuMagazine, {}, false, NoCheck, false, true, -1},
    {Menu::MERU1_0, "MERU1(0)", ServiceCatalogue[0].caption, Menu::mn0_1, false, Check::OneOf, true, ServiceCatalogue[0].offered, 0},
    {Menu::MERU1_1, "MERU1(1)", ServiceCatalogue[1].caption, Menu::mn0_1, false, Check::OneOf, false, ServiceCatalogue[1].offered, 1},
    {Menu::MERU1_2, "MERU1(2)", ServiceCatalogue[2].caption, Menu::mn0_1, false, Check::OneOf, false, ServiceCatalogue[2].offered, 2},
    {Menu::MERU1_3, "MERU1(3)", ServiceCatalogue[3].caption, Menu::mn0_1, false, Check::OneOf, false, ServiceCatalogue[3].offered, 3},
    {Menu::MERU1_4, "MERU1(4)", ServiceCatalogue[4].caption, Menu::mn0_1, false, Check::OneOf, false, ServiceCatalogue[4].offered, 4},
    {Menu::mn0_2, "mn0(2)", c::MenuAutoCancel, {}, true, NoCheck, false, true, -1},
    {Menu::mn1_0, "mn1(0)", ServiceCatalogue[0].caption, Menu::mn0_2, false, NoCheck, false, true, 0},
    {Menu::kaijo0, "kaijo0", OfficialNewsletters[0].caption, Menu::mn1_0, false, NoCheck, false, true, -1},
    {Menu::mn1_1, "mn1(1)", ServiceCatalogue[1].caption, Menu::mn0_2, false, NoCheck, false, true, 1},
    {Menu::kaijo1_0, "kaijo1(0)", OfficialNewsletters[1].caption, Menu::mn1_1, false, NoCheck, false, true, -1},
    {Menu::kaijo1_1, "kaijo1(1)", OfficialNewsletters[2].caption, Menu::mn1_1, false, NoCheck, false, true, -1},
    {Menu::mn1_2, "mn1(2)", ServiceCatalogue[2].caption, Menu::mn0_2, false, NoCheck, false, true, 2},
    {Menu::kaijo2, "kaijo2", OfficialNewsletters[3].caption, Menu::mn1_2, false, NoCheck, false, true, -1},
    // clang-format on
}};

// spec(Menu) finds an entry by its place.
static_assert([] {
    for (std::size_t i = 0; i < MenuTable.size(); ++i) {
        if (MenuTable[i].id != static_cast<Menu>(i)) {
            return false;
        }
    }
    return true;
}());

}  // namespace

std::span<const ControlSpec> controls() {
    return controlTable();
}

const ControlSpec& spec(Control control) {
    return *std::find_if(controlTable().begin(), controlTable().end(),
                         [control](const ControlSpec& s) { return s.id == control; });
}

std::vector<Control> tabOrder() {
    std::vector<ControlSpec> focusable;
    std::copy_if(
        controlTable().begin(), controlTable().end(), std::back_inserter(focusable),
        [](const ControlSpec& s) { return s.kind != Kind::Frame && s.kind != Kind::Label; });
    std::sort(focusable.begin(), focusable.end(),
              [](const ControlSpec& a, const ControlSpec& b) { return a.tabIndex < b.tabIndex; });
    std::vector<Control> order;
    for (const ControlSpec& s : focusable) {
        order.push_back(s.id);
    }
    return order;
}

std::span<const MenuSpec> menus() {
    return MenuTable;
}

const MenuSpec& spec(Menu menu) {
    return MenuTable[static_cast<std::size_t>(menu)];
}

Menu MERU1(std::int16_t service) {
    return std::find_if(MenuTable.begin(), MenuTable.end(),
                        [service](const MenuSpec& s) {
                            return s.parent == Menu::mn0_1 && s.service == service;
                        })
        ->id;
}

std::optional<Menu> mn1(std::int16_t service) {
    const auto found = std::find_if(
        MenuTable.begin(), MenuTable.end(),
        [service](const MenuSpec& s) { return s.parent == Menu::mn0_2 && s.service == service; });
    return found != MenuTable.end() ? std::optional(found->id) : std::nullopt;
}

}  // namespace nolvetta::form
