#include "ui/session_end.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace nolvetta::ui {

// Windows tells the end of a session through the session manager only.
void catchTerminationSignals() {}

void onSessionEnd(std::function<void()> end) {
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, qGuiApp,
                     [end](QSessionManager&) { end(); });
}

}  // namespace nolvetta::ui
