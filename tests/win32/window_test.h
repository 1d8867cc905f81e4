// What the tests of the Win32 windows share: the main window, created for
// real under Wine and driven with the messages a user's actions send, the
// stand-in browser that shows what was opened, and the user who answers
// each pop-up menu and message box.
#pragma once

#include "win32/main_window.h"

#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <set>

#include "launcher/launcher.h"
#include "message/reader.h"
#include "requests/endpoints.h"
#include "win32/drag_drop.h"
#include "win32/message_box.h"
#include "windows_desktop.h"

using namespace nolvetta::requests;
using namespace nolvetta::testsupport;
using nolvetta::form::Control;
using nolvetta::form::Menu;
using nolvetta::form::rowOf;
using namespace nolvetta::win32;
using Texts = std::vector<std::u16string>;
using Pages = std::multiset<std::u16string>;
using namespace std::chrono_literals;

inline std::u16string url(std::u16string_view base, std::u16string_view rest) {
    return std::u16string(base).append(rest);
}

// OLE on the thread of the windows, and the stand-in browser, once per process.
struct Desktop : ::testing::Environment {
    void SetUp() override { OleInitialize(nullptr); }
    void TearDown() override { OleUninitialize(); }
};
inline ::testing::Environment* const desktop = ::testing::AddGlobalTestEnvironment(new Desktop);
inline Browser& browser() {
    static Browser browser(besideThisProgram(NOLVETTA_ARGUMENT_LOGGER));
    return browser;
}

// A menu's entries, a check mark after a checked one, an arrow after the
// highlighted one.
inline Texts entriesOf(HMENU menu) {
    Texts entries;
    for (UINT i = 0; i < UINT(GetMenuItemCount(menu)); ++i) {
        wchar_t caption[128] = {};
        GetMenuStringW(menu, i, caption, 128, MF_BYPOSITION);
        entries.push_back(std::u16string(caption, caption + wcslen(caption)) +
                          (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED ? u" ✓" : u"") +
                          (GetMenuState(menu, i, MF_BYPOSITION) & MF_HILITE ? u" ◀" : u""));
    }
    return entries;
}

// What a message box or pop-up menu shows: a box's title, its text's first
// line as drawn, its buttons and last the one Enter presses; a pop-up's entries.
inline Texts shownBy(HWND modal, bool popUp) {
    if (popUp) {
        return entriesOf(reinterpret_cast<HMENU>(SendMessageW(modal, MN_GETHMENU, 0, 0)));
    }
    Texts shown{textOf(modal)};
    bool reachable = false;  // the text, by Tab, to be selected and copied
    for (HWND child = GetWindow(modal, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::u16string text = textOf(child);
        wchar_t kind[16] = {};
        GetClassNameW(child, kind, 16);
        const auto style = GetWindowLongPtrW(child, GWL_STYLE);
        reachable |= _wcsicmp(kind, L"Edit") == 0 && (style & WS_TABSTOP) && (style & ES_READONLY);
        if (IsWindowVisible(child) && !text.empty()) {
            shown.push_back(text.substr(0, text.find_first_of(u"\r\n")));
        }
    }
    shown.push_back(textOf(GetDlgItem(modal, LOWORD(SendMessageW(modal, DM_GETDEFID, 0, 0)))));
    EXPECT_TRUE(reachable) << testing::PrintToString(shown);
    return shown;
}

// The user, on the window's thread: answers each pop-up menu and message box
// in turn with the entry or button that begins with its next choice, once
// the box or pop-up waits for input (told by WM_ENTERIDLE), or at once when
// the boxes' test seam makes a box without a modal loop. One that nobody
// expected fails the test there and then, and is closed.
class User {
public:
    User() { answerBoxes(true); }
    ~User() { answerBoxes(false); }
    // Whether boxes come to the user at once; if not, they are the real ones,
    // drawn and clicked in their modal loop.
    void answerBoxes(bool atOnce) {
        nolvetta::win32::answerBoxesWith(
            atOnce ? std::function([this](HWND box) { return choose(box, false); }) : nullptr);
    }
    // Has `window` tell the user when a pop-up or box of its waits.
    void watch(HWND window) {
        SetWindowSubclass(window, onIdle, 0, reinterpret_cast<DWORD_PTR>(this));
    }
    void answer(std::u16string choice) { choices_.push_back(std::move(choice)); }
    // What each box or pop-up showed since the last look.
    std::vector<Texts> seen() { return std::exchange(seen_, {}); }
    std::size_t choicesLeft() const { return choices_.size(); }
    RECT popUpAt{};  // where the last pop-up showed

private:
    static constexpr std::size_t None = std::size_t(-1);
    // The index of the button or entry chosen in `modal`, None if none.
    std::size_t choose(HWND modal, bool popUp) {
        Texts shown = shownBy(modal, popUp);
        const auto first = shown.begin() + (popUp ? 0 : 2), end = shown.end() - (popUp ? 0 : 1);
        const std::u16string choice = choices_.empty() ? u"(none)" : choices_.front();
        const auto at =
            std::find_if(first, end, [&](const auto& s) { return s.starts_with(choice); });
        if (at == end) {
            ADD_FAILURE() << (choices_.empty() ? "nobody expected " : "no such choice in ")
                          << testing::PrintToString(shown);
            return None;
        }
        const auto index = static_cast<std::size_t>(at - first);
        choices_.pop_front();
        seen_.push_back(std::move(shown));
        return index;
    }
    static LRESULT CALLBACK onIdle(HWND window, UINT message, WPARAM kind, LPARAM modal, UINT_PTR,
                                   DWORD_PTR self) {
        auto& user = *reinterpret_cast<User*>(self);
        // Every wait is answered: another comes only if the box or pop-up
        // ignored the answer and stays.
        if (message == WM_ENTERIDLE && modal != 0) {
            const auto shown = reinterpret_cast<HWND>(modal);
            const bool popUp = kind == MSGF_MENU;
            UpdateWindow(shown);  // drawn whole first
            const std::size_t chosen = user.choose(shown, popUp);
            // From the first entry down to the one chosen, or on to the
            // button, in their order.
            HWND button = nullptr;
            if (popUp) {
                GetWindowRect(shown, &user.popUpAt);
                PostMessageW(shown, WM_KEYDOWN, VK_HOME, 0);
            }
            for (std::size_t i = 0; chosen != None && i < chosen + (popUp ? 0 : 1); ++i) {
                if (popUp) {
                    PostMessageW(shown, WM_KEYDOWN, VK_DOWN, 0);
                } else {
                    button = FindWindowExW(shown, button, WC_BUTTONW, nullptr);
                }
            }
            if (popUp) {
                PostMessageW(shown, WM_KEYDOWN, chosen != None ? VK_RETURN : VK_ESCAPE, 0);
            } else {
                PostMessageW(button ? button : shown, button ? BM_CLICK : WM_CLOSE, 0, 0);
            }
        }
        return DefSubclassProc(window, message, kind, modal);
    }

    std::deque<std::u16string> choices_;
    std::vector<Texts> seen_;
};

class Win32Window : public ::testing::Test {
protected:
    void SetUp() override {
        browser();
        open();
        setText(Control::DeletionAddress, u"a+b@x");
        setText(Control::MagazineId, u"5");
    }
    void TearDown() override {
        if (window->isOpen()) {
            SendMessageW(window->handle(), WM_CLOSE, 0, 0);
        }
        EXPECT_EQ(user.seen(), std::vector<Texts>());
        EXPECT_EQ(user.choicesLeft(), 0) << "boxes or pop-ups that never came";
        EXPECT_EQ(browser().invocations(1, 200ms), Invocations());
    }
    void open() {
        window = std::make_unique<MainWindow>(*launcher, *reader, folder.path(), L"key");
        user.watch(window->handle());
        window->form().load();
        pump();
    }
    // Runs the thread's messages through the window, as the program's loop does.
    void pump() {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            window->dispatch(message);
        }
    }
    // Runs the window until the user has made every choice given, or 10 seconds passed.
    void untilAnswered() {
        for (const auto deadline = std::chrono::steady_clock::now() + 10s;
             user.choicesLeft() > 0 && std::chrono::steady_clock::now() < deadline; Sleep(10)) {
            pump();
        }
    }
    HWND control(Control control) const { return window->handle(control); }
    std::u16string text(Control c) const { return textOf(control(c)); }
    // A combo box's caption is the hint it shows while empty.
    std::u16string caption(Control c) const {
        wchar_t hint[64] = {};
        const HWND edit = FindWindowExW(control(c), nullptr, WC_EDITW, nullptr);
        SendMessageW(edit, EM_GETCUEBANNER, WPARAM(hint), 64);
        return edit ? std::u16string(hint, hint + wcslen(hint)) : text(c);
    }
    // How many entries a combo box shows when opened.
    LRESULT entries(Control c) {
        SendMessageW(control(c), CB_SHOWDROPDOWN, TRUE, 0);
        const LRESULT count = SendMessageW(control(c), CB_GETCOUNT, 0, 0);
        SendMessageW(control(c), CB_SHOWDROPDOWN, FALSE, 0);
        return count;
    }
    void setText(Control c, std::u16string_view text) {
        SetWindowTextW(control(c), reinterpret_cast<const wchar_t*>(std::u16string(text).c_str()));
    }
    // A key that goes down and up where the focus is, as the system posts it;
    // the loop makes its character.
    void key(WPARAM key) {
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
        PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
        pump();
    }
    void focus(Control c) {
        const HWND edit = FindWindowExW(control(c), nullptr, WC_EDITW, nullptr);  // a combo box's
        SetFocus(edit ? edit : control(c));
    }
    // A press of the left button at a point of the window's client area.
    void click(POINT at) {
        for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP}) {
            SendMessageW(window->handle(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                         MAKELPARAM(at.x, at.y));
        }
    }
    void press(Control button) { SendMessageW(control(button), BM_CLICK, 0, 0); }
    // The pages opened since the last look, each in a browser of its own, in
    // no order: the browsers race to log them.
    static Pages opened(std::size_t count) {
        Pages pages;
        for (const auto& arguments : browser().invocations(count)) {
            pages.insert(arguments.size() == 1 ? arguments[0] : u"(not one argument)");
        }
        return pages;
    }

    ScratchDirectory folder;
    User user;
    std::unique_ptr<nolvetta::launcher::Launcher> launcher =
        nolvetta::launcher::makeSystemLauncher();
    std::unique_ptr<nolvetta::message::Reader> reader = nolvetta::message::makeSystemReader();
    std::unique_ptr<MainWindow> window;
};
