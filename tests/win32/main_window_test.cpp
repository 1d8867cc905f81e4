// The Win32 window, created for real under Wine and driven with the messages a
// user's actions send; the stand-in browser shows what was opened. What the
// handlers do is the behaviour's tests'.
#include "win32/main_window.h"

#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "launcher/launcher.h"
#include "message/reader.h"
#include "requests/endpoints.h"
#include "win32/drag_drop.h"
#include "windows_desktop.h"

using namespace nolvetta::requests;
using namespace nolvetta::testsupport;
using nolvetta::form::Control;
using nolvetta::form::Menu;
using nolvetta::win32::MainWindow;
using Texts = std::vector<std::u16string>;
using Pages = std::multiset<std::u16string>;
using namespace std::chrono_literals;

std::u16string url(std::u16string_view base, std::u16string_view rest) {
    return std::u16string(base).append(rest);
}

// OLE on the thread of the windows, and the stand-in browser, once per process.
struct Desktop : ::testing::Environment {
    void SetUp() override { OleInitialize(nullptr); }
    void TearDown() override { OleUninitialize(); }
};
::testing::Environment* const desktop = ::testing::AddGlobalTestEnvironment(new Desktop);
Browser& browser() {
    static Browser browser(besideThisProgram(NOLVETTA_ARGUMENT_LOGGER));
    return browser;
}

// A menu's entries, a check mark after a checked one.
Texts entriesOf(HMENU menu) {
    Texts entries;
    for (UINT i = 0; i < UINT(GetMenuItemCount(menu)); ++i) {
        wchar_t caption[128] = {};
        GetMenuStringW(menu, i, caption, 128, MF_BYPOSITION);
        entries.push_back(std::u16string(caption, caption + wcslen(caption)) +
                          (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED ? u" ✓" : u""));
    }
    return entries;
}

// A static text as it is drawn: without SS_NOPREFIX, "&&" shows "&" and a
// lone "&" only underlines what follows.
std::u16string drawnText(HWND text) {
    std::u16string shown = textOf(text);
    wchar_t kind[16] = {};
    GetClassNameW(text, kind, 16);
    if (_wcsicmp(kind, L"Static") != 0 || (GetWindowLongPtrW(text, GWL_STYLE) & SS_NOPREFIX)) {
        return shown;
    }
    std::u16string drawn;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == u'&' && ++i == shown.size()) {
            break;
        }
        drawn += shown[i];
    }
    return drawn;
}

// What a message box or pop-up menu shows: a box's title, its text's first
// line as drawn, its buttons and last the one Enter presses; a pop-up's entries.
Texts shownBy(HWND modal, bool popUp) {
    if (popUp) {
        return entriesOf(reinterpret_cast<HMENU>(SendMessageW(modal, MN_GETHMENU, 0, 0)));
    }
    Texts shown{textOf(modal)};
    for (HWND child = GetWindow(modal, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::u16string text = drawnText(child);
        if (IsWindowVisible(child) && !text.empty()) {
            shown.push_back(text.substr(0, text.find_first_of(u"\r\n")));
        }
    }
    shown.push_back(textOf(GetDlgItem(modal, LOWORD(SendMessageW(modal, DM_GETDEFID, 0, 0)))));
    return shown;
}

// The user, on a thread of its own: answers each message box and pop-up menu
// of this process in turn, and one nobody expected with its last button or
// Escape, so that nothing waits for ever.
class User {
public:
    using Act = std::function<void(HWND modal, bool popUp)>;
    User() : thread_([this] { run(); }) {}
    ~User() {
        stop_ = true;
        thread_.join();
    }
    // The button or menu entry reading `choice` is pressed.
    void answer(std::u16string choice) {
        act([choice](HWND modal, bool popUp) {
            // A box or pop-up without that choice is closed.
            if (!popUp) {
                const HWND button = FindWindowExW(modal, nullptr, WC_BUTTONW,
                                                  reinterpret_cast<const wchar_t*>(choice.c_str()));
                button ? PostMessageW(button, BM_CLICK, 0, 0) : PostMessageW(modal, WM_CLOSE, 0, 0);
                return;
            }
            const Texts entries = shownBy(modal, true);
            const auto at = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
                return entry.rfind(choice, 0) == 0;
            });
            for (auto i = at - entries.begin(); at != entries.end() && i >= 0; --i) {
                PostMessageW(modal, WM_KEYDOWN, VK_DOWN, 0);
            }
            PostMessageW(modal, WM_KEYDOWN, at != entries.end() ? VK_RETURN : VK_ESCAPE, 0);
        });
    }
    void act(Act act) {
        const std::lock_guard lock(mutex_);
        acts_.push_back(std::move(act));
    }
    // What each box or pop-up showed since the last look.
    std::vector<Texts> seen() {
        const std::lock_guard lock(mutex_);
        return std::exchange(seen_, {});
    }

private:
    static HWND openModal(bool& popUp) {
        std::pair<HWND, bool> found{};
        EnumWindows(
            [](HWND window, LPARAM found) {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                wchar_t name[16] = {};
                GetClassNameW(window, name, 16);
                const bool menu = std::wstring_view(name) == L"#32768";
                if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
                    (menu || std::wstring_view(name) == L"#32770")) {
                    *reinterpret_cast<std::pair<HWND, bool>*>(found) = {window, menu};
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        popUp = found.second;
        return found.first;
    }
    void run() {
        for (HWND last = nullptr; !stop_; std::this_thread::sleep_for(20ms)) {
            bool popUp = false;
            const HWND modal = openModal(popUp);
            if (modal == nullptr || modal == last) {
                continue;
            }
            last = modal;
            std::this_thread::sleep_for(50ms);  // laid out and shown whole
            Act act = [](HWND modal, bool popUp) {
                popUp ? PostMessageW(modal, WM_KEYDOWN, VK_ESCAPE, 0)
                      : PostMessageW(modal, WM_CLOSE, 0, 0);
            };
            {
                const std::lock_guard lock(mutex_);
                seen_.push_back(shownBy(modal, popUp));
                if (acts_.empty()) {
                    seen_.back().insert(seen_.back().begin(), u"(unexpected)");
                } else {
                    act = std::move(acts_.front());
                    acts_.pop_front();
                }
            }
            act(modal, popUp);
        }
    }

    std::mutex mutex_;
    std::deque<Act> acts_;
    std::vector<Texts> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Drops `data` at the middle of `target` as a drag from another program does,
// through the system's drag and drop; the effect, DROPEFFECT_NONE if refused.
struct DropAtOnce final : nolvetta::win32::ComObject<IDropSource> {
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override { return DRAGDROP_S_DROP; }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};
DWORD drop(HWND target, nolvetta::win32::DataObject::Forms forms) {
    RECT place{};
    GetWindowRect(target, &place);
    SetCursorPos((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    nolvetta::win32::ComPtr<IDataObject> data(new nolvetta::win32::DataObject(std::move(forms)));
    nolvetta::win32::ComPtr<IDropSource> source(new DropAtOnce);
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data.get(), source.get(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    return effect;
}

// Drops `text` at the middle of `target` from another program, whose drag
// finds the window under the pointer as the system sees it, while the
// window runs; the effect, DROPEFFECT_NONE if refused.
DWORD dropFromAnotherProgram(HWND target, std::u16string_view text,
                             const std::function<void()>& pump) {
    RECT place{};
    GetWindowRect(target, &place);
    std::wstring line = L"drag_source " + std::to_wstring((place.left + place.right) / 2) + L" " +
                        std::to_wstring((place.top + place.bottom) / 2) + L" \"" +
                        std::wstring(text.begin(), text.end()) + L"\"";
    const std::wstring program = besideThisProgram(NOLVETTA_DRAG_SOURCE).wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "drag_source did not start";
        return DROPEFFECT_NONE;
    }
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 50, QS_ALLINPUT) !=
               WAIT_OBJECT_0 &&
           std::chrono::steady_clock::now() < deadline) {
        pump();
    }
    DWORD effect = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &effect);
    if (effect == STILL_ACTIVE) {
        TerminateProcess(process.hProcess, DROPEFFECT_NONE);
        ADD_FAILURE() << "drag_source did not end";
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    pump();
    return effect;
}

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
        EXPECT_EQ(browser().invocations(1, 200ms), Invocations());
    }
    void open() {
        window = std::make_unique<MainWindow>(*launcher, *reader, folder.path(), L"key");
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
    // What the user was shown, once `count` boxes or pop-ups came while the
    // window ran or 10 seconds passed.
    std::vector<Texts> seen(std::size_t count) {
        std::vector<Texts> seen;
        for (const auto deadline = std::chrono::steady_clock::now() + 10s;
             seen.size() < count && std::chrono::steady_clock::now() < deadline;
             std::this_thread::sleep_for(10ms)) {
            pump();
            for (Texts& shown : user.seen()) {
                seen.push_back(std::move(shown));
            }
        }
        return seen;
    }
    HWND control(Control control) const { return window->handle(control); }
    std::u16string text(Control c) const { return textOf(control(c)); }
    // A combo box's caption is the hint it shows while empty.
    std::u16string caption(Control c) const {
        wchar_t hint[64] = {};
        SendMessageW(FindWindowExW(control(c), nullptr, WC_EDITW, nullptr), EM_GETCUEBANNER,
                     WPARAM(hint), 64);
        return nolvetta::form::rowOf(c).kind == nolvetta::form::Kind::ComboBox
                   ? std::u16string(hint, hint + wcslen(hint))
                   : text(c);
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
        SetFocus(c == Control::DeletionAddress || c == Control::RegistrationAddress
                     ? FindWindowExW(control(c), nullptr, WC_EDITW, nullptr)
                     : control(c));
    }
    // A press of the left button at a point of the window's client area.
    void click(POINT at) {
        for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP}) {
            SendMessageW(window->handle(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                         MAKELPARAM(at.x, at.y));
        }
    }
    void command(Menu entry) {
        SendMessageW(window->handle(), WM_COMMAND, 1000 + static_cast<int>(entry), 0);
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

const std::u16string Unsub5 = url(Mag2DeliveryBase, u"/reader/D?id=0000000005&e=a%2Bb@x");

TEST_F(Win32Window, TheWindowIsDrawnFromItsTablesAtTheWindowsDpi) {
    EXPECT_EQ(textOf(window->handle()), u"!Nolvetta");
    const LONG_PTR style = GetWindowLongPtrW(window->handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_SYSMENU);
    EXPECT_NE(GetClassLongPtrW(window->handle(), GCLP_HICONSM), 0);
    const struct {
        UINT dpi;
        Control control;
        RECT at;  // in the client area
        std::u16string caption;
    } cases[] = {
        // clang-format off
        {96, Control::AddressFrame, {4, 0, 277, 45}, u"メールアドレス"},
        {96, Control::DeleteAddress, {228, 16, 269, 37}, u"削除"},
        {96, Control::ServiceFrame, {4, 52, 277, 185}, u"まぐまぐ"},
        {96, Control::RegisterServiceNews, {152, 124, 269, 145}, u"自動配信登録"},
        {96, Control::RegistrationAddress, {12, 156, 221, 176}, u"登録用アドレス"},
        {96, Control::ShopAddress, {12, 236, 233, 258}, url(ShopMallBase, u"/***/news.html")},
        {192, Control::DeleteAddress, {456, 32, 538, 74}, u"削除"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        RECT suggested{0, 0, 1, 1};
        SendMessageW(window->handle(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT at{}, client{};
        GetWindowRect(control(c.control), &at);
        MapWindowPoints(nullptr, window->handle(), reinterpret_cast<POINT*>(&at), 2);
        EXPECT_TRUE(EqualRect(&at, &c.at))
            << at.left << "," << at.top << "," << at.right << "," << at.bottom;
        EXPECT_EQ(caption(c.control), c.caption);
        GetClientRect(window->handle(), &client);
        EXPECT_EQ(std::pair(client.right, client.bottom),
                  c.dpi == 96 ? std::pair(283L, 191L) : std::pair(566L, 382L));
    }
    EXPECT_EQ(entriesOf(GetMenu(window->handle())), Texts({u"メニュー(&M)", u"自動配信解除(&A)"}));
    EXPECT_EQ(GetFocus(), control(Control::DeleteAddress));
    std::vector<std::string_view> order{"Command3"};
    for (int i = 0; i < 13; ++i) {
        key(VK_TAB);
        for (const auto& row : nolvetta::form::controls()) {
            if (control(row.id) == GetFocus() || IsChild(control(row.id), GetFocus())) {
                order.push_back(row.name);
            }
        }
    }
    EXPECT_EQ(order, std::vector<std::string_view>({"Command3", "Combo1", "Frame2", "Text3",
                                                    "Command4", "Command5", "Text2", "Command2",
                                                    "Command6", "Command1", "Command7", "Combo2",
                                                    "Command8", "Command3"}));
}

TEST_F(Win32Window, ClicksKeysAndMenusReachTheirHandlers) {
    press(Control::Unsubscribe);
    focus(Control::Unsubscribe);
    key(VK_RETURN);  // a focused button is pressed by Enter, once, and by Space
    key(VK_SPACE);
    focus(Control::MagazineId);
    key(VK_RETURN);
    press(Control::RegisterServiceNews);  // acts at the press, and at Space
    focus(Control::RegisterServiceNews);
    key(VK_SPACE);
    command(Menu::CancelKapuNews);
    press(Control::ShopGo);
    const std::u16string shop = url(ShopMallBase, u"/***/news.html");
    const std::u16string weekly =
        url(Mag2RegistrationBase,
            u"/reader/Magrdadd?MfcISAPICommand=MagRdDel&magid=WEEKLYMAG2&rdemail=a%2Bb@x");
    EXPECT_EQ(opened(8),
              Pages({Unsub5, Unsub5, Unsub5, Unsub5, weekly, weekly,
                     url(KapuBase, u"/cgi-bin/mlmg_del_kapunews.cgi?e_mail=a%2Bb@x"), shop}));
    OpenClipboard(nullptr);
    const HANDLE clipboard = GetClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(clipboard))), u"a+b@x");
    GlobalUnlock(clipboard);
    CloseClipboard();

    EXPECT_EQ(entries(Control::DeletionAddress),
              0);  // the list filled, and told of each entry then
    for (const char16_t* address : {u"b@x", u"c@x"}) {
        setText(Control::DeletionAddress, address);
        focus(Control::DeletionAddress);
        key(VK_RETURN);
    }
    EXPECT_EQ(std::pair(entries(Control::DeletionAddress), entries(Control::RegistrationAddress)),
              std::pair(LRESULT(2), LRESULT(2)));
    EXPECT_EQ(text(Control::DeletionAddress) + text(Control::RegistrationAddress), u"c@x");
    setText(Control::MagazineId, u"12345");
    focus(Control::ServiceFrame);
    key(VK_TAB);  // the focus selects the whole ID
    key('9');     // and typing replaces it
    EXPECT_EQ(text(Control::MagazineId), u"9");

    const HMENU options = GetSubMenu(GetMenu(window->handle()), 0);
    const auto onTop = [&] {
        return std::pair((GetWindowLongPtrW(window->handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0,
                         (GetMenuState(options, 0, MF_BYPOSITION) & MF_CHECKED) != 0);
    };
    EXPECT_EQ(onTop(), std::pair(true, true));
    command(Menu::AlwaysOnTop);
    EXPECT_EQ(onTop(), std::pair(false, false));
    EXPECT_TRUE(IsWindowVisible(window->handle()));
}

TEST_F(Win32Window, ThePopUpsAndMessageBoxesAreShownAndAnswered) {
    user.answer(u"melma");
    click({100, 180});  // on Frame2's own area
    EXPECT_EQ(text(Control::ServiceFrame), u"melma");
    click({20, 76});   // on Label1 in Frame2: not the frame's
    click({100, 48});  // between the frames
    // 自動配信登録's menu by a right press and by the Menu key.
    user.answer(u"今日のmelma!");
    SendMessageW(control(Control::RegisterServiceNews), WM_RBUTTONDOWN, MK_RBUTTON, 0);
    user.answer(u"今日のmelma!");
    focus(Control::RegisterServiceNews);
    key(VK_APPS);
    user.answer(u"カプライト");
    focus(Control::ServiceFrame);  // the frame takes the focus, and Space opens its choice
    key(VK_SPACE);
    EXPECT_EQ(user.seen(),
              std::vector<Texts>({{u"まぐまぐ(&1) ✓", u"melma(&2)", u"カプライト(&3)"},
                                  {u"melma!ニュース(&N)", u"今日のmelma!(&T)"},
                                  {u"melma!ニュース(&N)", u"今日のmelma!(&T)"},
                                  {u"まぐまぐ(&1)", u"melma(&2) ✓", u"カプライト(&3)"}}));
    EXPECT_EQ(text(Control::ServiceFrame), u"カプライト");
    const std::u16string melma = url(MelmaBase, u"/cgi-bin/host/bye.pl?e=a%2Bb@x&m=m00012820");
    EXPECT_EQ(opened(2), Pages({melma, melma}));

    setText(Control::MagazineId, u"0");
    user.answer(u"OK");
    press(Control::Unsubscribe);
    setText(Control::DeletionAddress, u"a&b@example.jp");  // drawn as it is, no mnemonic
    focus(Control::DeletionAddress);
    key(VK_RETURN);
    EXPECT_EQ(entries(Control::DeletionAddress), 1);
    for (const char16_t* answer : {u"いいえ", u"はい"}) {
        user.answer(answer);
        press(Control::DeleteAddress);
    }
    // いいえ is the default: Enter pressed by mistake deletes nothing.
    const Texts question{u"!Nolvetta", u"a&b@example.jp を削除します", u"はい", u"いいえ",
                         u"いいえ"};
    EXPECT_EQ(user.seen(),
              std::vector<Texts>(
                  {{u"!Nolvetta", u"mail ID が不正です", u"OK", u"OK"}, question, question}));
    EXPECT_EQ(std::pair(entries(Control::DeletionAddress), entries(Control::RegistrationAddress)),
              std::pair(LRESULT(0), LRESULT(0)));
}

// A newsletter dropped, the address moved, the lists kept over a close and a start.
TEST_F(Win32Window, DropsChangeAndTheListsOverACloseAndAStart) {
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    writeBytes(folder / "nolvetta.dat", "first@x\r\nsecond@x\r\n");
    open();
    EXPECT_EQ(text(Control::DeletionAddress), u"first@x");
    const auto unicode = nolvetta::win32::unicodeTextForm;
    // A full-width colon is one character in code page 932, two bytes.
    EXPECT_EQ(drop(control(Control::MagazineId),
                   {{CF_UNICODETEXT, unicode(u"配信 mag2 ID:0001234567 発行\r\n")}}),
              DROPEFFECT_COPY);
    EXPECT_EQ(drop(control(Control::MagazineId), {{CF_TEXT,
                                                   "\x94\x7a\x90\x4d mag2 ID\x81\x46"
                                                   "0007654321\r\n"}}),
              DROPEFFECT_COPY);
    DROPFILES files{sizeof(DROPFILES), {}, FALSE, TRUE};
    std::string list(reinterpret_cast<const char*>(&files), sizeof files);
    list.append(reinterpret_cast<const char*>(L"C:\\a.png\0"), 20).append(2, '\0');
    user.answer(u"OK");  // the files are the behaviour's to read, and it names them
    EXPECT_EQ(drop(control(Control::MagazineId), {{CF_HDROP, list}}), DROPEFFECT_COPY);
    const auto shown = seen(1);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_NE(shown[0].at(1).find(u"C:\\a.png"), std::u16string::npos);
    EXPECT_EQ(
        drop(control(Control::DeletionAddress), {{CF_UNICODETEXT, unicode(u"mag2 ID:0001234567")}}),
        DROPEFFECT_NONE);
    EXPECT_EQ(opened(2), Pages({url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=first@x"),
                                url(Mag2DeliveryBase, u"/reader/D?id=0007654321&e=first@x")}));

    setText(Control::MagazineId, u"5");  // 変更: the page that leaves, then the one that joins
    setText(Control::RegistrationAddress, u"second@x");
    press(Control::Move);
    EXPECT_EQ(opened(2), Pages({url(Mag2DeliveryBase, u"/reader/D?id=0000000005&e=first@x"),
                                url(Mag2RegistrationBase,
                                    u"/reader/Magrdadd?MfcISAPICommand=MagRdAdd"
                                    u"&rdemail=second@x&magid=0000000005")}));
    setText(Control::DeletionAddress, u"third@x");
    focus(Control::DeletionAddress);
    key(VK_RETURN);
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(window->isOpen());
    EXPECT_EQ(readBytes(folder / "nolvetta.dat"), "first@x\r\nsecond@x\r\nthird@x\r\n");
    EXPECT_EQ(readBytes(folder / "nolvetta1.dat"), "True\r\n");
    open();
    EXPECT_EQ(entries(Control::RegistrationAddress), 3);
    EXPECT_EQ(text(Control::DeletionAddress), u"first@x");
}

// Another program's drag sees a frame that takes the focus above the fields
// it holds; the drop reaches the field under the pointer all the same.
TEST_F(Win32Window, TextFromAnotherProgramIsDroppedOnTheFieldUnderThePointer) {
    // The shop frame lies below the window's edge: the window is made taller.
    RECT frame{};
    GetWindowRect(window->handle(), &frame);
    SetWindowPos(window->handle(), nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top + 150, SWP_NOMOVE | SWP_NOZORDER);
    const struct {
        Control target;
        std::u16string text;
        DWORD effect;
    } cases[] = {
        {Control::MagazineId, u"配信 mag2 ID:0001234567 発行", DROPEFFECT_COPY},
        {Control::ShopAddress, u"商品: " + url(ShopMallBase, u"/myshop/item/1/"), DROPEFFECT_COPY},
        {Control::Unsubscribe, u"mag2 ID:0007654321", DROPEFFECT_NONE},
        {Control::RegistrationAddress, u"mag2 ID:0007654321", DROPEFFECT_NONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        EXPECT_EQ(dropFromAnotherProgram(control(c.target), c.text, [this] { pump(); }), c.effect);
    }
    EXPECT_EQ(opened(1), Pages({url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=a%2Bb@x")}));
    EXPECT_EQ(text(Control::ShopAddress), url(ShopMallBase, u"/myshop/"));
    EXPECT_EQ(text(Control::MagazineId), u"0001234567");
}
