#include <windows.h>

#include <QWidget>

#include "ui/stacking.h"

namespace nolvetta::ui {

// Through the window's place in Windows' stacking order; the size and
// position stay, and the window is shown.
bool keepOnTop(QWidget& window, bool onTop) {
    return SetWindowPos(reinterpret_cast<HWND>(window.winId()),
                        onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW) != 0;
}

}  // namespace nolvetta::ui
