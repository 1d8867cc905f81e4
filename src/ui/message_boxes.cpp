#include "ui/message_boxes.h"

#include <QMessageBox>
#include <QPushButton>

#include "ui/captions.h"

namespace nolvetta::ui {

void DesktopMessageBoxes::inform(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, captions::AppTitle, text, QMessageBox::NoButton, parent);
    box.addButton(captions::ButtonOk, QMessageBox::AcceptRole);
    box.exec();
}

bool DesktopMessageBoxes::askYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, captions::AppTitle, text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(captions::ButtonYes, QMessageBox::YesRole);
    QPushButton* no = box.addButton(captions::ButtonNo, QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace nolvetta::ui
