// The menu bar and the pop-up menus, made from the menu table.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "win32/main_window.h"
#include "win32/main_window_parts.h"
#include "win32/wide_text.h"

namespace nolvetta::win32 {

namespace {

using form::Menu;

bool hasEntries(Menu menu) {
    return std::any_of(form::menus().begin(), form::menus().end(),
                       [menu](const form::MenuRow& entry) { return entry.parent == menu; });
}

}  // namespace

void MainWindow::buildMenus() {
    bar_ = CreateMenu();
    for (const form::MenuRow& row : form::menus()) {
        checked_[indexOf(row.id)] = row.checked;
        if (hasEntries(row.id)) {
            menus_[indexOf(row.id)] = CreatePopupMenu();
        }
    }
    placeEntries(std::nullopt);
    for (const form::MenuRow& row : form::menus()) {
        if (menus_[indexOf(row.id)] != nullptr) {
            placeEntries(row.id);
        }
    }
    SetMenu(window_, bar_);
}

// A menu's visible entries, put in anew in the table's order whenever a
// check mark changes. Nothing: the menu bar.
void MainWindow::placeEntries(std::optional<Menu> menu) {
    HMENU target = menu ? menus_[indexOf(*menu)] : bar_;
    while (GetMenuItemCount(target) > 0) {
        RemoveMenu(target, 0, MF_BYPOSITION);  // keeps the sub-menus
    }
    for (const form::MenuRow& row : form::menus()) {
        const std::size_t i = indexOf(row.id);
        if (row.parent != menu || !row.visible) {
            continue;
        }
        std::wstring caption = wide(form::menuText(row));
        MENUITEMINFOW entry{};
        entry.cbSize = sizeof entry;
        entry.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        entry.fType = row.check == form::Check::OneOf ? MFT_RADIOCHECK : MFT_STRING;
        entry.fState = checked_[i] ? MFS_CHECKED : MFS_UNCHECKED;
        entry.wID = MenuIds + static_cast<UINT>(i);
        entry.hSubMenu = menus_[i];
        entry.dwTypeData = caption.data();
        InsertMenuItemW(target, static_cast<UINT>(GetMenuItemCount(target)), TRUE, &entry);
    }
    if (!menu && isOpen()) {
        DrawMenuBar(window_);
    }
}

void MainWindow::setChecked(Menu entry, bool checked) {
    checked_[indexOf(entry)] = checked;
    placeEntries(form::rowOf(entry).parent);
}

}  // namespace nolvetta::win32
