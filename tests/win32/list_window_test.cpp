// The newsletter list's Win32 window, opened from the main window and driven
// as a keyboard user and a screen reader use it. What its acts do is the
// behaviour's tests'.
#include "win32/list_window.h"

#include <algorithm>

#include "mail_home.h"
#include "window_test.h"

using Part = ListWindow::Part;

namespace {

// A column's cells, as the table draws them, row after row.
std::u16string cells(HWND table, int column) {
    std::u16string texts;
    for (int row = 0; row < int(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0)); ++row) {
        wchar_t cell[256] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = cell;
        item.cchTextMax = 256;
        SendMessageW(table, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        texts += (row > 0 ? u"|" : u"") + std::u16string(cell, cell + wcslen(cell));
    }
    return texts;
}

// Where the header's sort arrow is, and whether it points up; -1 for none.
std::pair<int, bool> sortArrow(HWND table) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(table, LVM_GETHEADER, 0, 0));
    for (int column = 0; column < int(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)); ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
        if (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
            return {column, (item.fmt & HDF_SORTUP) != 0};
        }
    }
    return {-1, false};
}

}  // namespace

// Thunderbird's local folders read, sorted from the keyboard and by the
// header, filtered, and both newsletters left, each at its own address; a
// close mid-scan stops it. The list stays on top with the main window, on
// the screen whole.
TEST_F(Win32Window, TheListIsReadSortedFilteredAndLeftByKeyboard) {
    const auto entries = entriesOf(GetSubMenu(GetMenu(window->handle()), 0));
    EXPECT_NE(std::find(entries.begin(), entries.end(), u"メルマガ一覧(&L)"), entries.end());
    SendMessageW(window->handle(), WM_COMMAND, 1000 + int(Menu::NewsletterList), 0);
    ListWindow& list = *window->list();
    user.watch(list.handle());
    const auto part = [&](Part p) { return list.handle(p); };
    EXPECT_EQ(textOf(list.handle()), u"メルマガ一覧 - !Nolvetta");
    EXPECT_EQ(GetWindowLongPtrW(list.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
    RECT at{}, screen{};
    GetWindowRect(list.handle(), &at);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    EXPECT_TRUE(at.left >= screen.left && at.top >= screen.top && at.right <= screen.right &&
                at.bottom <= screen.bottom);
    const auto alt = [&](wchar_t letter) {
        PostMessageW(GetFocus(), WM_SYSCHAR, letter, 1 << 29);
        pump();
    };
    const auto status = [&] { return textOf(part(Part::Status)); };
    const auto untilRead = [&] {
        for (const auto end = std::chrono::steady_clock::now() + 10s;
             status().find(u"件のメルマガ") == std::u16string::npos &&
             std::chrono::steady_clock::now() < end;
             Sleep(10)) {
            pump();
        }
    };
    const std::filesystem::path inbox =
        std::filesystem::path(NOLVETTA_MAIL_HOME) / ".thunderbird/abcd.default/Mail/Local Folders";
    list.scan({inbox});
    untilRead();
    EXPECT_EQ(status(), u"2 件のメルマガ（4 通のメールから）");
    EXPECT_EQ(SendMessageW(part(Part::Progress), PBM_GETPOS, 0, 0), 1000);
    HWND rows = part(Part::Rows);
    EXPECT_EQ(cells(rows, 0), u"Shop News|メルマガ配信");  // the latest first
    EXPECT_EQ(sortArrow(rows), std::pair(3, false));
    // By sender from the sort menu, by its key and by Space, from the start
    // and then the other way round; by count from the header, most first.
    SetFocus(part(Part::Sources));
    user.answer(u"差出人");
    alt(L's');
    EXPECT_EQ(std::pair(cells(rows, 0), sortArrow(rows)),
              std::pair(std::u16string(u"Shop News|メルマガ配信"), std::pair(0, true)));
    SetFocus(part(Part::Sort));
    user.answer(u"差出人");
    for (const UINT message : {WM_KEYDOWN, WM_KEYUP}) {  // its character between, as typed
        PostMessageW(GetFocus(), message, VK_SPACE, message == WM_KEYUP ? 0xC0000001 : 1);
        pump();
    }
    EXPECT_EQ(std::pair(cells(rows, 0), sortArrow(rows)),
              std::pair(std::u16string(u"メルマガ配信|Shop News"), std::pair(0, false)));
    EXPECT_EQ(user.seen().at(1).at(0), u"差出人(&1) ✓");
    HWND header = reinterpret_cast<HWND>(SendMessageW(rows, LVM_GETHEADER, 0, 0));
    RECT count{};
    SendMessageW(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&count));
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP}) {
        SendMessageW(header, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                     MAKELPARAM((count.left + count.right) / 2, count.bottom / 2));
    }
    EXPECT_EQ(std::pair(cells(rows, 2), sortArrow(rows)),
              std::pair(std::u16string(u"1|1"), std::pair(2, false)));
    EXPECT_EQ(cells(rows, 0), u"Shop News|メルマガ配信");  // the newer first among equals
    alt(L'f');
    for (const wchar_t c : std::wstring(L"SHOP")) {
        PostMessageW(GetFocus(), WM_CHAR, c, 1);
    }
    pump();
    EXPECT_EQ(cells(rows, 0) + u" " + status(),
              u"Shop News 2 件のメルマガのうち 1 件を表示（4 通のメールから）");
    SetWindowTextW(part(Part::Filter), L"");
    // Round by Tab past the disabled 中止; both rows chosen by the arrows.
    SetFocus(part(Part::Sources));
    for (const Part next :
         {Part::Scan, Part::Filter, Part::Sort, Part::Rows, Part::Leave, Part::Sources}) {
        key(VK_TAB);
        EXPECT_EQ(GetFocus(), part(next)) << int(next);
    }
    SetFocus(rows);
    key(VK_HOME);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    key(VK_DOWN);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    key(VK_TAB);
    user.answer(u"はい");
    key(VK_RETURN);
    EXPECT_EQ(user.seen().at(0).at(1), u"2 件のメルマガの配信を停止します。");
    // The magazine's own page, for the address its mail reached.
    EXPECT_EQ(opened(2),
              Pages({url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=reader@example.com"),
                     u"https://shop.example/unsub?u=s1"}));
    const std::u16string left = cells(rows, 6);  // with the day each was left
    EXPECT_EQ(left.substr(0, 3) + left.substr(13), u"解除 |解除 " + left.substr(17));
    // Closed mid-scan, the scan stops and its rows never come; opened again,
    // it is the same window, and leaves the top with the main window.
    PostMessageW(GetFocus(), WM_SYSCHAR, L'r', 1 << 29);
    PostMessageW(list.handle(), WM_CLOSE, 0, 0);  // before the scan can end
    for (int i = 0; i < 30; ++i, Sleep(10)) {
        pump();
    }
    EXPECT_EQ(status(), u"読み込んでいます…");
    EXPECT_TRUE(!IsWindowVisible(list.handle()) && IsWindowEnabled(part(Part::Scan)) &&
                !IsWindowEnabled(part(Part::Cancel)));
    SendMessageW(window->handle(), WM_COMMAND, 1000 + int(Menu::NewsletterList), 0);
    SendMessageW(window->handle(), WM_COMMAND, 1000 + int(Menu::AlwaysOnTop), 0);
    EXPECT_EQ(window->list(), &list);
    EXPECT_TRUE(IsWindowVisible(list.handle()));
    EXPECT_FALSE(GetWindowLongPtrW(list.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}
