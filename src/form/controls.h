#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The window described as data, so that every toolkit draws the same window:
// its controls with their places, captions and tab order, and its menus.
namespace nolvetta::form {

enum class Control {
    ShopFrame,
    ShopGo,
    ShopNewsCancel,
    ShopAddress,
    ShopLabel,
    ServiceFrame,
    Move,
    RegistrationAddress,
    Subscribe,
    CancelServiceNews,
    RegisterServiceNews,
    Unsubscribe,
    MagazineId,
    IdLabel,
    AddressFrame,
    DeletionAddress,
    DeleteAddress,
};
inline constexpr std::size_t ControlCount = 17;

enum class Kind { Frame, Button, ComboBox, TextBox, Label };

// Positions and sizes in twips (1/1440 inch), relative to the container's client area.
struct Twips {
    int left, top, width, height;
};

struct ControlRow {
    Control id;
    std::string_view name;  // also the toolkit's object name
    Kind kind;
    std::optional<Control> container;  // nothing: the window's client area
    // A frame's, button's or label's caption, a text box's initial text, a
    // combo box's hint, shown while its edit field is empty.
    std::u16string_view caption;
    Twips at;
    int tabIndex;
    bool focusable;
    bool takesDrops;  // hands dropped data to the window instead of inserting it
    bool dragSource;  // its selected text can be dragged out
    // What a screen reader calls it, where its caption does not say; the
    // service frame's value is the service it shows.
    std::u16string_view accessibleName;
    std::optional<Control> buddy;  // the field a label names
};

// The client area below the menu bar; Frame3 lies beyond it on purpose and
// is reached by Tab only.
inline constexpr Twips ClientArea{0, 0, 4245, 2865};

// The layout is made for a user-interface font 12 pixels high (9 points at
// 96 dots per inch); a larger font enlarges the whole window with it, so
// that no caption is clipped. A smaller one leaves it as it is.
double layoutScale(double fontPixels);
int toPixels(int twips, double scale);

// Every control, in definition order: a frame's children follow it.
std::span<const ControlRow> controls();
const ControlRow& rowOf(Control control);
// The controls that take the focus, in tab order; the first has it at start.
std::vector<Control> tabOrder();

enum class Menu {
    MainMenu,
    AlwaysOnTop,
    ServiceMenu,
    Mag2Service,
    MelmaService,
    KapuService,
    NewsletterList,
    OneClick,
    AutoCancelMenu,
    Mag2NewsMenu,
    CancelWeeklyMag2,
    MelmaNewsMenu,
    CancelMelmaNews,
    CancelTodaysMelma,
    KapuNewsMenu,
    CancelKapuNews,
};
inline constexpr std::size_t MenuCount = 16;

enum class Check { None, Toggle, OneOf };

struct MenuRow {
    Menu id;
    std::string_view name;
    std::u16string_view caption;
    char16_t mnemonic;           // the key that chooses it from its menu, or none
    std::optional<Menu> parent;  // nothing: a menu of the menu bar
    Check check;
    bool checked;
    bool visible;
    std::int16_t service;     // the service an entry or sub-menu stands for, or -1
    std::int16_t newsletter;  // the service's own newsletter it cancels, or -1
};

// Parents before their entries, entries in their order.
std::span<const MenuRow> menus();
// The caption with its mnemonic marked as both toolkits mark one: "メニュー(&M)".
std::u16string menuText(const MenuRow& menu);
const MenuRow& rowOf(Menu menu);
// The service menu's entry for a service.
Menu serviceEntry(std::int16_t service);
// The sub-menu of a service's own newsletters, if it has any.
std::optional<Menu> newsMenuOf(std::int16_t service);

}  // namespace nolvetta::form
