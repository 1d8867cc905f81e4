#include "win32/main_window.h"

// After windows.h, which they need.
#include <commctrl.h>
#include <ole2.h>
#include <oleacc.h>
#include <windowsx.h>

#include <span>
#include <utility>

#include "form/captions.h"
#include "win32/list_window.h"
#include "win32/main_window_parts.h"
#include "win32/message_box.h"
#include "win32/single_instance.h"
#include "win32/wide_text.h"

namespace nolvetta::win32 {

namespace {

using form::Control;
using form::Kind;
using form::Menu;
namespace captions = form::captions;

form::Key keyOf(WPARAM key) {
    switch (key) {
        case VK_RETURN:
            return form::Key::Enter;
        case VK_SPACE:
            return form::Key::Space;
        case VK_APPS:
            return form::Key::Menu;
        case VK_F10:  // with Shift, the keyboard's other way to a context menu
            return GetKeyState(VK_SHIFT) < 0 ? form::Key::Menu : form::Key::Other;
        case VK_UP:
            return form::Key::Up;
        case VK_DOWN:  // with Alt, a combo box's way to its list
            return GetKeyState(VK_MENU) < 0 ? form::Key::Menu : form::Key::Down;
        default:
            return form::Key::Other;
    }
}

std::optional<form::MouseButton> buttonGoingDown(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return form::MouseButton::Left;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            return form::MouseButton::Right;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            return form::MouseButton::Middle;
        default:
            return std::nullopt;
    }
}

// The keys that move through a combo box's list without opening it.
bool walksTheList(UINT message, WPARAM key) {
    return message == WM_MOUSEWHEEL ||
           (message == WM_KEYDOWN &&
            (key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT));
}

void registerWindowClass(WNDPROC windowProc) {
    static const bool registered = [windowProc] {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        const auto icon = [instance](int width, int height) {
            return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                 GetSystemMetrics(width), GetSystemMetrics(height),
                                                 0));
        };
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = icon(SM_CXICON, SM_CYICON);
        windowClass.hIconSm = icon(SM_CXSMICON, SM_CYSMICON);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = WindowClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

std::u16string windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return utf16(text);
}

MainWindow::MainWindow(launcher::Launcher& launcher, message::Reader& reader,
                       const std::filesystem::path& dataDirectory, std::wstring handOverKey)
    : handOverKey_(std::move(handOverKey)), reader_(reader) {
    registerWindowClass(windowProc);
    CreateWindowExW(0, WindowClass, wide(captions::AppTitle).c_str(), WindowStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) {
        return;
    }
    tasks_.attach(window_);
    // Names for screen readers where a control's caption does not say; none
    // without the system's accessibility service.
    CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                     reinterpret_cast<void**>(&accessibility_));
    buildControls();
    buildMenus();
    layOut(dpiOf(window_));
    acceptDrops();
    form_ = std::make_unique<form::Form1>(*this, launcher, reader, dataDirectory);
}

MainWindow::~MainWindow() {
    list_.reset();
    if (isOpen()) {
        DestroyWindow(window_);
    }
    // Each menu is destroyed once, on its own: none holds another any more.
    for (HMENU menu : menus_) {
        while (menu != nullptr && GetMenuItemCount(menu) > 0) {
            RemoveMenu(menu, 0, MF_BYPOSITION);
        }
    }
    while (GetMenuItemCount(bar_) > 0) {
        RemoveMenu(bar_, 0, MF_BYPOSITION);
    }
    for (HMENU menu : menus_) {
        if (menu != nullptr) {
            DestroyMenu(menu);
        }
    }
    DestroyMenu(bar_);
    for (HFONT font : fittedFonts_) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
    if (accessibility_ != nullptr) {
        accessibility_->Release();
    }
}

HWND MainWindow::handle(Control control) const {
    return controls_[indexOf(control)];
}

bool MainWindow::isOpen() const {
    return window_ != nullptr && IsWindow(window_);
}

void MainWindow::dispatch(MSG& message) {
    if ((list_ && list_->dispatch(message)) || (isOpen() && IsDialogMessageW(window_, &message))) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

// ---- Events

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    std::optional<LRESULT> result;
    if (self != nullptr) {
        self->guarded([&] { result = self->onMessage(message, wParam, lParam); });
        if (message == WM_NCDESTROY) {
            self->tasks_.detach();
            self->window_ = nullptr;
        }
    }
    return result ? *result : DefWindowProcW(window, message, wParam, lParam);
}

std::optional<LRESULT> MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
        case WM_COMMAND:
            onCommand(wParam, lParam);
            return 0;
        // The frames report clicks on their own area; the window has them,
        // as a frame lets the mouse through.
        case WM_LBUTTONDOWN:
            pressedFrame_ = frameAt(at);
            return 0;
        case WM_LBUTTONUP:
            if (const auto frame = std::exchange(pressedFrame_, std::nullopt);
                frame && frameAt(at) == frame) {
                form_->clicked(*frame);
            }
            return 0;
        case WM_SETFOCUS:
            if (IsWindow(focus_)) {
                SetFocus(focus_);
            }
            return 0;
        case WM_CLOSE:
            if (form_->mayClose()) {
                close();
            }
            return 0;
        // The end of the session waits for nobody: the lists are saved and
        // what failed goes to standard error.
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) {
                form_->endAttendance();
                close();
            }
            return 0;
        case WM_DPICHANGED: {
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            layOut(HIWORD(wParam));
            SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_SETTINGCHANGE:
            // The user chose another font.
            if (wParam == SPI_SETNONCLIENTMETRICS) {
                layOut(dpiOf(window_));
            }
            return std::nullopt;
        case WM_COPYDATA:
            return onHandOver(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        case PostedTasks::Message:
            tasks_.run([this] { return isOpen(); });
            return 0;
        case WM_DESTROY:
            if (dropTarget_ != nullptr) {
                RevokeDragDrop(window_);
                std::exchange(dropTarget_, nullptr)->Release();
            }
            SetMenu(window_, nullptr);  // the menus are the object's to destroy
            return 0;
        default:
            return std::nullopt;
    }
}

void MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (lParam == 0 && HIWORD(wParam) == 0) {
        if (const std::optional<Menu> entry = menuOf(id)) {
            form_->menuChosen(*entry);
        }
        return;
    }
    const std::size_t index = id - ControlIds;
    if (id < ControlIds || index >= form::ControlCount) {
        return;
    }
    const Control control = static_cast<Control>(index);
    if (HIWORD(wParam) == BN_CLICKED && form::rowOf(control).kind == Kind::Button) {
        form_->clicked(control);
    } else if (HIWORD(wParam) == CBN_DROPDOWN) {
        fillList(control);
    }
}

LRESULT CALLBACK MainWindow::controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR control, DWORD_PTR self) {
    auto* me = reinterpret_cast<MainWindow*>(self);
    std::optional<LRESULT> result;
    me->guarded([&] {
        result =
            me->onControlMessage(static_cast<Control>(control), window, message, wParam, lParam);
    });
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, controlProc, control);
    }
    return result ? *result : DefSubclassProc(window, message, wParam, lParam);
}

std::optional<LRESULT> MainWindow::onControlMessage(Control control, HWND window, UINT message,
                                                    WPARAM wParam, LPARAM lParam) {
    const form::ControlRow& row = form::rowOf(control);
    if (row.kind == Kind::ComboBox && walksTheList(message, wParam)) {
        fillList(control);
    }
    switch (message) {
        case WM_GETDLGCODE: {
            // Enter goes to the control, whose handler expects it.
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            const LRESULT code = DefSubclassProc(window, message, wParam, lParam);
            // The frame chooses with the arrows, as a combo box does.
            return key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN
                       ? code | DLGC_WANTALLKEYS
                   : row.kind == Kind::Frame ? code | DLGC_WANTARROWS
                                             : code;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // The character of Enter, and of Space where no text is typed, is
            // no one's: a pop-up that the key opens would take it as a choice.
            if (wParam == VK_RETURN ||
                (wParam == VK_SPACE && row.kind != Kind::TextBox && row.kind != Kind::ComboBox)) {
                MSG character{};
                PeekMessageW(&character, window, WM_CHAR, WM_CHAR, PM_REMOVE);
            }
            form_->keyDown(control, keyOf(wParam), (lParam & (1 << 30)) != 0);
            // Enter presses a focused button, as Space does.
            if (wParam == VK_RETURN && row.kind == Kind::Button && isOpen()) {
                SendMessageW(window_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                             reinterpret_cast<LPARAM>(window));
                return 0;
            }
            return std::nullopt;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            if (row.kind == Kind::Frame) {
                redraw(window);
            }
            if (message == WM_SETFOCUS) {
                focus_ = window;
                form_->gotFocus(control);
            }
            return result;
        }
        case WM_PAINT: {
            // A frame that has the focus shows it around its caption.
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            if (row.kind == Kind::Frame && GetFocus() == window) {
                const SIZE caption = captionSize(window, font_);
                RECT mark{caption.cy / 2, 0, caption.cy + caption.cx + 2, caption.cy};
                HDC dc = GetDC(window);
                DrawFocusRect(dc, &mark);
                ReleaseDC(window, dc);
            }
            return result;
        }
        default:
            break;
    }
    if (const std::optional<form::MouseButton> button = buttonGoingDown(message)) {
        // 自動配信登録 acts when a mouse button goes down; a quick second
        // press arrives as a double click and is a press like the first.
        if (control == Control::RegisterServiceNews) {
            form_->pressed(Control::RegisterServiceNews, *button);
            return 0;
        }
        if (row.dragSource && message == WM_LBUTTONDOWN && dragSelection(window, lParam)) {
            return 0;
        }
    }
    return std::nullopt;
}

LRESULT MainWindow::onHandOver(const COPYDATASTRUCT& data) {
    const std::optional<std::filesystem::path> file = handedOver(data, handOverKey_);
    if (!file) {
        return FALSE;
    }
    comeToFront();
    // Opened once the sender has its answer and no box waits for the user.
    if (!file->empty()) {
        post([this, file = *file] { form_->openMessageFile(file); });
    }
    return TRUE;
}

void MainWindow::comeToFront() {
    if (IsIconic(window_)) {
        ShowWindow(window_, SW_RESTORE);
    }
    SetForegroundWindow(window_);
}

// The lists are saved whatever closes the window; the close is never refused.
void MainWindow::close() {
    if (std::exchange(closing_, true)) {
        return;
    }
    form_->close();
    if (list_ && list_->isOpen()) {
        SendMessageW(list_->handle(), WM_CLOSE, 0, 0);  // its scan stops
        DestroyWindow(list_->handle());
    }
    DestroyWindow(window_);
    // Wakes the loop that waits, a message box's perhaps, to find the window gone.
    PostMessageW(nullptr, WM_NULL, 0, 0);
}

// ---- What the behaviour shows

std::u16string MainWindow::text(Control control) const {
    return windowText(handle(control));
}

void MainWindow::setText(Control control, std::u16string_view text) {
    HWND window = handle(control);
    SetWindowTextW(window, wide(text).c_str());
    if (form::rowOf(control).kind == Kind::Frame) {
        redraw(window);
        describe(window, PROPID_ACC_VALUE, text);
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
    }
}

void MainWindow::selectAll(Control control) {
    switch (form::rowOf(control).kind) {
        case Kind::TextBox:
            SendMessageW(handle(control), EM_SETSEL, 0, -1);
            break;
        case Kind::ComboBox:
            SendMessageW(handle(control), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
            break;
        default:
            break;
    }
}

// The entries are put in the list when the combo box is first opened, or
// its entries walked: a long list costs little until then.
void MainWindow::setEntries(Control list, const store::AddressList& entries) {
    HWND combo = handle(list);
    const std::wstring shown = wide(windowText(combo));
    unfilled_[indexOf(list)] = entries;
    filled_[indexOf(list)] = false;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    SetWindowTextW(combo, shown.c_str());
}

void MainWindow::fillList(Control list) {
    if (std::exchange(filled_[indexOf(list)], true)) {
        return;
    }
    const store::AddressList entries = std::exchange(unfilled_[indexOf(list)], {});
    HWND combo = handle(list);
    const std::wstring shown = wide(windowText(combo));
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    std::size_t bytes = 0;
    for (const std::u16string_view entry : entries) {
        bytes += (entry.size() + 1) * sizeof(wchar_t);
    }
    SendMessageW(combo, CB_INITSTORAGE, entries.size(), static_cast<LPARAM>(bytes));
    for (const std::u16string_view entry : entries) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(entry).c_str()));
    }
    SetWindowTextW(combo, shown.c_str());
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
}

// The edit field keeps its text whatever happens to the list.
void MainWindow::entryAdded(Control list, std::u16string_view entry) {
    if (!filled_[indexOf(list)]) {
        unfilled_[indexOf(list)].append(entry);
        return;
    }
    SendMessageW(handle(list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(entry).c_str()));
}

void MainWindow::entryRemoved(Control list, std::size_t index) {
    if (!filled_[indexOf(list)]) {
        unfilled_[indexOf(list)].erase(index);
        return;
    }
    HWND combo = handle(list);
    const std::wstring shown = wide(windowText(combo));
    SendMessageW(combo, CB_DELETESTRING, index, 0);
    SetWindowTextW(combo, shown.c_str());
}

std::optional<Menu> MainWindow::popUp(Menu menu, std::optional<Control> below,
                                      std::optional<Menu> current) {
    HMENU popUp = menus_[indexOf(menu)];
    if (!isOpen() || popUp == nullptr) {
        return std::nullopt;
    }
    POINT at{};
    if (below) {  // below the control, or below the caption of a frame that chooses
        RECT control{};
        GetWindowRect(handle(*below), &control);
        at = {control.left, form::rowOf(*below).kind == Kind::Frame
                                ? control.top + captionSize(handle(*below), font_).cy
                                : control.bottom};
    } else {
        GetCursorPos(&at);
    }
    // A pop-up cannot be opened with an entry highlighted: its loop walks
    // down to it, as the user's keys would.
    const int items = current ? GetMenuItemCount(popUp) : 0;
    for (int i = 0; i < items; ++i) {
        if (GetMenuItemID(popUp, i) == MenuIds + indexOf(*current)) {
            for (int down = 0; down <= i; ++down) {
                PostMessageW(window_, WM_KEYDOWN, VK_DOWN, 0);
            }
        }
    }
    return menuOf(static_cast<UINT>(
        TrackPopupMenuEx(popUp, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, window_, nullptr)));
}

void MainWindow::inform(std::u16string_view text) {
    ask(text, {captions::ButtonOk}, 0);
}

// いいえ is the default, so that Enter pressed by mistake changes nothing.
bool MainWindow::askYesNo(std::u16string_view text) {
    return ask(text, {captions::ButtonYes, captions::ButtonNo}, 1) == 0;
}

// A closed window asks nothing: the answer is the last button's.
std::size_t MainWindow::ask(std::u16string_view text,
                            std::initializer_list<std::u16string_view> buttons,
                            std::size_t defaultButton) {
    if (!isOpen()) {
        return buttons.size() - 1;
    }
    return showMessageBox(window_, font_, text, std::span(buttons.begin(), buttons.size()),
                          defaultButton, messageBox_);
}

void MainWindow::dismissMessages() {
    if (messageBox_ != nullptr) {
        PostMessageW(messageBox_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    EndMenu();
}

void MainWindow::closeWindow() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
}

// The window's place in the stacking order: its place and size stay, and it
// is shown. The list goes with it, or one of the two would cover the other.
bool MainWindow::setTopMost(bool onTop) {
    return SetWindowPos(window_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW) != FALSE &&
           (!list_ || list_->setTopMost(onTop));
}

void MainWindow::showWindow() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    if (!IsChild(window_, GetFocus())) {
        SetFocus(focus_);
    }
}

void MainWindow::post(std::function<void()> task) {
    tasks_.post(std::move(task));
}

void MainWindow::openNewsletterList(const std::vector<std::filesystem::path>& paths) {
    if (!list_) {
        list_ = std::make_unique<ListWindow>(*form_, reader_, window_);
    }
    list_->show();
    if (!paths.empty()) {
        list_->scan(paths);
    }
}

}  // namespace nolvetta::win32
