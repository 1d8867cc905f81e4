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

class DesktopMessageBoxes : public MessageBoxes {
public:
    void inform(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
};

}  // namespace nolvetta::ui
