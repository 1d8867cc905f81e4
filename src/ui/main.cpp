#include <QApplication>

#include "launcher/launcher.h"
#include "store/program_path.h"
#include "ui/close_on_signal.h"
#include "ui/form1.h"
#include "ui/message_boxes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nolvetta"));

    namespace store = nolvetta::store;
    const auto programDirectory = store::programDirectory();
    // The browser is looked up once, before anything else is loaded.
    auto launcher = nolvetta::launcher::makeSystemLauncher(programDirectory);
    nolvetta::ui::DesktopMessageBoxes messageBoxes;
    nolvetta::ui::Form1 window(
        *launcher, messageBoxes,
        store::chooseDataDirectory(programDirectory, store::userDataDirectory()));
    window.Form_Load();
    nolvetta::ui::closeOnSessionEnd(window);
    return QApplication::exec();
}
