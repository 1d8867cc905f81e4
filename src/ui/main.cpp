#include <QApplication>

#include "launcher/launcher.h"
#include "store/program_path.h"
#include "ui/form1.h"
#include "ui/message_boxes.h"
#include "ui/session_end.h"
#include "ui/single_instance.h"

int main(int argc, char** argv) {
    namespace store = nolvetta::store;
    namespace ui = nolvetta::ui;
    // Before anything else, so that no signal ends the program before it can save.
    ui::catchTerminationSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nolvetta"));

    const auto programDirectory = store::programDirectory();
    const auto dataDirectory =
        store::chooseDataDirectory(programDirectory, store::userDataDirectory());
    ui::SingleInstance instance(dataDirectory);
    if (instance.anotherIsRunning()) {
        instance.bringAnotherToFront();
        return 0;
    }

    auto launcher = nolvetta::launcher::makeSystemLauncher(programDirectory);
    ui::DesktopMessageBoxes messageBoxes;
    ui::Form1 window(*launcher, messageBoxes, dataDirectory);
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
