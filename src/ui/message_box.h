#pragma once

#include <string_view>

class QWidget;

// The program's message boxes, the same in every window of it.
namespace nolvetta::ui {

void showMessage(QWidget* parent, std::u16string_view text);
// True only for はい.
bool askYesNo(QWidget* parent, std::u16string_view question);

}  // namespace nolvetta::ui
