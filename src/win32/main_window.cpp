#include "win32/main_window.h"

// After windows.h, which they need.
#include <commctrl.h>
#include <ole2.h>
#include <windowsx.h>
// Defines the accessibility service's identifiers here.
#include <initguid.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <span>
#include <utility>

#include "form/captions.h"
#include "text/utf8.h"
#include "win32/drag_drop.h"
#include "win32/message_box.h"
#include "win32/single_instance.h"
#include "win32/wide_text.h"

namespace nolvetta::win32 {

namespace {

using form::Control;
using form::Kind;
using form::Menu;
namespace captions = form::captions;

constexpr int ControlIds = 100;  // beyond IDOK and IDCANCEL, which the dialog keys send
constexpr int MenuIds = 1000;
constexpr UINT RunTasks = WM_APP;
// A fixed single border, the system menu and the close button only.
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

std::size_t indexOf(Control control) {
    return static_cast<std::size_t>(control);
}

std::size_t indexOf(Menu menu) {
    return static_cast<std::size_t>(menu);
}

std::optional<Menu> menuOf(UINT id) {
    return id >= MenuIds && id < MenuIds + form::MenuCount
               ? std::optional(static_cast<Menu>(id - MenuIds))
               : std::nullopt;
}

bool hasEntries(Menu menu) {
    return std::any_of(form::menus().begin(), form::menus().end(),
                       [menu](const form::MenuRow& entry) { return entry.parent == menu; });
}

// Newer functions are looked up, so that the program starts where they are missing.
template <typename Function>
Function systemFunction(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

UINT dpiOf(HWND window) {
    static const auto forWindow = systemFunction<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (const UINT dpi = forWindow != nullptr && window != nullptr ? forWindow(window) : 0) {
        return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// The system's message font, at the window's DPI.
LOGFONTW messageFont(UINT dpi) {
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static const auto forDpi = systemFunction<ForDpi>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW& font = metrics.lfMessageFont;
    if (forDpi == nullptr || !forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi),
                                   static_cast<int>(dpiOf(nullptr)));  // given at the system's DPI
        } else {
            GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
        }
    }
    return font;
}

BOOL adjustForDpi(RECT& frame, UINT dpi) {
    using ForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto forDpi = systemFunction<ForDpi>("AdjustWindowRectExForDpi");
    return forDpi != nullptr ? forDpi(&frame, WindowStyle, TRUE, 0, dpi)
                             : AdjustWindowRectEx(&frame, WindowStyle, TRUE, 0);
}

// A control's place in the window's client area, in twips.
form::Twips placeInWindow(const form::ControlRow& row) {
    form::Twips at = row.at;
    for (auto container = row.container; container; container = form::rowOf(*container).container) {
        at.left += form::rowOf(*container).at.left;
        at.top += form::rowOf(*container).at.top;
    }
    return at;
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD extendedStyle;
};

ControlClass classOf(const form::ControlRow& row) {
    // Each control that takes the focus is a group of its own, so that the
    // arrow keys stay in it: Tab moves the focus.
    const DWORD focusable = row.focusable ? WS_TABSTOP | WS_GROUP : 0;
    switch (row.kind) {
        case Kind::Frame:  // drawn under its controls
            return {WC_BUTTONW, BS_GROUPBOX | WS_CLIPSIBLINGS | focusable, 0};
        case Kind::Button:
            return {WC_BUTTONW, BS_PUSHBUTTON | focusable, 0};
        case Kind::ComboBox:
            return {WC_COMBOBOXW, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | focusable, 0};
        case Kind::TextBox:
            return {WC_EDITW, ES_AUTOHSCROLL | focusable, WS_EX_CLIENTEDGE};
        case Kind::Label:
            return {WC_STATICW, SS_LEFT, 0};
    }
    return {WC_STATICW, 0, 0};
}

// A combo box's edit field, which has its keys and its focus.
HWND editOf(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return GetComboBoxInfo(combo, &info) ? info.hwndItem : combo;
}

std::u16string windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return utf16(text);
}

// The size of a caption in a font, its mnemonic's marker left out.
SIZE captionSize(HWND window, HFONT font) {
    const std::wstring caption = wide(windowText(window));
    HDC dc = GetDC(window);
    const HGDIOBJ previous = SelectObject(dc, font);
    RECT size{};
    DrawTextW(dc, caption.c_str(), -1, &size, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return {size.right - size.left, size.bottom - size.top};
}

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

class MainWindow::Modal {
public:
    explicit Modal(MainWindow& window) : window_(window) { ++window_.modal_; }
    ~Modal() {
        // What came meanwhile, one handler at a time: a close asked for, work
        // posted, a file handed over.
        if (--window_.modal_ > 0 || !window_.isOpen()) {
            return;
        }
        if (std::exchange(window_.closeAsked_, false)) {
            PostMessageW(window_.window_, WM_CLOSE, 0, 0);
        }
        PostMessageW(window_.window_, RunTasks, 0, 0);
    }
    Modal(const Modal&) = delete;
    Modal& operator=(const Modal&) = delete;

private:
    MainWindow& window_;
};

MainWindow::MainWindow(launcher::Launcher& launcher, message::Reader& reader,
                       const std::filesystem::path& dataDirectory, std::wstring handOverKey)
    : handOverKey_(std::move(handOverKey)) {
    registerWindowClass(windowProc);
    CreateWindowExW(0, WindowClass, wide(captions::AppTitle).c_str(), WindowStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) {
        return;
    }
    tasksTo_ = window_;
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
    if (isOpen() && IsDialogMessageW(window_, &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

// ---- Building the window from its tables

void MainWindow::buildControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const form::ControlRow& row : form::controls()) {
        const ControlClass kind = classOf(row);
        // A combo box's caption is its hint, shown while its field is empty.
        const std::u16string_view caption = row.kind == Kind::ComboBox ? u"" : row.caption;
        HWND control = CreateWindowExW(
            kind.extendedStyle, kind.name, wide(caption).c_str(),
            WS_CHILD | WS_VISIBLE | kind.style, 0, 0, 0, 0, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIds + indexOf(row.id))), instance,
            nullptr);
        controls_[indexOf(row.id)] = control;
        SetWindowSubclass(row.kind == Kind::ComboBox ? editOf(control) : control, controlProc,
                          indexOf(row.id), reinterpret_cast<DWORD_PTR>(this));
        // As long a text as the user cares to type or paste.
        if (row.kind == Kind::TextBox) {
            SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
        } else if (row.kind == Kind::ComboBox) {
            SendMessageW(control, CB_LIMITTEXT, 0, 0);
            // Shown also while the field has the focus.
            SendMessageW(editOf(control), EM_SETCUEBANNER, TRUE,
                         reinterpret_cast<LPARAM>(wide(row.caption).c_str()));
        }
        HWND focused = row.kind == Kind::ComboBox ? editOf(control) : control;
        if (!row.accessibleName.empty()) {
            describe(focused, PROPID_ACC_NAME, row.accessibleName);
        }
        // A frame that takes the focus is the services' choice: it tells the
        // service it shows.
        if (row.kind == Kind::Frame && row.focusable && accessibility_ != nullptr) {
            VARIANT role{};
            role.vt = VT_I4;
            role.lVal = ROLE_SYSTEM_COMBOBOX;
            accessibility_->SetHwndProp(control, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_ROLE, role);
            describe(control, PROPID_ACC_VALUE, row.caption);
        }
    }
    // Tab follows the stacking order: the controls that take the focus on
    // top, in tab order, each label just above the field it names (its
    // mnemonic goes there), and the other frames at the bottom, drawn under
    // their controls. A frame that takes the focus lies above its fields, so
    // drops look for their field by the point (acceptDrops).
    std::vector<Control> order = form::tabOrder();
    for (const form::ControlRow& row : form::controls()) {
        if (row.buddy) {
            order.insert(std::find(order.begin(), order.end(), *row.buddy), row.id);
        }
    }
    for (const bool frames : {false, true}) {
        for (const form::ControlRow& row : form::controls()) {
            if ((row.kind == Kind::Frame) == frames &&
                std::find(order.begin(), order.end(), row.id) == order.end()) {
                order.push_back(row.id);
            }
        }
    }
    HWND above = HWND_TOP;
    for (const Control control : order) {
        SetWindowPos(handle(control), above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = handle(control);
    }
    const Control first = form::tabOrder().front();
    focus_ = form::rowOf(first).kind == Kind::ComboBox ? editOf(handle(first)) : handle(first);
}

// One drop target for the whole window: whichever of its windows a drag
// finds under the pointer, a frame's too, the field there takes the drop.
void MainWindow::acceptDrops() {
    auto* target = new DropTarget(
        [this](POINTL at, const form::DropOffer& offer) {
            bool takes = false;
            guarded([&] {
                const std::optional<Control> field = dropFieldAt(at);
                takes = modal_ == 0 && field && form_->takesDrop(*field, offer);
            });
            return takes;
        },
        [this](POINTL at, form::DroppedData& data) {
            guarded([&] {
                if (const std::optional<Control> field = dropFieldAt(at)) {
                    form_->dropped(*field, data);
                }
            });
        });
    if (SUCCEEDED(RegisterDragDrop(window_, target))) {
        dropTarget_ = target;
    } else {
        target->Release();
        std::fputs("!Nolvetta: the window takes no drops (OLE is not ready)\n", stderr);
    }
}

// The field that takes drops under a point of the screen, if any.
std::optional<Control> MainWindow::dropFieldAt(POINTL at) const {
    POINT point{at.x, at.y};
    ScreenToClient(window_, &point);
    RECT client{};
    GetClientRect(window_, &client);
    if (!PtInRect(&client, point)) {
        return std::nullopt;
    }
    for (const form::ControlRow& row : form::controls()) {
        const RECT place = placeOf(handle(row.id));
        if (row.takesDrops && IsWindowVisible(handle(row.id)) && PtInRect(&place, point)) {
            return row.id;
        }
    }
    return std::nullopt;
}

// What a screen reader says of a control, where its caption does not say it.
void MainWindow::describe(HWND window, const GUID& property, std::u16string_view value) {
    if (accessibility_ != nullptr) {
        accessibility_->SetHwndPropStr(window, OBJID_CLIENT, CHILDID_SELF, property,
                                       wide(value).c_str());
    }
}

void MainWindow::buildMenus() {
    bar_ = CreateMenu();
    for (const form::MenuRow& row : form::menus()) {
        checked_[indexOf(row.id)] = row.checked;
        visible_[indexOf(row.id)] = row.visible;
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

// A Win32 menu cannot hide an entry: a menu's visible entries are put in
// anew, in the table's order, whenever one of them changes. Nothing: the
// menu bar.
void MainWindow::placeEntries(std::optional<Menu> menu) {
    HMENU target = menu ? menus_[indexOf(*menu)] : bar_;
    while (GetMenuItemCount(target) > 0) {
        RemoveMenu(target, 0, MF_BYPOSITION);  // keeps the sub-menus
    }
    for (const form::MenuRow& row : form::menus()) {
        const std::size_t i = indexOf(row.id);
        if (row.parent != menu || !visible_[i]) {
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

// Twips to pixels at the window's DPI, in the system's message font; the
// layout grows with a font larger than the one it was made for, and the
// client area is as the table says, however many lines the menu bar takes.
void MainWindow::layOut(UINT dpi) {
    const LOGFONTW base = messageFont(dpi);
    const double scale = form::layoutScale(std::abs(base.lfHeight) * 96.0 / dpi);
    const auto px = [dpi, scale](int twips) {
        return static_cast<int>(std::lround(twips * scale * dpi / 1440.0));
    };
    const HFONT previous = std::exchange(font_, CreateFontIndirectW(&base));
    for (const form::ControlRow& row : form::controls()) {
        const form::Twips at = placeInWindow(row);
        HWND control = handle(row.id);
        // A label's caption shows whole: its font shrinks until it fits.
        HFONT fitted = nullptr;
        LOGFONTW font = base;
        while (row.kind == Kind::Label && std::abs(font.lfHeight) > 1 &&
               captionSize(control, fitted ? fitted : font_).cx > px(at.width)) {
            font.lfHeight = font.lfHeight < 0 ? font.lfHeight + 1 : font.lfHeight - 1;
            if (fitted != nullptr) {
                DeleteObject(fitted);
            }
            fitted = CreateFontIndirectW(&font);
        }
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fitted ? fitted : font_), FALSE);
        if (HFONT old = std::exchange(fittedFonts_[indexOf(row.id)], fitted)) {
            DeleteObject(old);
        }
        const bool combo = row.kind == Kind::ComboBox;
        // A combo box's height includes its open list.
        SetWindowPos(control, nullptr, px(at.left), px(at.top), px(at.width),
                     px(at.height) * (combo ? 12 : 1), SWP_NOZORDER | SWP_NOACTIVATE);
        if (combo) {
            // Its field is as high as its font makes it: made the table's
            // height, in steps, as systems count the field's edges differently.
            const auto fieldHeight = [control] {
                RECT field{};
                GetWindowRect(control, &field);
                return field.bottom - field.top;
            };
            LRESULT item = SendMessageW(control, CB_GETITEMHEIGHT, WPARAM(-1), 0);
            for (int step = 0; step < 3 && item > 0 && fieldHeight() != px(at.height); ++step) {
                item = std::max<LRESULT>(item + px(at.height) - fieldHeight(), 1);
                SendMessageW(control, CB_SETITEMHEIGHT, WPARAM(-1), item);
            }
        }
    }
    if (previous != nullptr) {
        DeleteObject(previous);
    }
    const int width = px(form::ClientArea.width), height = px(form::ClientArea.height);
    RECT frame{0, 0, width, height};
    adjustForDpi(frame, dpi);
    const auto resize = [this](int w, int h) {
        SetWindowPos(window_, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    resize(frame.right - frame.left, frame.bottom - frame.top);
    RECT client{};
    GetClientRect(window_, &client);
    if (client.right != width || client.bottom != height) {
        resize(frame.right - frame.left + width - client.right,
               frame.bottom - frame.top + height - client.bottom);
    }
    InvalidateRect(window_, nullptr, TRUE);
}

RECT MainWindow::placeOf(HWND control) const {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// A frame draws over its old caption and focus mark: the window's background
// goes under it first.
void MainWindow::redraw(HWND control) const {
    const RECT place = placeOf(control);
    RedrawWindow(window_, &place, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The innermost frame whose own area holds the point, not one of its controls.
std::optional<Control> MainWindow::frameAt(POINT point) const {
    std::optional<Control> frame;
    LONG frameArea = 0;
    for (const form::ControlRow& row : form::controls()) {
        const RECT place = placeOf(handle(row.id));
        if (!PtInRect(&place, point)) {
            continue;
        }
        if (row.kind != Kind::Frame) {
            return std::nullopt;
        }
        const LONG area = (place.right - place.left) * (place.bottom - place.top);
        if (!frame || area < frameArea) {
            frame = row.id;
            frameArea = area;
        }
    }
    return frame;
}

// ---- Events

// No exception leaves an event: the user is told what went wrong.
template <typename Act>
void MainWindow::guarded(Act&& act) {
    if (!form_) {
        return;
    }
    try {
        act();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "!Nolvetta: %s\n", e.what());
        inform(text::fromUtf8(e.what()));
    }
}

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
            const std::lock_guard lock(self->tasksMutex_);
            self->tasksTo_ = nullptr;
            self->tasks_.clear();
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
            // Not while a message box or a pop-up waits for an answer.
            if (modal_ > 0) {
                closeAsked_ = true;
            } else {
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
        case RunTasks:
            runTasks();
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
            return key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN
                       ? code | DLGC_WANTALLKEYS
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
            form_->registerNewsPressed(*button);
            return 0;
        }
        if (row.dragSource && message == WM_LBUTTONDOWN && dragSelection(window, lParam)) {
            return 0;
        }
    }
    return std::nullopt;
}

// A press on the selected text of a field that has the focus drags a copy of
// it; a press that does not move puts the caret there.
bool MainWindow::dragSelection(HWND field, LPARAM at) {
    DWORD start = 0, end = 0;
    SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    const DWORD place = LOWORD(SendMessageW(field, EM_CHARFROMPOS, 0, at));
    if (GetFocus() != field || start == end || place < start || place >= end) {
        return false;
    }
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    ClientToScreen(field, &point);
    if (!DragDetect(field, point)) {
        SendMessageW(field, EM_SETSEL, place, place);
        return true;
    }
    const std::u16string text = windowText(field).substr(start, end - start);
    ComPtr<IDataObject> data(new DataObject({{CF_UNICODETEXT, unicodeTextForm(text)}}));
    ComPtr<IDropSource> source(new DropSource);
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data.get(), source.get(), DROPEFFECT_COPY, &effect);
    return true;
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

void MainWindow::runTasks() {
    while (modal_ == 0 && isOpen()) {
        std::function<void()> task;
        {
            const std::lock_guard lock(tasksMutex_);
            if (tasks_.empty()) {
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
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

// The list is read where it stands when the combo box is first opened, or
// its entries walked: a long list costs nothing until then.
void MainWindow::setEntries(Control list, const store::AddressList& entries) {
    HWND combo = handle(list);
    const std::wstring shown = wide(windowText(combo));
    lists_[indexOf(list)] = &entries;
    filled_[indexOf(list)] = false;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    SetWindowTextW(combo, shown.c_str());
}

void MainWindow::fillList(Control list) {
    const store::AddressList* entries = lists_[indexOf(list)];
    if (entries == nullptr || std::exchange(filled_[indexOf(list)], true)) {
        return;
    }
    HWND combo = handle(list);
    const std::wstring shown = wide(windowText(combo));
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    std::size_t bytes = 0;
    for (const std::u16string_view entry : *entries) {
        bytes += (entry.size() + 1) * sizeof(wchar_t);
    }
    SendMessageW(combo, CB_INITSTORAGE, entries->size(), static_cast<LPARAM>(bytes));
    for (const std::u16string_view entry : *entries) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(entry).c_str()));
    }
    SetWindowTextW(combo, shown.c_str());
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
}

// The edit field keeps its text whatever happens to the list.
void MainWindow::entryAdded(Control list) {
    const store::AddressList* entries = lists_[indexOf(list)];
    if (filled_[indexOf(list)] && entries != nullptr && !entries->empty()) {
        const std::wstring entry = wide((*entries)[entries->size() - 1]);
        SendMessageW(handle(list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
}

void MainWindow::entryRemoved(Control list, std::size_t index) {
    if (filled_[indexOf(list)]) {
        HWND combo = handle(list);
        const std::wstring shown = wide(windowText(combo));
        SendMessageW(combo, CB_DELETESTRING, index, 0);
        SetWindowTextW(combo, shown.c_str());
    }
}

void MainWindow::setChecked(Menu entry, bool checked) {
    checked_[indexOf(entry)] = checked;
    placeEntries(form::rowOf(entry).parent);
}

void MainWindow::setVisible(Menu entry, bool visible) {
    visible_[indexOf(entry)] = visible;
    placeEntries(form::rowOf(entry).parent);
}

std::optional<Menu> MainWindow::popUp(Menu menu) {
    HMENU popUp = menus_[indexOf(menu)];
    if (!isOpen() || popUp == nullptr) {
        return std::nullopt;
    }
    POINT at{};
    GetCursorPos(&at);
    const Modal modal(*this);
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
    const Modal modal(*this);
    return showMessageBox(window_, font_, text, std::span(buttons.begin(), buttons.size()),
                          defaultButton, messageBox_);
}

void MainWindow::dismissMessages() {
    if (messageBox_ != nullptr) {
        PostMessageW(messageBox_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    if (modal_ > 0) {
        EndMenu();
    }
}

void MainWindow::setClipboard(std::u16string_view text) {
    // Another program may hold the clipboard for a moment.
    bool open = false;
    for (int attempt = 0; attempt < 20 && !(open = OpenClipboard(window_) != FALSE); ++attempt) {
        Sleep(10);
    }
    if (!open) {
        std::fprintf(stderr, "!Nolvetta: the clipboard is in use by another program\n");
        return;
    }
    EmptyClipboard();
    const std::string bytes = unicodeTextForm(text);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size())) {
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(GlobalLock(memory)));
        GlobalUnlock(memory);
        if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

// The window's place in the stacking order: its place and size stay, and it
// is shown.
bool MainWindow::setTopMost(bool onTop) {
    return SetWindowPos(window_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW) != FALSE;
}

void MainWindow::showWindow() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    if (!IsChild(window_, GetFocus())) {
        SetFocus(focus_);
    }
}

void MainWindow::post(std::function<void()> task) {
    const std::lock_guard lock(tasksMutex_);
    if (tasksTo_ != nullptr) {
        tasks_.push_back(std::move(task));
        PostMessageW(tasksTo_, RunTasks, 0, 0);
    }
}

}  // namespace nolvetta::win32
