// What screen readers are told of the controls, beyond what their captions say.
#include <windows.h>
// Defines the accessibility service's identifiers here.
#include <initguid.h>
#include <oleacc.h>

#include <string>

#include "win32/main_window.h"
#include "win32/main_window_parts.h"
#include "win32/wide_text.h"

namespace nolvetta::win32 {

namespace {

using form::Kind;

}  // namespace

// What a screen reader says of a control, where its caption does not say it.
void MainWindow::describe(HWND window, const GUID& property, std::u16string_view value) {
    if (accessibility_ != nullptr) {
        accessibility_->SetHwndPropStr(window, OBJID_CLIENT, CHILDID_SELF, property,
                                       wide(value).c_str());
    }
}

void MainWindow::describeControl(const form::ControlRow& row, HWND control) {
    HWND focused = row.kind == Kind::ComboBox ? editOf(control) : control;
    if (!row.accessibleName.empty()) {
        describe(focused, PROPID_ACC_NAME, row.accessibleName);
    }
    // A frame that takes the focus is the services' choice: it tells the
    // service it shows.
    if (row.kind == Kind::Frame && row.focusable && accessibility_ != nullptr) {
        VARIANT role{};
        role.vt = VT_I4;
        role.lVal = ROLE_SYSTEM_COMBOBOX;
        accessibility_->SetHwndProp(control, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_ROLE, role);
        describe(control, PROPID_ACC_VALUE, row.caption);
    }
}

}  // namespace nolvetta::win32
