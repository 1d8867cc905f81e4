#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "launcher/launcher.h"
#include "ui/form1.h"
#include "ui/message_boxes.h"

namespace nolvetta::ui::testing {

// Stands in for the browser: records every URL it is asked to open.
class StandInLauncher : public launcher::Launcher {
public:
    std::u16string browserCommand() const override { return u"/opt/stand-in/browser "; }
    bool open(std::u16string_view url) override {
        opened.append(QString::fromStdU16String(std::u16string(url)));
        return !failing;
    }

    QStringList opened;
    bool failing = false;
};

enum class Answer { Ok, Yes, No };

// Answers the window's message boxes from a queue the test fills in advance,
// and keeps the texts shown. A box without a queued answer fails the test.
class QueuedMessageBoxes : public MessageBoxes {
public:
    void inform(QWidget*, const QString& text) override;
    bool askYesNo(QWidget*, const QString& text) override;

    void expect(Answer answer, int times = 1);

    std::deque<Answer> answers;
    QStringList shown;

private:
    Answer next(const QString& text);
};

// A fresh window on its own empty data directory, loaded and shown.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds a new window on the same data directory (after closing the old one).
    void reopen();
    void closeWindow();

    template <typename T>
    T* child(const char* name) const {
        T* found = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QAction* action(const char* name) const { return child<QAction>(name); }
    QLineEdit* text3() const { return child<QLineEdit>("Text3"); }
    QLineEdit* text2() const { return child<QLineEdit>("Text2"); }
    QComboBox* combo1() const { return child<QComboBox>("Combo1"); }
    QComboBox* combo2() const { return child<QComboBox>("Combo2"); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }

    void selectService(int index);
    void dropText(QWidget* target, const QString& text);
    QStringList checkedServices() const;
    QStringList comboEntries(QComboBox* combo) const;
    // Runs `choose` on the pop-up menu that the next action opens.
    void whenMenuPopsUp(std::function<void(QMenu*)> choose);

    std::filesystem::path dataDirectory;
    StandInLauncher browser;
    QueuedMessageBoxes boxes;
    std::unique_ptr<Form1> form;
};

}  // namespace nolvetta::ui::testing
