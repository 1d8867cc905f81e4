// drag_source X Y TEXT: another program's drag of TEXT, dropped at the screen
// point X, Y through the system's drag and drop; exits with the effect
// (DROPEFFECT_NONE if refused), 255 if it could not drag. With
// --message=FILE for TEXT, a mail program's drag of the message in FILE: a
// file that exists only as data, its contents a stream.
#include <windows.h>
// After windows.h, which it needs.
#include <ole2.h>
#include <shlobj.h>

#include <cwchar>
#include <string>

#include "scratch.h"
#include "win32/drag_drop.h"

namespace {

// The pointer is already where it drops: the button comes up at once.
struct DropAtOnce final : nolvetta::win32::ComObject<IDropSource> {
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override { return DRAGDROP_S_DROP; }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace nolvetta::win32;
    if (argc != 4 || FAILED(OleInitialize(nullptr))) {
        return 255;
    }
    SetCursorPos(std::wcstol(argv[1], nullptr, 10), std::wcstol(argv[2], nullptr, 10));
    const std::wstring text = argv[3];
    DataObject::Forms forms{
        {CF_UNICODETEXT, unicodeTextForm(std::u16string(text.begin(), text.end()))}};
    if (text.starts_with(L"--message=")) {
        const std::filesystem::path file = text.substr(10);
        FILEGROUPDESCRIPTORW group{1, {}};
        wcscpy(group.fgd[0].cFileName, file.filename().c_str());
        forms = {{fileDescriptorForm(), {reinterpret_cast<const char*>(&group), sizeof group}},
                 {fileContentsForm(), nolvetta::testsupport::readBytes(file)}};
    }
    ComPtr<IDataObject> data(new DataObject(std::move(forms)));
    ComPtr<IDropSource> source(new DropAtOnce);
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result =
        DoDragDrop(data.get(), source.get(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    data.reset();
    source.reset();
    OleUninitialize();
    return result == DRAGDROP_S_DROP || result == DRAGDROP_S_CANCEL ? static_cast<int>(effect)
                                                                    : 255;
}
