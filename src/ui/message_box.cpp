#include "ui/message_box.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <utility>

#include "form/captions.h"
#include "ui/qt_text.h"

namespace nolvetta::ui {

namespace captions = form::captions;

namespace {

std::function<QAbstractButton*(QMessageBox&)> testAnswer;

// Its text can be selected and copied from the keyboard too (the address of
// a page that would not open, say), and it is wide enough for its title; it
// still grows with its text as Qt sizes it.
void showModal(QMessageBox& box) {
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Qt lets only a click into the text; Tab reaches it too, and Ctrl+C
    // copies what is selected of it, or all of it.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label->setFocusPolicy(Qt::StrongFocus);
        auto* copy = new QAction(&box);
        copy->setShortcut(QKeySequence::Copy);
        QObject::connect(copy, &QAction::triggered, label, [label] {
            QApplication::clipboard()->setText(label->hasSelectedText() ? label->selectedText()
                                                                        : label->text());
        });
        box.addAction(copy);
    }
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const QFontMetrics metrics(box.font());
        const int titleWidth =
            metrics.horizontalAdvance(box.windowTitle()) + 16 * metrics.averageCharWidth();
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (!testAnswer) {
        box.exec();
        return;
    }
    box.show();  // laid out as for exec(), whose modal loop a test has no use for
    if (QAbstractButton* pressed = testAnswer(box)) {
        pressed->click();
    }
}

}  // namespace

void answerBoxesWith(std::function<QAbstractButton*(QMessageBox&)> answer) {
    testAnswer = std::move(answer);
}

void showMessage(QWidget* parent, std::u16string_view text) {
    QMessageBox box(QMessageBox::NoIcon, toQt(captions::AppTitle), toQt(text),
                    QMessageBox::NoButton, parent);
    box.setDefaultButton(box.addButton(toQt(captions::ButtonOk), QMessageBox::AcceptRole));
    showModal(box);
}

// いいえ is the default, so that Enter pressed by mistake changes nothing.
bool askYesNo(QWidget* parent, std::u16string_view question) {
    QMessageBox box(QMessageBox::NoIcon, toQt(captions::AppTitle), toQt(question),
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(toQt(captions::ButtonYes), QMessageBox::YesRole);
    QPushButton* no = box.addButton(toQt(captions::ButtonNo), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    showModal(box);
    return box.clickedButton() == yes;
}

}  // namespace nolvetta::ui
