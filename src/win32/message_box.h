#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
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

// For tests only: while set, each box is made and shown as the user would
// see it, then handed to `answer` instead of waiting in a modal loop, and
// destroyed; the index of the button it returns counts as pressed.
void answerBoxesWith(std::function<std::size_t(HWND box)> answer);

}  // namespace nolvetta::win32
