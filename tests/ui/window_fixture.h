#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <filesystem>
#include <memory>

#include "launcher/launcher.h"
#include "ui/form1.h"
#include "ui/message_boxes.h"

// Lets GoogleTest and gMock show the window's texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace nolvetta::ui::testing {

// An endpoint constant followed by the literal rest of a URL.
inline QString url(std::u16string_view base, std::u16string_view rest) {
    return QString::fromStdU16String(std::u16string(base).append(rest));
}

// Stands in for the browser: records every URL it is asked to open.
struct StandInLauncher : launcher::Launcher {
    std::u16string browserCommand() const override { return u"/stand-in "; }
    bool open(std::u16string_view url) override {
        opened.append(QString::fromUtf16(url.data(), static_cast<qsizetype>(url.size())));
        return !failing;
    }
    QStringList opened;
    bool failing = false;
};

struct MockMessageBoxes : MessageBoxes {
    MOCK_METHOD(void, inform, (QWidget*, const QString&), (override));
    MOCK_METHOD(bool, askYesNo, (QWidget*, const QString&), (override));
};

// The application exists only while tests run, so that listing them needs no display.
struct Application : ::testing::Environment {
    void SetUp() override { app = std::make_unique<QApplication>(argc, argv); }
    void TearDown() override { app.reset(); }
    int argc = 1;
    char name[9] = "ui_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};
inline ::testing::Environment* const application =
    ::testing::AddGlobalTestEnvironment(new Application);

// A fresh window on an empty data directory of its own, loaded and shown.
// A message box the test does not expect fails it.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { reopen(); }
    void TearDown() override { closeWindow(); }

    // A new window on the same data directory, after closing the old one.
    void reopen() {
        closeWindow();
        form = std::make_unique<Form1>(browser, boxes, dataFile(""));
        form->Form_Load();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void closeWindow() {
        if (form) {
            form->close();
            form.reset();
        }
    }
    std::filesystem::path dataFile(const char* name) const {
        return std::filesystem::path(directory.path().toStdString()) / name;
    }

    template <typename T = QWidget>
    T* child(const QString& name) const {
        return form->findChild<T*>(name);
    }
    QLineEdit* text3() const { return child<QLineEdit>("Text3"); }
    QLineEdit* text2() const { return child<QLineEdit>("Text2"); }
    QComboBox* combo1() const { return child<QComboBox>("Combo1"); }
    QComboBox* combo2() const { return child<QComboBox>("Combo2"); }
    void click(const char* button) const {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void select(int service) const { child<QAction>(QString("MERU1(%1)").arg(service))->trigger(); }
    QString checkedService() const {
        return form->findChild<QActionGroup*>()->checkedAction()->text();
    }
    // Whether the target took the drop of `data`.
    static bool drop(QWidget* target, QMimeData& data) {
        QDragEnterEvent enter({5, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QDropEvent drop({5, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        return enter.isAccepted() && drop.isAccepted();
    }
    static bool drop(QWidget* target, const QString& text) {
        QMimeData data;
        data.setText(text);
        return drop(target, data);
    }
    // Chooses `entry` in the pop-up menu that the next action opens, and keeps
    // the captions that the menu showed in popUpShowed.
    void chooseFromNextPopUp(const QString& entry) {
        QTimer::singleShot(0, [this, entry] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << "no pop-up menu";
            popUpShowed.clear();
            for (QAction* action : menu->actions()) {
                if (action->isVisible()) {
                    popUpShowed.append(action->text());
                }
            }
            QTest::mouseClick(menu, Qt::LeftButton, {},
                              menu->actionGeometry(child<QAction>(entry)).center());
        });
    }

    QTemporaryDir directory;
    StandInLauncher browser;
    ::testing::StrictMock<MockMessageBoxes> boxes;
    std::unique_ptr<Form1> form;
    QStringList popUpShowed;
};

}  // namespace nolvetta::ui::testing
