#pragma once

#include <QString>

class QWidget;

namespace nolvetta::ui {

// The program's message boxes: title "!Nolvetta", Japanese buttons, no icon.
// The window talks to them through this interface so that tests can answer.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A message with an OK button.
    virtual void inform(QWidget* parent, const QString& text) = 0;
    // A question with はい (the default) and いいえ; true for はい.
    virtual bool askYesNo(QWidget* parent, const QString& text) = 0;
};

// Every message also goes to standard error, where a session's log keeps it.
class DesktopMessageBoxes : public MessageBoxes {
public:
    void inform(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text) override;

    // Nobody is there any more to answer: messages go to standard error
    // only, questions are answered いいえ, and an open box goes away.
    void endAttendance();

private:
    bool attended_ = true;
};

}  // namespace nolvetta::ui
