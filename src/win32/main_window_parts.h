#pragma once

// What the files of the windows share among themselves, and with no one else.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "form/controls.h"
#include "text/utf8.h"
#include "win32/main_window.h"

namespace nolvetta::win32 {

inline constexpr int ControlIds = 100;  // beyond IDOK and IDCANCEL, which the dialog keys send
inline constexpr int MenuIds = 1000;
// A fixed single border, the system menu and the close button only.
inline constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

inline std::size_t indexOf(form::Control control) {
    return static_cast<std::size_t>(control);
}

inline std::size_t indexOf(form::Menu menu) {
    return static_cast<std::size_t>(menu);
}

inline std::optional<form::Menu> menuOf(UINT id) {
    return id >= MenuIds && id < MenuIds + form::MenuCount
               ? std::optional(static_cast<form::Menu>(id - MenuIds))
               : std::nullopt;
}

// The window's DPI, or the screen's where there is no window or the system
// cannot tell.
UINT dpiOf(HWND window);
// The system's message font, at the DPI.
LOGFONTW messageFont(UINT dpi);
// The frame round a client area (`frame`) of a window of `style`, at the DPI.
BOOL adjustForDpi(RECT& frame, DWORD style, BOOL menu, UINT dpi);
// A combo box's edit field, which has its keys and its focus.
HWND editOf(HWND combo);
std::u16string windowText(HWND window);
// The size of a caption in a font, its mnemonic's marker left out.
SIZE captionSize(HWND window, HFONT font);

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

}  // namespace nolvetta::win32
