// The window's heavy moments, on Qt's offscreen platform: both lists filled
// from a file of 32,767 addresses, the save at close, a 10 MB drop with and
// without line breaks, and a click to the browser's start with the desktop's
// own launch of a browser that does nothing.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QtWidgets>
#include <algorithm>
#include <memory>

#include "launcher/launcher.h"
#include "message/reader.h"
#include "scratch.h"
#include "ui/main_window.h"

namespace {

namespace fs = std::filesystem;
using nolvetta::ui::MainWindow;

nolvetta::message::Reader& reader() {
    static const auto system = nolvetta::message::makeSystemReader();
    return *system;
}

// Nobody is there to answer: the window's messages go to standard error only.
struct Window : MainWindow {
    Window(nolvetta::launcher::Launcher& launcher, const fs::path& folder)
        : MainWindow(launcher, reader(), folder) {
        form().endAttendance();
    }
};

struct NoBrowser : nolvetta::launcher::Launcher {
    std::u16string browserCommand() const override { return {}; }
    bool open(std::u16string_view) override { return true; }
    bool openMail(std::u16string_view) override { return true; }
};

const nolvetta::testsupport::ScratchDirectory& scratch() {
    static const nolvetta::testsupport::ScratchDirectory directory;
    return directory;
}

std::string addresses(int count, const char* lineEnd = "\r\n") {
    std::string file;
    for (int i = 0; i < count; ++i) {
        file += "reader." + std::to_string(i) + "@example.co.jp" + lineEnd;
    }
    return file;
}

// A data folder holding `count` addresses.
fs::path folderWith(int count) {
    const fs::path folder = scratch() / ("addresses-" + std::to_string(count));
    if (fs::create_directory(folder)) {
        nolvetta::testsupport::writeBytes(folder / "nolvetta.dat", addresses(count));
    }
    return folder;
}

void FillBothLists(benchmark::State& state) {
    NoBrowser browser;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<Window>(browser, folderWith(32767));
        state.ResumeTiming();
        form->form().load();
        state.PauseTiming();
        form.reset();  // not closed: nothing is saved
        state.ResumeTiming();
    }
}
BENCHMARK(FillBothLists)->Unit(benchmark::kMillisecond);

// The file is written anew after the load, in another form of the same
// list, so that the save can neither skip it nor find it unchanged.
void SaveAtClose(benchmark::State& state) {
    NoBrowser browser;
    const fs::path folder = scratch() / "save";
    fs::create_directory(folder);
    const std::string lineFeeds = addresses(32767, "\n");
    for (auto _ : state) {
        state.PauseTiming();
        nolvetta::testsupport::writeBytes(folder / "nolvetta.dat", lineFeeds);
        Window form(browser, folder);
        form.form().load();
        nolvetta::testsupport::writeBytes(folder / "nolvetta.dat", lineFeeds);
        state.ResumeTiming();
        form.close();
    }
}
BENCHMARK(SaveAtClose)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The first opening of the deletion list's pop-up, 32,767 entries long, in
// a window just loaded.
void FirstPopUpOfALongList(benchmark::State& state) {
    NoBrowser browser;
    for (auto _ : state) {
        state.PauseTiming();
        Window form(browser, folderWith(32767));
        form.form().load();
        auto* list = form.findChild<QComboBox*>(QStringLiteral("Combo1"));
        state.ResumeTiming();
        list->showPopup();
        QCoreApplication::processEvents();
        state.PauseTiming();
        list->hidePopup();
        state.ResumeTiming();
    }
}
BENCHMARK(FirstPopUpOfALongList)->Unit(benchmark::kMillisecond);

void Drop10MB(benchmark::State& state) {
    NoBrowser browser;
    Window form(browser, folderWith(0));
    form.form().load();
    QWidget* text3 = form.findChild<QWidget*>("Text3");
    const QString line =
        QStringLiteral("本日のおすすめ商品をご紹介します。詳しくは https://example.jp/ まで。");
    QString text = QStringLiteral("【まぐまぐ】 mag2 ID:0123456789 号外");
    while (text.size() < 5 * 1024 * 1024) {  // 10 MB of UTF-16
        text += (state.range(0) != 0 ? QStringLiteral("\r\n") : QString()) + line;
    }
    QMimeData data;
    data.setText(text);
    for (auto _ : state) {
        // As a drag arrives: it enters, then lands.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(text3, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(text3, &drop);
    }
    if (form.findChild<QLineEdit*>("Text3")->text() != QStringLiteral("0123456789")) {
        state.SkipWithError("the drop was not taken");
    }
}
BENCHMARK(Drop10MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The desktop's browser: a program that ends at once, registered in private
// XDG folders before anything asks GIO for one.
void ClickToExec(benchmark::State& state) {
    auto launcher = nolvetta::launcher::makeSystemLauncher();
    Window form(*launcher, folderWith(static_cast<int>(state.range(0))));
    form.form().load();
    form.findChild<QLineEdit*>("Text3")->setText(QStringLiteral("123"));
    auto* unsubscribe = form.findChild<QPushButton*>("Command4");
    for (auto _ : state) {
        unsubscribe->click();
        state.PauseTiming();
        QCoreApplication::processEvents();  // the ended browsers are reaped
        state.ResumeTiming();
    }
}
// The first click of a run loads GIO and reads the desktop's applications.
BENCHMARK(ClickToExec)
    ->Name("FirstClickToExec")
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
// Then one click a repetition, for the median and the slowest of 200.
BENCHMARK(ClickToExec)
    ->Arg(0)
    ->Arg(32767)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(200)
    ->ComputeStatistics("max",
                        [](const std::vector<double>& v) {
                            return *std::max_element(v.begin(), v.end());
                        })
    ->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
    const fs::path desktop = scratch() / "desktop";
    fs::create_directories(desktop / "applications");
    nolvetta::testsupport::writeBytes(
        desktop / "applications/true.desktop",
        "[Desktop Entry]\nType=Application\nName=True\nExec=true %u\n");
    nolvetta::testsupport::writeBytes(desktop / "mimeapps.list",
                                      "[Default Applications]\ntext/html=true.desktop\n");
    setenv("XDG_DATA_HOME", desktop.c_str(), 1);
    setenv("XDG_CONFIG_HOME", desktop.c_str(), 1);
    setenv("XDG_DATA_DIRS", "/none", 1);
    setenv("XDG_CONFIG_DIRS", "/none", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
