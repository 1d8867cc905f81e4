#include "ui/text_box.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

namespace nolvetta::ui {

namespace {

// Only a real text form counts: Qt would also offer dragged files' URLs as text.
bool holdsPlainText(const QMimeData* data) {
    return data->hasFormat(QStringLiteral("text/plain"));
}

}  // namespace

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {
    setAcceptDrops(false);
}

void TextBox::setTakesTextDrops(bool takes) {
    takesTextDrops_ = takes;
    setAcceptDrops(takes);
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    emit keyDown(event->key());
    QLineEdit::keyPressEvent(event);
}

void TextBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit gotFocus();
}

// Only plain text is taken; anything else (files, pictures) is refused while
// still being dragged, so the user sees it will not land.
void TextBox::dragEnterEvent(QDragEnterEvent* event) {
    answerDrag(event);
}

void TextBox::dragMoveEvent(QDragMoveEvent* event) {
    answerDrag(event);
}

void TextBox::answerDrag(QDragMoveEvent* event) {
    if (takesTextDrops_ && holdsPlainText(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TextBox::dropEvent(QDropEvent* event) {
    if (!takesTextDrops_ || !holdsPlainText(event->mimeData())) {
        event->ignore();
        return;
    }
    // Always a copy: a move would make the source delete the dragged text.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit textDropped(event->mimeData()->text());
}

}  // namespace nolvetta::ui
