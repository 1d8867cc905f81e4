#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <filesystem>
#include <vector>

#include "form/captions.h"
#include "form/command_line.h"
#include "form/list_tsv.h"
#include "launcher/launcher.h"
#include "message/reader.h"
#include "store/program_path.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/session_end.h"
#include "ui/single_instance.h"

namespace {

// --help, --version and a wrong option answer on the terminal, before there
// is any window and so without a display; the program ends there.
void answerTheCommandLine(int argc, char** argv) {
    namespace captions = nolvetta::form::captions;
    using nolvetta::ui::toQt;
    const QCoreApplication terminal(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(toQt(captions::CommandLineDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("list"), toQt(captions::CommandLineList)});
    parser.addOption({QStringLiteral("tsv"), toQt(captions::CommandLineTsv)});
    parser.addOption({QStringLiteral("password-stdin"), toQt(captions::CommandLinePasswordStdin)});
    parser.addPositionalArgument(QStringLiteral("file"), toQt(captions::CommandLineFile),
                                 toQt(captions::CommandLineSyntax));
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
    // The names as the system gave them, any bytes.
    std::error_code noFolder;
    const nolvetta::form::CommandLine commandLine =
        nolvetta::form::commandLineOf(std::vector<std::filesystem::path>(argv + 1, argv + argc),
                                      std::filesystem::current_path(noFolder));
    // A start without them builds no second application object.
    if (!commandLine.others.empty()) {
        answerTheCommandLine(argc, argv);
    }
    if (commandLine.printsList()) {
        return nolvetta::form::printNewsletterList(
            commandLine.paths, commandLine.servers, commandLine.passwordStdin ? stdin : nullptr,
            store::chooseDataDirectory(store::programDirectory(), store::userDataDirectory()),
            ui::nativePath(QDir::homePath()),
            ui::nativePath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)),
            *nolvetta::message::makeSystemReader(), stdout);
    }
    const std::filesystem::path messageFile = commandLine.messageFile();
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
    // The end of the session waits for nobody: the lists are saved, what
    // failed goes to standard error, and the program ends.
    bool ended = false;
    ui::onSessionEnd([&] {
        ended = true;
        instance.abandon();
        window.form().endAttendance();
        window.close();
        QCoreApplication::exit(0);
    });
    switch (instance.start(messageFile.native())) {
        case ui::SingleInstance::Start::HandedOver:
            return 0;
        case ui::SingleInstance::Start::Refused:
            if (ended) {
                return 0;
            }
            window.form().inform(instance.problem());
            return 1;
        case ui::SingleInstance::Start::First:
            break;
    }
    QObject::connect(&instance, &ui::SingleInstance::anotherStarted, &window,
                     [&window](const std::string& file) {
                         window.comeToFront();
                         if (!file.empty()) {
                             window.form().openMessageFile(file);
                         }
                     });
    window.form().load();
    if (!instance.problem().empty()) {
        window.form().inform(instance.problem());
    }
    if (!ended && !messageFile.empty()) {
        window.form().openMessageFile(messageFile);
    }
    if (!ended && commandLine.list) {
        window.openNewsletterList(commandLine.paths);
    }
    const int status = ended ? 0 : QApplication::exec();
    instance.release();
    return ui::endProgram(status);
}
