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
        {C::ShopFrame, "Frame3", K::Frame, {}, c::ShopFrame, {60, 3060, 4095, 1335}, 8, false, false, false, {}, {}},
        {C::ShopGo, "Command7", K::Button, C::ShopFrame, c::ShopGoButton, {3540, 480, 435, 315}, 14, true, false, false, {}, {}},
        {C::ShopNewsCancel, "Command2", K::Button, C::ShopFrame, c::ShopNewsCancelButton, {120, 900, 3315, 315}, 10, true, false, false, {}, {}},
        {C::ShopAddress, "Text2", K::TextBox, C::ShopFrame, shopSample, {120, 480, 3315, 330}, 9, true, true, false, c::ShopAddressName, {}},
        {C::ShopLabel, "Label2(2)", K::Label, C::ShopFrame, c::ShopLabel, {120, 240, 3720, 180}, 11, false, false, false, {}, C::ShopAddress},
        {C::ServiceFrame, "Frame2", K::Frame, {}, ServiceCatalogue[0].caption, {60, 780, 4095, 1995}, 3, true, false, false, c::ServiceFrameName, {}},
        {C::Move, "Command8", K::Button, C::ServiceFrame, c::MoveButton, {3360, 1560, 615, 315}, 16, true, false, false, {}, {}},
        {C::RegistrationAddress, "Combo2", K::ComboBox, C::ServiceFrame, c::RegistrationAddressHint, {120, 1560, 3135, 300}, 15, true, false, false, c::RegistrationAddressHint, {}},
        {C::Subscribe, "Command1", K::Button, C::ServiceFrame, c::SubscribeButton, {2220, 660, 1755, 315}, 13, true, false, false, {}, {}},
        {C::CancelServiceNews, "Command6", K::Button, C::ServiceFrame, c::CancelServiceNewsButton, {420, 1080, 1755, 315}, 12, true, false, false, {}, {}},
        {C::RegisterServiceNews, "Command5", K::Button, C::ServiceFrame, c::RegisterServiceNewsButton, {2220, 1080, 1755, 315}, 7, true, false, false, {}, {}},
        {C::Unsubscribe, "Command4", K::Button, C::ServiceFrame, c::UnsubscribeButton, {420, 660, 1755, 315}, 6, true, false, false, {}, {}},
        {C::MagazineId, "Text3", K::TextBox, C::ServiceFrame, u"", {420, 240, 3555, 315}, 4, true, true, true, c::IdLabel, {}},
        {C::IdLabel, "Label1", K::Label, C::ServiceFrame, c::IdLabel, {180, 300, 165, 180}, 5, false, false, false, {}, C::MagazineId},
        {C::AddressFrame, "Frame1(0)", K::Frame, {}, c::AddressFrame, {60, 0, 4095, 675}, 0, false, false, false, {}, {}},
        {C::DeletionAddress, "Combo1", K::ComboBox, C::AddressFrame, c::DeletionAddressHint, {120, 240, 3135, 300}, 2, true, false, false, c::DeletionAddressHint, {}},
        {C::DeleteAddress, "Command3", K::Button, C::AddressFrame, c::DeleteButton, {3360, 240, 615, 315}, 1, true, false, false, {}, {}},
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
    // id, name, caption, mnemonic, parent, check, checked, visible, service, newsletter
    {Menu::MainMenu, "mn0(0)", c::MenuMain, u'M', {}, NoCheck, false, true, -1, -1},
    {Menu::AlwaysOnTop, "mn2(0)", c::MenuAlwaysOnTop, u'T', Menu::MainMenu, Check::Toggle, true, true, -1, -1},
    {Menu::ServiceMenu, "mn0(1)", c::MenuMagazine, u'S', Menu::MainMenu, NoCheck, false, true, -1, -1},
    {Menu::Mag2Service, "MERU1(0)", S[0].caption, u'1', Menu::ServiceMenu, OneOf, true, true, 0, -1},
    {Menu::MelmaService, "MERU1(1)", S[1].caption, u'2', Menu::ServiceMenu, OneOf, false, true, 1, -1},
    {Menu::KapuService, "MERU1(2)", S[2].caption, u'3', Menu::ServiceMenu, OneOf, false, true, 2, -1},
    {Menu::NewsletterList, "mnList", c::MenuNewsletterList, u'L', Menu::MainMenu, NoCheck, false, true, -1, -1},
    {Menu::OneClick, "mnOneClick", c::MenuOneClick, u'O', Menu::MainMenu, Check::Toggle, true, true, -1, -1},
    {Menu::AutoCancelMenu, "mn0(2)", c::MenuAutoCancel, u'A', {}, NoCheck, false, true, -1, -1},
    {Menu::Mag2NewsMenu, "mn1(0)", S[0].caption, u'1', Menu::AutoCancelMenu, NoCheck, false, true, 0, -1},
    {Menu::CancelWeeklyMag2, "kaijo0", N[0].caption, u'W', Menu::Mag2NewsMenu, NoCheck, false, true, -1, 0},
    {Menu::MelmaNewsMenu, "mn1(1)", S[1].caption, u'2', Menu::AutoCancelMenu, NoCheck, false, true, 1, -1},
    {Menu::CancelMelmaNews, "kaijo1(0)", N[1].caption, u'N', Menu::MelmaNewsMenu, NoCheck, false, true, -1, 1},
    {Menu::CancelTodaysMelma, "kaijo1(1)", N[2].caption, u'T', Menu::MelmaNewsMenu, NoCheck, false, true, -1, 2},
    {Menu::KapuNewsMenu, "mn1(2)", S[2].caption, u'3', Menu::AutoCancelMenu, NoCheck, false, true, 2, -1},
    {Menu::CancelKapuNews, "kaijo2", N[3].caption, u'K', Menu::KapuNewsMenu, NoCheck, false, true, -1, 3},
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

Menu serviceEntry(std::int16_t service) {
    return std::find_if(MenuTable.begin(), MenuTable.end(),
                        [service](const MenuRow& s) {
                            return s.parent == Menu::ServiceMenu && s.service == service;
                        })
        ->id;
}

std::optional<Menu> newsMenuOf(std::int16_t service) {
    const auto found =
        std::find_if(MenuTable.begin(), MenuTable.end(), [service](const MenuRow& s) {
            return s.parent == Menu::AutoCancelMenu && s.service == service;
        });
    return found != MenuTable.end() ? std::optional(found->id) : std::nullopt;
}

}  // namespace nolvetta::form
