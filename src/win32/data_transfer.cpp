// Text into the window and out of it: drops on its fields, the drag of a
// field's selected text, the clipboard.
#include <windows.h>
// After windows.h, which they need.
#include <ole2.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "win32/drag_drop.h"
#include "win32/main_window.h"
#include "win32/main_window_parts.h"

namespace nolvetta::win32 {

namespace {

using form::Control;

}  // namespace

// One drop target for the whole window: whichever of its windows a drag
// finds under the pointer, a frame's too, the field there takes the drop.
void MainWindow::acceptDrops() {
    auto* target = new DropTarget(
        [this](POINTL at, const form::DropOffer& offer) {
            bool takes = false;
            guarded([&] {
                const std::optional<Control> field = dropFieldAt(at);
                takes = field && form_->takesDrop(*field, offer);
            });
            return takes;
        },
        [this](POINTL at, form::DroppedData& data) {
            guarded([&] {
                if (const std::optional<Control> field = dropFieldAt(at)) {
                    form_->dropped(*field, data);
                }
            });
        });
    if (SUCCEEDED(RegisterDragDrop(window_, target))) {
        dropTarget_ = target;
    } else {
        target->Release();
        std::fputs("!Nolvetta: the window takes no drops (OLE is not ready)\n", stderr);
    }
}

// The field that takes drops under a point of the screen, if any.
std::optional<Control> MainWindow::dropFieldAt(POINTL at) const {
    POINT point{at.x, at.y};
    ScreenToClient(window_, &point);
    RECT client{};
    GetClientRect(window_, &client);
    if (!PtInRect(&client, point)) {
        return std::nullopt;
    }
    for (const form::ControlRow& row : form::controls()) {
        const RECT place = placeOf(handle(row.id));
        if (row.takesDrops && IsWindowVisible(handle(row.id)) && PtInRect(&place, point)) {
            return row.id;
        }
    }
    return std::nullopt;
}

// A press on the selected text of a field that has the focus drags a copy of
// it; a press that does not move puts the caret there.
bool MainWindow::dragSelection(HWND field, LPARAM at) {
    DWORD start = 0, end = 0;
    SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    const DWORD place = LOWORD(SendMessageW(field, EM_CHARFROMPOS, 0, at));
    if (GetFocus() != field || start == end || place < start || place >= end) {
        return false;
    }
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    ClientToScreen(field, &point);
    if (!DragDetect(field, point)) {
        SendMessageW(field, EM_SETSEL, place, place);
        return true;
    }
    const std::u16string text = windowText(field).substr(start, end - start);
    ComPtr<IDataObject> data(new DataObject({{CF_UNICODETEXT, unicodeTextForm(text)}}));
    ComPtr<IDropSource> source(new DropSource);
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data.get(), source.get(), DROPEFFECT_COPY, &effect);
    return true;
}

void MainWindow::setClipboard(std::u16string_view text) {
    // Another program may hold the clipboard for a moment.
    bool open = false;
    for (int attempt = 0; attempt < 20 && !(open = OpenClipboard(window_) != FALSE); ++attempt) {
        Sleep(10);
    }
    if (!open) {
        std::fprintf(stderr, "!Nolvetta: the clipboard is in use by another program\n");
        return;
    }
    EmptyClipboard();
    const std::string bytes = unicodeTextForm(text);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size())) {
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(GlobalLock(memory)));
        GlobalUnlock(memory);
        if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

}  // namespace nolvetta::win32
