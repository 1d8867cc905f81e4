#pragma once

#include <cstdint>

class QWidget;

namespace nolvetta::ui {

// Changes the window's place in the stacking order: 0 not always on top,
// 1 always on top, 2 to the top without changing that state. Any other mode
// changes nothing. Returns non-zero on success.
std::int32_t SetTopMost(QWidget& window, std::int16_t mode);

// False when the program runs inside the development host rather than as
// its own executable.
bool IsStandalone(QWidget& window);

}  // namespace nolvetta::ui
