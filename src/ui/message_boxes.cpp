#include "ui/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

#include "ui/captions.h"

namespace nolvetta::ui {

namespace {

void logMessage(const QString& text) {
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(captions::AppTitle),
                 qUtf8Printable(QString(text)
                                    .replace(QLatin1String("\r\n"), QLatin1String(" "))
                                    .replace(QLatin1Char('\n'), QLatin1Char(' '))));
}

}  // namespace

void DesktopMessageBoxes::inform(QWidget* parent, const QString& text) {
    logMessage(text);
    if (!attended_) {
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, captions::AppTitle, text, QMessageBox::NoButton, parent);
    box.addButton(captions::ButtonOk, QMessageBox::AcceptRole);
    box.exec();
}

bool DesktopMessageBoxes::askYesNo(QWidget* parent, const QString& text) {
    if (!attended_) {
        return false;
    }
    QMessageBox box(QMessageBox::NoIcon, captions::AppTitle, text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(captions::ButtonYes, QMessageBox::YesRole);
    QPushButton* no = box.addButton(captions::ButtonNo, QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return attended_ && box.clickedButton() == yes;
}

void DesktopMessageBoxes::endAttendance() {
    attended_ = false;
    if (QWidget* box = QApplication::activeModalWidget()) {
        box->close();
    }
}

}  // namespace nolvetta::ui
