// The program as its main() starts it, ending on its first paint; the data
// folder is in NOLVETTA_BENCH_DATA.
#include <QApplication>
#include <QCommandLineParser>

#include "first_paint.h"
#include "launcher/launcher.h"
#include "message/reader.h"
#include "ui/main_window.h"
#include "ui/session_end.h"
#include "ui/single_instance.h"

int main(int argc, char** argv) {
    namespace ui = nolvetta::ui;
    ui::catchTerminationSignals();
    QApplication::setApplicationName(QStringLiteral("Nolvetta"));
    if (argc > 1) {
        const QCoreApplication terminal(argc, argv);
        QCommandLineParser parser;
        parser.addHelpOption();
        parser.addVersionOption();
        parser.process(terminal);
    }
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.nolvetta.Nolvetta"));
    ui::installJapaneseQtTexts();
    const std::filesystem::path dataDirectory =
        qEnvironmentVariable("NOLVETTA_BENCH_DATA").toStdU16String();
    ui::SingleInstance instance(dataDirectory);
    auto launcher = nolvetta::launcher::makeSystemLauncher();
    auto reader = nolvetta::message::makeSystemReader();
    ui::MainWindow window(*launcher, *reader, dataDirectory);
    if (instance.start({}) != ui::SingleInstance::Start::First) {
        return 1;
    }
    QuitOnFirstPaint quit(window);
    ui::onSessionEnd([&] { window.close(); });
    window.form().load();
    const int status = QApplication::exec();
    instance.release();
    return ui::endProgram(status);
}
