#include "ui/window_options.h"

#include <QWidget>
#include <exception>

#include "store/program_path.h"

namespace nolvetta::ui {

std::int32_t SetTopMost(QWidget& window, std::int16_t mode) {
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

bool IsStandalone(QWidget& /*window*/) {
    try {
        return store::isStandaloneExecutable(store::executablePath().u16string());
    } catch (const std::exception&) {
        // A path that does not convert cannot be a development host's.
        return true;
    }
}

}  // namespace nolvetta::ui
