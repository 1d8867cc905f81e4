#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"
#include "store/address_list.h"

namespace nolvetta::form {

// What the window shows, and the answers only its user can give. Each
// toolkit's window implements it; the behaviour (Form1) decides what to show.
class View {
public:
    virtual ~View() = default;

    // The text of a text box or of a combo box's edit field.
    virtual std::u16string text(Control control) const = 0;
    // Sets the text of a text box or of a combo box's edit field, or a frame's caption.
    virtual void setText(Control control, std::u16string_view text) = 0;
    virtual void selectAll(Control control) = 0;

    // A combo box's list: the entries as they are now, a copy the view keeps,
    // then each change to them. Its edit field keeps its text through them all.
    virtual void setEntries(Control list, const store::AddressList& entries) = 0;
    // `entry` now stands last.
    virtual void entryAdded(Control list, std::u16string_view entry) = 0;
    // The entry that stood at `index` is gone.
    virtual void entryRemoved(Control list, std::size_t index) = 0;

    virtual void setChecked(Menu entry, bool checked) = 0;
    // Shows a menu as a pop-up until it is closed: below the control `at`, or
    // at the pointer; with `current` highlighted. The entry chosen, or
    // nothing. Choosing runs no handler: the caller does.
    virtual std::optional<Menu> popUp(Menu menu, std::optional<Control> at,
                                      std::optional<Menu> current) = 0;

    // A message box titled with the program's name: an OK button, and for
    // a question はい and いいえ (true for はい), いいえ the default.
    virtual void inform(std::u16string_view text) = 0;
    virtual bool askYesNo(std::u16string_view text) = 0;
    // Closes a message box that is still open.
    virtual void dismissMessages() = 0;
    // Asks the window to close, as its close box would.
    virtual void closeWindow() = 0;

    virtual void setClipboard(std::u16string_view text) = 0;
    // Keeps the window above all others, or lets it go; false when the
    // desktop cannot do it.
    virtual bool setTopMost(bool onTop) = 0;
    virtual void showWindow() = 0;

    // Runs `task` on the window's thread once it is free, from any thread;
    // never once the window is gone.
    virtual void post(std::function<void()> task) = 0;

    // Shows the newsletter list, reading `paths` if any are given. A window
    // where messages cannot be read has no list, and shows nothing.
    virtual void openNewsletterList(const std::vector<std::filesystem::path>& paths) {
        static_cast<void>(paths);
    }
};

}  // namespace nolvetta::form
