#include "win32/message_box.h"

#include <algorithm>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "form/captions.h"
#include "win32/wide_text.h"

namespace nolvetta::win32 {

namespace {

std::function<std::size_t(HWND)> testAnswer;

constexpr int FirstButton = 100;  // beyond the ids of the system's own buttons
// The text is the user's addresses and pages: an `&` in it is no mnemonic.
constexpr UINT TextFormat = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

struct Box {
    std::wstring text;
    std::vector<std::wstring> buttons;
    std::size_t defaultButton;
    HFONT font;
    HWND& open;
};

SIZE textSize(HDC dc, const std::wstring& text, int maxWidth, UINT format) {
    RECT size{0, 0, maxWidth, 0};
    DrawTextW(dc, text.c_str(), -1, &size, format | DT_CALCRECT);
    return {size.right, size.bottom};
}

HWND addControl(HWND box, const wchar_t* kind, const std::wstring& text, DWORD style, int id,
                HFONT font) {
    HWND control = CreateWindowExW(0, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                   box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// Sized to its text in the font given, its buttons in a row below at the
// right, centred over its owner.
void layOut(HWND box, const Box& shown) {
    HDC dc = GetDC(box);
    const HGDIOBJ previous = SelectObject(dc, shown.font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int unit = std::max<int>(metrics.tmHeight, 8);
    const SIZE text = textSize(dc, shown.text, 30 * unit, TextFormat);
    std::vector<int> widths;
    for (const std::wstring& label : shown.buttons) {
        widths.push_back(
            std::max<int>(textSize(dc, label, 0, DT_SINGLELINE).cx + 2 * unit, 5 * unit));
    }
    SelectObject(dc, previous);
    ReleaseDC(box, dc);

    const int gap = unit / 2, buttonHeight = unit * 7 / 4;
    int row = 0;
    for (const int width : widths) {
        row += width + gap;
    }
    row -= widths.empty() ? 0 : gap;
    const int width = std::max<int>(text.cx, row) + 2 * unit;
    const int height = unit + text.cy + unit + buttonHeight + unit * 3 / 4;
    // A read-only field: Tab reaches the text, which is then selected for Ctrl+C.
    std::wstring lines;  // an edit control breaks lines at "\r\n" only
    for (const wchar_t c : shown.text) {
        if (c == L'\n' && (lines.empty() || lines.back() != L'\r')) {
            lines += L'\r';
        }
        lines += c;
    }
    HWND field = addControl(box, L"Edit", lines, ES_MULTILINE | ES_READONLY | WS_TABSTOP | WS_GROUP,
                            -1, shown.font);
    SendMessageW(field, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    SetWindowPos(field, nullptr, unit, unit, text.cx + 1, text.cy, SWP_NOZORDER);
    int left = width - unit - row;
    for (std::size_t i = 0; i < shown.buttons.size(); ++i) {
        const bool isDefault = i == shown.defaultButton;
        const DWORD style =
            WS_TABSTOP | (i == 0 ? WS_GROUP : 0) | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND button = addControl(box, L"Button", shown.buttons[i], style,
                                 FirstButton + static_cast<int>(i), shown.font);
        SetWindowPos(button, nullptr, left, unit + text.cy + unit, widths[i], buttonHeight,
                     SWP_NOZORDER);
        left += widths[i] + gap;
        if (isDefault) {
            SendMessageW(box, DM_SETDEFID, FirstButton + i, 0);
            SetFocus(button);
        }
    }

    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(box, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(box, GWL_EXSTYLE)));
    const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
    HWND owner = GetWindow(box, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : box, MONITOR_DEFAULTTOPRIMARY),
                    &monitor);
    RECT over = monitor.rcWork;
    if (owner != nullptr) {
        GetWindowRect(owner, &over);
    }
    const RECT& area = monitor.rcWork;
    const int x = std::clamp<int>((over.left + over.right - outerWidth) / 2, area.left,
                                  std::max<int>(area.left, area.right - outerWidth));
    const int y = std::clamp<int>((over.top + over.bottom - outerHeight) / 2, area.top,
                                  std::max<int>(area.top, area.bottom - outerHeight));
    SetWindowPos(box, nullptr, x, y, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowTextW(box, wide(form::captions::AppTitle).c_str());
}

INT_PTR CALLBACK onBoxMessage(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* shown = reinterpret_cast<Box*>(GetWindowLongPtrW(box, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(box, DWLP_USER, lParam);
            shown = reinterpret_cast<Box*>(lParam);
            shown->open = box;
            try {
                layOut(box, *shown);
            } catch (const std::exception&) {
                EndDialog(box, -1);  // the system's box says it instead
            }
            return FALSE;  // the default button has the focus
        case WM_COMMAND: {
            if (shown == nullptr || HIWORD(wParam) != BN_CLICKED) {
                return FALSE;
            }
            const std::size_t last = shown->buttons.empty() ? 0 : shown->buttons.size() - 1;
            const int id = LOWORD(wParam);
            const auto index = static_cast<std::size_t>(id - FirstButton);
            EndDialog(box, static_cast<INT_PTR>(id >= FirstButton && index <= last ? index
                                                : id == IDOK ? shown->defaultButton
                                                             : last));
            return TRUE;
        }
        case WM_DESTROY:
            if (shown != nullptr) {
                shown->open = nullptr;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void answerBoxesWith(std::function<std::size_t(HWND box)> answer) {
    testAnswer = std::move(answer);
}

// A dialog of its own rather than the system's message box, which names its
// buttons in the system's language, or a task dialog, which under Wine takes
// an `&` in its text for a mnemonic.
std::size_t showMessageBox(HWND owner, HFONT font, std::u16string_view text,
                           std::span<const std::u16string_view> buttons, std::size_t defaultButton,
                           HWND& open) {
    HFONT own = nullptr;
    if (font == nullptr) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        own = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)
                  ? CreateFontIndirectW(&metrics.lfMessageFont)
                  : nullptr;
        font = own != nullptr ? own : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    Box box{wide(text), {}, defaultButton, font, open};
    for (const std::u16string_view button : buttons) {
        box.buttons.push_back(wide(button));
    }
    // A template with no controls: they are made to fit the text.
    struct alignas(DWORD) Template {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } dialog{};
    dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
    // Without an owner, on the taskbar, so that it is not lost behind other windows.
    dialog.header.dwExtendedStyle = owner == nullptr ? WS_EX_APPWINDOW : 0;
    const std::size_t last = buttons.empty() ? 0 : buttons.size() - 1;
    INT_PTR pressed = -1;
    if (!testAnswer) {
        pressed = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialog.header, owner,
                                          onBoxMessage, reinterpret_cast<LPARAM>(&box));
    } else {
        const HWND shown =
            CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &dialog.header, owner,
                                       onBoxMessage, reinterpret_cast<LPARAM>(&box));
        ShowWindow(shown, SW_SHOW);
        pressed = static_cast<INT_PTR>(std::min(testAnswer(shown), last));
        DestroyWindow(shown);
    }
    open = nullptr;
    if (own != nullptr) {
        DeleteObject(own);
    }
    if (pressed < 0) {
        // The system's box, in the system's language, rather than none at all.
        const std::wstring title = wide(form::captions::AppTitle);
        const int answer = MessageBoxW(owner, box.text.c_str(), title.c_str(),
                                       buttons.size() > 1 ? MB_YESNO : MB_OK);
        return answer == IDYES ? 0 : last;
    }
    return std::min(static_cast<std::size_t>(pressed), last);
}

}  // namespace nolvetta::win32
