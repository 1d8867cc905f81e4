#pragma once

class QWidget;

namespace nolvetta::ui {

// Keeps the window above all others, or lets it go, keeping its place and
// size and showing it. False where the desktop cannot do it.
bool keepOnTop(QWidget& window, bool onTop);

}  // namespace nolvetta::ui
