// The Windows program: one window for each data folder, its lists saved
// whatever ends it.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <filesystem>

#include "form/captions.h"
#include "launcher/launcher.h"
#include "message/reader.h"
#include "store/program_path.h"
#include "win32/main_window.h"
#include "win32/message_box.h"
#include "win32/single_instance.h"
#include "win32/wide_text.h"

namespace {

// The message file to act on, as an absolute path: a running copy may be
// handed it.
std::filesystem::path fileOfTheCommandLine() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::filesystem::path file;
    if (arguments != nullptr && count > 1) {
        std::error_code error;
        file = std::filesystem::absolute(arguments[1], error);
        if (error) {
            file = arguments[1];
        }
    }
    LocalFree(arguments);
    return file;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    namespace store = nolvetta::store;
    namespace win32 = nolvetta::win32;
    namespace captions = nolvetta::form::captions;
    const std::filesystem::path file = fileOfTheCommandLine();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // Drops and drags need OLE on the window's thread.
    const bool ole = SUCCEEDED(OleInitialize(nullptr));

    const auto dataDirectory =
        store::chooseDataDirectory(store::programDirectory(), store::userDataDirectory());
    const win32::SingleInstance instance(dataDirectory);
    // Two copies would each save their own lists: one that does not answer
    // is said to, and this start ends.
    if (instance.anotherIsRunning()) {
        if (instance.bringAnotherToFront(file)) {
            return 0;
        }
        const std::u16string text =
            captions::format(captions::CopyDoesNotAnswer, {captions::named(dataDirectory)});
        const std::u16string_view ok[] = {captions::ButtonOk};
        HWND open = nullptr;
        win32::showMessageBox(nullptr, nullptr, text, ok, 0, open);
        return 1;
    }
    auto launcher = nolvetta::launcher::makeSystemLauncher();
    auto reader = nolvetta::message::makeSystemReader();
    win32::MainWindow window(*launcher, *reader, dataDirectory, instance.key());
    if (!window.isOpen()) {
        MessageBoxW(nullptr, win32::wide(captions::CannotCreateWindow).c_str(),
                    win32::wide(captions::AppTitle).c_str(), MB_ICONERROR);
        return 1;
    }
    window.form().load();
    if (!file.empty() && window.isOpen()) {
        window.form().openMessageFile(file);
    }
    MSG message{};
    while (window.isOpen() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        window.dispatch(message);
    }
    if (ole) {
        OleUninitialize();
    }
    return 0;
}
