#include "ui/close_on_signal.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QWidget>

namespace nolvetta::ui {

// Windows tells a logout through the session manager only.
void closeOnSessionEnd(QWidget& window) {
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.close(); });
}

}  // namespace nolvetta::ui
