#include <QGuiApplication>
#include <QWidget>

#include "ui/stacking.h"

namespace nolvetta::ui {

// Through Qt's stays-on-top hint, which the X11 window manager honours.
bool keepOnTop(QWidget& window, bool onTop) {
    // Wayland has no way for a window to stay above the others.
    if (onTop && QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return false;
    }
    if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop) {
        // Changing a flag hides the window; it comes back where it was.
        const bool shown = window.isVisible();
        window.setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        if (shown) {
            window.show();
        }
    }
    return true;
}

}  // namespace nolvetta::ui
