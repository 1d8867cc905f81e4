#include "ui/text_box.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace nolvetta::ui {

namespace {

// Only a real text form counts: Qt would also offer dragged files' URLs as text.
bool holdsPlainText(const QMimeData* data) {
    return data->hasFormat(QStringLiteral("text/plain"));
}

const QString MessageType = QStringLiteral("message/rfc822");

// The first dropped local file that holds a saved message.
QString messageFileOf(const QMimeData* data) {
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() &&
            url.fileName().endsWith(QLatin1String(".eml"), Qt::CaseInsensitive)) {
            return url.toLocalFile();
        }
    }
    return {};
}

}  // namespace

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {
    setAcceptDrops(false);
}

void TextBox::setTakesTextDrops(bool takes) {
    takesTextDrops_ = takes;
    setAcceptDrops(takes);
}

void TextBox::setTakesMessageDrops(bool takes) {
    takesMessageDrops_ = takes;
}

TextBox::Drop TextBox::kindOf(const QMimeData* data) const {
    if (takesMessageDrops_ && data->hasFormat(MessageType)) {
        return Drop::Message;
    }
    if (takesMessageDrops_ && !messageFileOf(data).isEmpty()) {
        return Drop::MessageFile;
    }
    return takesTextDrops_ && holdsPlainText(data) ? Drop::Text : Drop::Refused;
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    emit keyDown(event->key());
    QLineEdit::keyPressEvent(event);
}

void TextBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit gotFocus();
}

// Only what the box takes is accepted; anything else (other files, pictures)
// is refused while still being dragged, so the user sees it will not land.
void TextBox::dragEnterEvent(QDragEnterEvent* event) {
    answerDrag(event);
}

void TextBox::dragMoveEvent(QDragMoveEvent* event) {
    answerDrag(event);
}

void TextBox::answerDrag(QDragMoveEvent* event) {
    if (kindOf(event->mimeData()) != Drop::Refused) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TextBox::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    const Drop kind = kindOf(data);
    if (kind == Drop::Refused) {
        event->ignore();
        return;
    }
    // Always a copy: a move would make the source delete the dragged text.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    switch (kind) {
        case Drop::Message:
            emit messageDropped(data->data(MessageType));
            break;
        case Drop::MessageFile:
            emit messageFileDropped(messageFileOf(data));
            break;
        default:
            emit textDropped(data->text());
    }
}

}  // namespace nolvetta::ui
