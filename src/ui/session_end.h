#pragma once

class QWidget;

namespace nolvetta::ui {

// Termination signals and the session manager's logout close the window as
// the user's close request does, so its data is saved on the way out.
void closeOnSessionEnd(QWidget& window);

}  // namespace nolvetta::ui
