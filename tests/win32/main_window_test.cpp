// The Win32 main window, created for real under Wine and driven with the messages a
// user's actions send; the stand-in browser shows what was opened. What the
// handlers do is the behaviour's tests'.
#include "window_test.h"

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

// Drops `text` (or with "--message=" the message in a file, as a mail program
// drags it) at the middle of `target` from another program, whose drag finds
// the window under the pointer as the system sees it, while the window runs;
// the effect, DROPEFFECT_NONE if refused.
DWORD dropFromAnotherProgram(HWND target, std::u16string_view text,
                             const std::function<void()>& pump) {
    RECT place{};
    GetWindowRect(target, &place);
    const HANDLE process = start(besideThisProgram(NOLVETTA_DRAG_SOURCE),
                                 std::to_wstring((place.left + place.right) / 2) + L" " +
                                     std::to_wstring((place.top + place.bottom) / 2) + L" \"" +
                                     std::wstring(text.begin(), text.end()) + L"\"");
    if (process == nullptr) {
        ADD_FAILURE() << "drag_source did not start";
        return DROPEFFECT_NONE;
    }
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (MsgWaitForMultipleObjects(1, &process, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0 &&
           std::chrono::steady_clock::now() < deadline) {
        pump();
    }
    DWORD effect = STILL_ACTIVE;
    GetExitCodeProcess(process, &effect);
    if (effect == STILL_ACTIVE) {
        TerminateProcess(process, DROPEFFECT_NONE);
        ADD_FAILURE() << "drag_source did not end";
    }
    CloseHandle(process);
    pump();
    return effect;
}

const std::u16string Unsub5 = url(Mag2DeliveryBase, u"/reader/D?id=0000000005&e=a%2Bb@x");

TEST_F(Win32Window, TheWindowIsDrawnFromItsTablesAtTheWindowsDpi) {
    EXPECT_EQ(textOf(window->handle()), u"!Nolvetta");
    const LONG_PTR style = GetWindowLongPtrW(window->handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_SYSMENU);
    EXPECT_NE(GetClassLongPtrW(window->handle(), GCLP_HICONSM), 0);
    // Every control where its row puts it in the client area, with its caption,
    // at the window's DPI, and the client area as the table says.
    for (const LONG dpi : {96, 192}) {
        RECT suggested{0, 0, 1, 1}, client{};
        SendMessageW(window->handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        GetClientRect(window->handle(), &client);
        EXPECT_EQ(std::pair(client.right, client.bottom),
                  std::pair(283 * dpi / 96, 191 * dpi / 96));
        // At the system's message font, the one the layout was made for.
        const auto px = [dpi](int twips) { return std::lround(twips * dpi / 1440.0); };
        for (const auto& row : nolvetta::form::controls()) {
            const auto in = row.container ? rowOf(*row.container).at : nolvetta::form::Twips{};
            RECT at{};
            GetWindowRect(control(row.id), &at);
            MapWindowPoints(nullptr, window->handle(), reinterpret_cast<POINT*>(&at), 2);
            EXPECT_EQ(std::vector<long>({at.left, at.top, at.right - at.left, at.bottom - at.top}),
                      std::vector({px(in.left + row.at.left), px(in.top + row.at.top),
                                   px(row.at.width), px(row.at.height)}))
                << row.name << " at " << dpi;
            EXPECT_EQ(caption(row.id),
                      row.id == Control::MagazineId ? u"5" : std::u16string(row.caption));
        }
    }
    EXPECT_EQ(entriesOf(GetMenu(window->handle())), Texts({u"メニュー(&M)", u"自動配信解除(&A)"}));
    for (const Control c : nolvetta::form::tabOrder()) {  // and round to the first
        EXPECT_TRUE(control(c) == GetFocus() || IsChild(control(c), GetFocus())) << rowOf(c).name;
        key(VK_TAB);
    }
    EXPECT_EQ(GetFocus(), control(Control::DeleteAddress));
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
    press(Control::ShopGo);
    const std::u16string shop = url(ShopMallBase, u"/***/news.html");
    const std::u16string weekly =
        url(Mag2RegistrationBase,
            u"/reader/Magrdadd?MfcISAPICommand=MagRdDel&magid=WEEKLYMAG2&rdemail=a%2Bb@x");
    EXPECT_EQ(opened(7), Pages({Unsub5, Unsub5, Unsub5, Unsub5, weekly, weekly, shop}));
    OpenClipboard(nullptr);
    const HANDLE clipboard = GetClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(clipboard))), u"a+b@x");
    GlobalUnlock(clipboard);
    CloseClipboard();
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
    SendMessageW(window->handle(), WM_COMMAND, 1000 + int(Menu::AlwaysOnTop), 0);  // its id
    EXPECT_EQ(onTop(), std::pair(false, false));
}

TEST_F(Win32Window, ThePopUpsAndMessageBoxesAreShownAndAnswered) {
    user.answer(u"melma");
    click({100, 180});  // on Frame2's own area
    click({20, 76});    // on Label1 in Frame2: not the frame's
    click({100, 48});   // between the frames
    // 自動配信登録's menu by a right press and by the Menu key.
    user.answer(u"今日のmelma!");
    SendMessageW(control(Control::RegisterServiceNews), WM_RBUTTONDOWN, MK_RBUTTON, 0);
    user.answer(u"今日のmelma!");
    focus(Control::RegisterServiceNews);
    key(VK_APPS);
    user.answer(u"カプライト");
    // The frame takes the focus, and Space opens its choice below it with the
    // service shown current; the arrows choose as in a combo box.
    focus(Control::ServiceFrame);
    key(VK_SPACE);
    RECT frame{};
    GetWindowRect(control(Control::ServiceFrame), &frame);
    EXPECT_EQ(user.popUpAt.left, frame.left);
    EXPECT_LT(user.popUpAt.top, (frame.top + frame.bottom) / 2);
    const Texts newsletters{u"melma!ニュース(&N)", u"今日のmelma!(&T)"};
    EXPECT_EQ(user.seen(),
              std::vector<Texts>({{u"まぐまぐ(&1) ✓ ◀", u"melma(&2)", u"カプライト(&3)"},
                                  newsletters,
                                  newsletters,
                                  {u"まぐまぐ(&1)", u"melma(&2) ✓ ◀", u"カプライト(&3)"}}));
    EXPECT_EQ(text(Control::ServiceFrame), u"カプライト");
    key(VK_DOWN);
    key(VK_UP);
    EXPECT_EQ(text(Control::ServiceFrame), u"melma");
    const std::u16string melma = url(MelmaBase, u"/cgi-bin/host/bye.pl?e=a%2Bb@x&m=m00012820");
    EXPECT_EQ(opened(2), Pages({melma, melma}));

    setText(Control::MagazineId, u"0");
    user.answer(u"OK");
    press(Control::Unsubscribe);
    EXPECT_EQ(entries(Control::DeletionAddress),
              0);  // the list filled, and told of each entry then
    setText(Control::DeletionAddress, u"a&b@example.jp");  // drawn as it is, no mnemonic
    focus(Control::DeletionAddress);
    key(VK_RETURN);  // into both lists
    EXPECT_EQ(std::pair(entries(Control::DeletionAddress), entries(Control::RegistrationAddress)),
              std::pair(LRESULT(1), LRESULT(1)));
    user.answer(u"いいえ");
    press(Control::DeleteAddress);
    user.answerBoxes(false);  // and once the real box: drawn, in its modal loop, clicked
    user.answer(u"はい");
    press(Control::DeleteAddress);
    // いいえ is the default: Enter pressed by mistake deletes nothing.
    const Texts question{u"!Nolvetta", u"a&b@example.jp を削除します", u"はい", u"いいえ",
                         u"いいえ"};
    EXPECT_EQ(user.seen(),
              std::vector<Texts>(
                  {{u"!Nolvetta", u"mail ID が不正です", u"OK", u"OK"}, question, question}));
    EXPECT_EQ(std::pair(entries(Control::DeletionAddress), entries(Control::RegistrationAddress)),
              std::pair(LRESULT(0), LRESULT(0)));
}

// Each form of a drop taken, and the lists kept over a close and a start.
TEST_F(Win32Window, DropsAndTheListsOverACloseAndAStart) {
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    writeBytes(folder / "nolvetta.dat", "first@x\r\n");
    open();
    EXPECT_EQ(text(Control::DeletionAddress), u"first@x");
    // The forms that another program's drag, below, does not offer. A full-width
    // colon is one character in code page 932, two bytes.
    EXPECT_EQ(drop(control(Control::MagazineId), {{CF_TEXT,
                                                   "\x94\x7a\x90\x4d mag2 ID\x81\x46"
                                                   "0007654321\r\n"}}),
              DROPEFFECT_COPY);
    DROPFILES files{sizeof(DROPFILES), {}, FALSE, TRUE};
    std::string list(reinterpret_cast<const char*>(&files), sizeof files);
    list.append(reinterpret_cast<const char*>(L"C:\\a.png\0"), 20).append(2, '\0');
    user.answer(u"OK");  // the files are the behaviour's to read, and it names them
    EXPECT_EQ(drop(control(Control::MagazineId), {{CF_HDROP, list}}), DROPEFFECT_COPY);
    untilAnswered();
    EXPECT_NE(user.seen().at(0).at(1).find(u"C:\\a.png"), std::u16string::npos);
    EXPECT_EQ(opened(1), Pages({url(Mag2DeliveryBase, u"/reader/D?id=0007654321&e=first@x")}));
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(window->isOpen());
    EXPECT_EQ(readBytes(folder / "nolvetta1.dat"), "True\r\n");  // saved at the close
}

// Another program's drag sees a frame that takes the focus above the fields
// it holds; the drop reaches the field under the pointer all the same.
TEST_F(Win32Window, TextFromAnotherProgramIsDroppedOnTheFieldUnderThePointer) {
    // The shop frame lies below the window's edge: the window is made taller.
    RECT frame{};
    GetWindowRect(window->handle(), &frame);
    SetWindowPos(window->handle(), nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top + 150, SWP_NOMOVE | SWP_NOZORDER);
    // A message with an http way out, which is asked about.
    const std::u16string old =
        std::filesystem::absolute(NOLVETTA_MAIL_HOME "/saved/old.eml").u16string();
    const struct {
        Control target;
        std::u16string text;
        DWORD effect;
    } cases[] = {
        {Control::MagazineId, u"配信 mag2 ID:0001234567 発行", DROPEFFECT_COPY},
        {Control::ShopAddress, u"商品: " + url(ShopMallBase, u"/myshop/item/1/"), DROPEFFECT_COPY},
        {Control::Unsubscribe, u"mag2 ID:0007654321", DROPEFFECT_NONE},
        {Control::RegistrationAddress, u"mag2 ID:0007654321", DROPEFFECT_NONE},
        {Control::MagazineId, u"--message=" + old, DROPEFFECT_COPY},
    };
    user.answer(u"はい");
    for (const auto& c : cases) {
        EXPECT_EQ(dropFromAnotherProgram(control(c.target), c.text, [this] { pump(); }), c.effect)
            << "case " << &c - cases;
    }
    EXPECT_EQ(user.seen().at(0).at(1),
              u"このメールの配信停止のページは暗号化されていない http のアドレスです。");
    EXPECT_EQ(opened(2), Pages({url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=a%2Bb@x"),
                                u"http://old.example.com/leave"}));
    EXPECT_EQ(text(Control::ShopAddress), url(ShopMallBase, u"/myshop/"));
    EXPECT_EQ(text(Control::MagazineId), u"0001234567");
}
