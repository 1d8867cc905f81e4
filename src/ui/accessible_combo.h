#pragma once

class QComboBox;

namespace nolvetta::ui {

// Has screen readers name a combo box by its accessible name, its purpose:
// on Linux Qt would name one after the text it shows. Its list of entries
// stays its child, as in any combo box.
void nameByPurpose(QComboBox& combo);

}  // namespace nolvetta::ui
