#pragma once

#include <QLineEdit>

class QMimeData;

namespace nolvetta::ui {

// A one-line text box that reports its key presses, its focus and, when it
// takes drops, the dropped text: the box itself inserts nothing on a drop.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    // Accept dropped plain text and hand it to textDropped(). Whether the box
    // is the source of a drag of its own text is QLineEdit's dragEnabled.
    void setTakesTextDrops(bool takes);
    // Also accept whole messages: message data, or a saved message (.eml)
    // among dropped files, which then come before the text.
    void setTakesMessageDrops(bool takes);

signals:
    // Emitted before the box handles the key itself.
    void keyDown(int key);
    void gotFocus();
    void textDropped(const QString& text);
    void messageDropped(const QByteArray& message);
    void messageFileDropped(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    enum class Drop { Refused, Text, Message, MessageFile };
    Drop kindOf(const QMimeData* data) const;
    void answerDrag(QDragMoveEvent* event);

    bool takesTextDrops_ = false;
    bool takesMessageDrops_ = false;
};

}  // namespace nolvetta::ui
