#include "win32/message_box.h"

// After windows.h, which it needs.
#include <commctrl.h>

#include <string>
#include <vector>

#include "form/captions.h"
#include "win32/wide_text.h"

namespace nolvetta::win32 {

namespace {

constexpr int FirstButton = 100;  // beyond the ids of the system's own buttons

HRESULT CALLBACK onBoxEvent(HWND box, UINT event, WPARAM, LPARAM, LONG_PTR open) {
    if (event == TDN_CREATED) {
        *reinterpret_cast<HWND*>(open) = box;
    } else if (event == TDN_DESTROYED) {
        *reinterpret_cast<HWND*>(open) = nullptr;
    }
    return S_OK;
}

}  // namespace

// A task dialog with buttons of its own: the system's message box would name
// its buttons in the system's language.
std::size_t showMessageBox(HWND owner, std::u16string_view text,
                           std::span<const std::u16string_view> buttons, std::size_t defaultButton,
                           HWND& open) {
    const std::wstring title = wide(form::captions::AppTitle), content = wide(text);
    std::vector<std::wstring> labels;
    std::vector<TASKDIALOG_BUTTON> ids;
    for (const std::u16string_view button : buttons) {
        labels.push_back(wide(button));
    }
    for (std::size_t i = 0; i < labels.size(); ++i) {
        ids.push_back({FirstButton + static_cast<int>(i), labels[i].c_str()});
    }
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.pszWindowTitle = title.c_str();
    config.pszContent = content.c_str();
    config.cButtons = static_cast<UINT>(ids.size());
    config.pButtons = ids.data();
    config.nDefaultButton = FirstButton + static_cast<int>(defaultButton);
    config.pfCallback = onBoxEvent;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(&open);
    const std::size_t last = buttons.empty() ? 0 : buttons.size() - 1;
    int pressed = 0;
    if (SUCCEEDED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) {
        const auto index = static_cast<std::size_t>(pressed - FirstButton);
        return pressed >= FirstButton && index < buttons.size() ? index : last;
    }
    // The system's box, in the system's language, rather than none at all.
    const int answer =
        MessageBoxW(owner, content.c_str(), title.c_str(), buttons.size() > 1 ? MB_YESNO : MB_OK);
    return answer == IDYES ? 0 : last;
}

}  // namespace nolvetta::win32
