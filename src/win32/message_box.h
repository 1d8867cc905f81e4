#pragma once

#include <windows.h>

#include <cstddef>
#include <span>
#include <string_view>

namespace nolvetta::win32 {

// A modal message box titled with the program's name, showing `text` as it
// is, in `font` (the system's message font if none), whose buttons read what
// `buttons` say whatever the system's language, Enter pressing the one at
// `defaultButton`. The index of the button pressed: closing the box, or
// Escape, counts as the last. `open` names the box while it is shown.
std::size_t showMessageBox(HWND owner, HFONT font, std::u16string_view text,
                           std::span<const std::u16string_view> buttons, std::size_t defaultButton,
                           HWND& open);

}  // namespace nolvetta::win32
