// The window's controls, made from the control table and laid out at the
// window's DPI in the system's message font.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "win32/main_window.h"
#include "win32/main_window_parts.h"
#include "win32/wide_text.h"

namespace nolvetta::win32 {

namespace {

using form::Control;
using form::Kind;

// Newer functions are looked up, so that the program starts where they are missing.
template <typename Function>
Function systemFunction(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
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

}  // namespace

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

BOOL adjustForDpi(RECT& frame, DWORD style, BOOL menu, UINT dpi) {
    using ForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto forDpi = systemFunction<ForDpi>("AdjustWindowRectExForDpi");
    return forDpi != nullptr ? forDpi(&frame, style, menu, 0, dpi)
                             : AdjustWindowRectEx(&frame, style, menu, 0);
}

HWND editOf(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return GetComboBoxInfo(combo, &info) ? info.hwndItem : combo;
}

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
        describeControl(row, control);
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

// Twips to pixels at the window's DPI, in the system's message font; the
// layout grows with a font larger than the one it was made for, and the
// client area is as the table says, however many lines the menu bar takes.
void MainWindow::layOut(UINT dpi) {
    const LOGFONTW base = messageFont(dpi);
    // The shared scale counts pixels at 96 DPI: the font is measured at that
    // DPI, and the scale brought to the window's.
    const double scale = form::layoutScale(std::abs(base.lfHeight) * 96.0 / dpi) * dpi / 96.0;
    const auto px = [scale](int twips) { return form::toPixels(twips, scale); };
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
    adjustForDpi(frame, WindowStyle, TRUE, dpi);
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

}  // namespace nolvetta::win32
