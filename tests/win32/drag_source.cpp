// drag_source X Y TEXT: another program's drag of TEXT, dropped at the screen
// point X, Y through the system's drag and drop; exits with the effect
// (DROPEFFECT_NONE if refused), 255 if it could not drag.
#include <windows.h>
// After windows.h, which it needs.
#include <ole2.h>

#include <cwchar>
#include <string>

#include "win32/drag_drop.h"

namespace {

// The pointer is already where it drops: the button comes up at once.
struct DropAtOnce final : nolvetta::win32::ComObject<IDropSource> {
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override { return DRAGDROP_S_DROP; }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4 || FAILED(OleInitialize(nullptr))) {
        return 255;
    }
    SetCursorPos(std::wcstol(argv[1], nullptr, 10), std::wcstol(argv[2], nullptr, 10));
    const std::wstring text = argv[3];
    nolvetta::win32::ComPtr<IDataObject> data(new nolvetta::win32::DataObject(
        {{CF_UNICODETEXT,
          nolvetta::win32::unicodeTextForm(std::u16string(text.begin(), text.end()))}}));
    nolvetta::win32::ComPtr<IDropSource> source(new DropAtOnce);
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result =
        DoDragDrop(data.get(), source.get(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    data.reset();
    source.reset();
    OleUninitialize();
    return result == DRAGDROP_S_DROP || result == DRAGDROP_S_CANCEL ? static_cast<int>(effect)
                                                                    : 255;
}
