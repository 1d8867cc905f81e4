#include "ui/window_options.h"

#include <windows.h>

#include <QWidget>

namespace nolvetta::ui {

// Through the window's place in Windows' stacking order, as SetWindowPos
// keeps it; the size and position stay, and the window is shown.
std::int32_t SetTopMost(QWidget& window, std::int16_t mode) {
    HWND insertAfter = nullptr;
    switch (mode) {
        case 0:
            insertAfter = HWND_NOTOPMOST;
            break;
        case 1:
            insertAfter = HWND_TOPMOST;
            break;
        case 2:
            insertAfter = HWND_TOP;
            break;
        default:
            return 0;
    }
    return SetWindowPos(reinterpret_cast<HWND>(window.winId()), insertAfter, 0, 0, 0, 0,
                        SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
}

}  // namespace nolvetta::ui
