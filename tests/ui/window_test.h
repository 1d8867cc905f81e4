// What the tests of the Qt windows share: the application, a stand-in
// browser, and the main window opened on a data folder of its own, every
// message box answered without a modal loop.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <memory>

#include "launcher/launcher.h"
#include "message/reader.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

// Lets GoogleTest show the window's texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

struct StandInLauncher : nolvetta::launcher::Launcher {
    std::u16string browserCommand() const override { return u"/stand-in "; }
    bool open(std::u16string_view url) override {
        opened.append(QString::fromStdU16String(std::u16string(url)));
        return true;
    }
    bool openMail(std::u16string_view url) override { return open(url); }
    QStringList opened;
};

// The application exists only while tests run, so that listing them needs no display.
struct Application : ::testing::Environment {
    void SetUp() override {
        app = std::make_unique<QApplication>(argc, argv);
        nolvetta::ui::installJapaneseQtTexts();
    }
    void TearDown() override { app.reset(); }
    int argc = 1;
    char name[9] = "ui_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};
::testing::Environment* const application = ::testing::AddGlobalTestEnvironment(new Application);

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        nolvetta::ui::answerBoxesWith([this](QMessageBox& box) { return answer(box); });
        open();
    }
    void open() {
        window = std::make_unique<nolvetta::ui::MainWindow>(browser, *reader,
                                                            directory.path().toStdString());
        window->form().load();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        combo1()->setEditText("a+b@x");
        text3()->setText("5");
    }
    void TearDown() override {
        window->close();
        window.reset();  // no box runs a modal loop while the test lasts
        nolvetta::ui::answerBoxesWith(nullptr);
        EXPECT_EQ(answers, QStringList()) << "boxes that never came";
    }

    template <typename T = QWidget>
    T* child(const QString& name) const {
        return window->findChild<T*>(name);
    }
    QLineEdit* text3() const { return child<QLineEdit>("Text3"); }
    QLineEdit* text2() const { return child<QLineEdit>("Text2"); }
    QComboBox* combo1() const { return child<QComboBox>("Combo1"); }
    QComboBox* combo2() const { return child<QComboBox>("Combo2"); }
    static void key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QApplication::setActiveWindow(target->window());  // after a pop-up had it
        target->setFocus();
        QTest::keyClick(target, key, modifiers);
    }
    // Whether the target took `data`, dragged in, moved over it and dropped.
    static bool drop(QWidget* target, QMimeData& data) {
        QDragEnterEvent enter({5, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move({7, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &move);
        QDropEvent drop({9, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    }
    // Chooses `entry` in the pop-up that the next action opens, keeping the
    // captions it showed.
    void chooseFromNextPopUp(const QString& entry) {
        QTimer::singleShot(0, [this, entry] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << "no pop-up menu";
            shown.clear();
            for (QAction* action : menu->actions()) {
                shown.append(action->isVisible() ? action->text() : QString());
            }
            shown.removeAll(QString());
            shownAt = menu->pos();
            current = menu->activeAction() ? menu->activeAction()->text() : QString();
            QTest::mouseClick(menu, Qt::LeftButton, {},
                              menu->actionGeometry(child<QAction>(entry)).center());
        });
    }
    // The user's answer to a box, shown without a modal loop: the button
    // reading the next of `answers`, once `shown` keeps the box's title, text,
    // buttons and, last, which of them Enter presses. A box that nobody
    // expected fails the test at once and is closed.
    QAbstractButton* answer(QMessageBox& box) {
        shown = QStringList{box.windowTitle(), box.text()};
        // The whole text shows, wrapped where it must be, and the title too.
        auto* label = box.findChild<QLabel*>("qt_msgbox_label");
        const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 10000),
                                                               Qt::TextWordWrap, box.text());
        EXPECT_TRUE(needed.width() <= label->width() && needed.height() <= label->height())
            << qPrintable(box.text());
        EXPECT_GE(box.width(), box.fontMetrics().horizontalAdvance(box.windowTitle()) * 2);
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : box.buttons()) {
            shown.append(button->text());
            chosen = button->text() == answers.value(0) ? button : chosen;
        }
        shown.append(box.defaultButton() ? box.defaultButton()->text() : QString());
        EXPECT_TRUE(chosen) << (answers.isEmpty() ? "an unexpected box: " : "no such button: ")
                            << qPrintable(answers.value(0) + " " + box.text());
        answers = answers.mid(1);
        // Its text is reached by Tab and copied whole by Ctrl+C.
        EXPECT_TRUE(label->focusPolicy() & Qt::TabFocus);
        QApplication::setActiveWindow(&box);
        label->setFocus();
        QTest::keyClick(label, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), box.text());
        return chosen;
    }

    QTemporaryDir directory;
    StandInLauncher browser;
    std::unique_ptr<nolvetta::message::Reader> reader = nolvetta::message::makeSystemReader();
    std::unique_ptr<nolvetta::ui::MainWindow> window;
    QStringList shown, answers;
    QPoint shownAt;
    QString current;
};
