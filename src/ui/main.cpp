#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include "form/captions.h"
#include "launcher/launcher.h"
#include "message/reader.h"
#include "store/program_path.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/session_end.h"
#include "ui/single_instance.h"

namespace {

// --help and --version answer on the terminal, before there is any window
// and so without a display. The message file to act on, as an absolute
// path: a running copy may be handed it.
QString answerTheCommandLine(int argc, char** argv) {
    namespace captions = nolvetta::form::captions;
    using nolvetta::ui::toQt;
    const QCoreApplication terminal(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(toQt(captions::CommandLineDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), toQt(captions::CommandLineFile),
                                 QStringLiteral("[FILE.eml]"));
    parser.process(terminal);
    const QStringList files = parser.positionalArguments();
    return files.isEmpty() ? QString() : QFileInfo(files.front()).absoluteFilePath();
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
    // A plain start builds no second application object.
    const QString messageFile = argc > 1 ? answerTheCommandLine(argc, argv) : QString();
    const bool choseXWayland = preferXWayland();
    QApplication app(argc, argv);
    if (choseXWayland) {
        qunsetenv("QT_QPA_PLATFORM");  // the browser chooses its own
    }
    QGuiApplication::setDesktopFileName(QStringLiteral("org.nolvetta.Nolvetta"));
    ui::installJapaneseQtTexts();

    const auto dataDirectory =
        store::chooseDataDirectory(store::programDirectory(), store::userDataDirectory());
    ui::SingleInstance instance(dataDirectory);
    auto launcher = nolvetta::launcher::makeSystemLauncher();
    auto reader = nolvetta::message::makeSystemReader();
    ui::MainWindow window(*launcher, *reader, dataDirectory);  // not shown yet
    if (instance.anotherIsRunning() &&
        (instance.bringAnotherToFront(messageFile) || !instance.takeOver())) {
        return 0;
    }
    QObject::connect(&instance, &ui::SingleInstance::anotherStarted, &window,
                     [&window](const QString& file) {
                         window.comeToFront();
                         if (!file.isEmpty()) {
                             window.form().openMessageFile(ui::nativePath(file));
                         }
                     });
    // The end of the session waits for nobody: the lists are saved, what
    // failed goes to standard error, and the program ends.
    bool ended = false;
    ui::onSessionEnd([&] {
        ended = true;
        window.form().endAttendance();
        window.close();
        QCoreApplication::exit(0);
    });
    window.form().Form_Load();
    if (!ended && !messageFile.isEmpty()) {
        window.form().openMessageFile(ui::nativePath(messageFile));
    }
    return ended ? 0 : QApplication::exec();
}
