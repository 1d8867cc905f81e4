#include "ui/window_options.h"

#include <QGuiApplication>
#include <QWidget>

namespace nolvetta::ui {

// Through Qt's stays-on-top hint, which the X11 window manager honours.
std::int32_t SetTopMost(QWidget& window, std::int16_t mode) {
    // Wayland has no way for a window to stay above, nor to raise itself.
    if (mode != 0 && QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return 0;
    }
    switch (mode) {
        case 0:
        case 1: {
            const bool onTop = mode == 1;
            if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop) {
                // Changing a flag hides the window; it comes back where it was.
                const bool shown = window.isVisible();
                window.setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
                if (shown) {
                    window.show();
                }
            }
            return 1;
        }
        case 2:
            window.raise();
            return 1;
        default:
            return 0;
    }
}

}  // namespace nolvetta::ui
