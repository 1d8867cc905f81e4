#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include "launcher/launcher.h"
#include "store/program_path.h"
#include "ui/captions.h"
#include "ui/form1.h"
#include "ui/message_boxes.h"
#include "ui/session_end.h"
#include "ui/single_instance.h"

namespace {

// --help and --version answer on the terminal, before there is any window
// and so without a display.
void answerTheCommandLine(int argc, char** argv) {
    const QCoreApplication terminal(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(nolvetta::ui::captions::CommandLineDescription);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(terminal);
}

// Qt cannot keep a window above the others on Wayland, where there is no
// protocol for it; XWayland can. A platform the user chose stands.
bool preferXWayland() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("DISPLAY")) {
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    namespace store = nolvetta::store;
    namespace ui = nolvetta::ui;
    // Before anything else, so that no signal ends the program before it can save.
    ui::catchTerminationSignals();
    QApplication::setApplicationName(QStringLiteral("Nolvetta"));
    QApplication::setApplicationVersion(QStringLiteral(NOLVETTA_VERSION));
    if (argc > 1) {  // a plain start builds no second application object
        answerTheCommandLine(argc, argv);
    }
    const bool choseXWayland = preferXWayland();
    QApplication app(argc, argv);
    if (choseXWayland) {
        qunsetenv("QT_QPA_PLATFORM");  // the browser chooses its own
    }
    QGuiApplication::setDesktopFileName(QStringLiteral("org.nolvetta.Nolvetta"));

    const auto programDirectory = store::programDirectory();
    const auto dataDirectory =
        store::chooseDataDirectory(programDirectory, store::userDataDirectory());
    ui::SingleInstance instance(dataDirectory);
    auto launcher = nolvetta::launcher::makeSystemLauncher();
    ui::DesktopMessageBoxes messageBoxes;
    ui::Form1 window(*launcher, messageBoxes, dataDirectory);  // not shown yet
    if (instance.anotherIsRunning()) {
        instance.bringAnotherToFront();
        return 0;
    }
    QObject::connect(&instance, &ui::SingleInstance::anotherStarted, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    // The end of the session waits for nobody: the lists are saved, what
    // failed goes to standard error, and the program ends.
    bool ended = false;
    ui::onSessionEnd([&] {
        ended = true;
        messageBoxes.endAttendance();
        window.close();
        QCoreApplication::exit(0);
    });
    window.Form_Load();
    return ended ? 0 : QApplication::exec();
}
