#pragma once

#include <functional>
#include <string_view>

class QAbstractButton;
class QMessageBox;
class QWidget;

// The program's message boxes, the same in every window of it.
namespace nolvetta::ui {

void showMessage(QWidget* parent, std::u16string_view text);
// True only for はい.
bool askYesNo(QWidget* parent, std::u16string_view question);

// For tests only: while set, each box is built and shown as the user would
// see it, then handed to `answer` instead of waiting in a modal loop; the
// button it returns is pressed (none: the box closes unanswered, which
// askYesNo takes for いいえ).
void answerBoxesWith(std::function<QAbstractButton*(QMessageBox&)> answer);

}  // namespace nolvetta::ui
