#include "ui/session_end.h"

#include <fcntl.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace nolvetta::ui {

namespace {

// Written by the signal handler, read on the event loop: the only safe way
// from a signal into Qt.
int signalPipe[2] = {-1, -1};
std::function<void()> endSession;

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

void catchTerminationSignals() {
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        ::sigaction(sig, &action, nullptr);
    }
}

void onSessionEnd(std::function<void()> end) {
    catchTerminationSignals();
    const bool first = !endSession;
    endSession = std::move(end);
    if (!first) {
        return;
    }
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, qGuiApp,
                     [](QSessionManager&) { endSession(); });
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qGuiApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qGuiApp, [] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        endSession();
    });
}

int endProgram(int status) {
    if (QGuiApplication::clipboard()->ownsClipboard()) {
        return status;
    }
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace nolvetta::ui
