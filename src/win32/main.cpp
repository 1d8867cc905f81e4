// The Windows program: one window for each data folder, its lists saved
// whatever ends it.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "form/captions.h"
#include "form/command_line.h"
#include "form/list_tsv.h"
#include "launcher/launcher.h"
#include "message/reader.h"
#include "store/program_path.h"
#include "win32/main_window.h"
#include "win32/message_box.h"
#include "win32/single_instance.h"
#include "win32/user_folders.h"
#include "win32/wide_text.h"

namespace {

namespace fs = std::filesystem;
namespace form = nolvetta::form;

form::CommandLine commandLine() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<fs::path> given;
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        given.emplace_back(arguments[i]);
    }
    LocalFree(arguments);
    std::error_code error;
    return form::commandLineOf(given, fs::current_path(error));
}

bool isOpen(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The list printed for a script, as on Linux: to the handles the program
// was given (a pipe, a file), else to the console of the program that
// started it, which is told to show UTF-8 meanwhile. The exit status.
int printNewsletterList(const form::CommandLine& line, const fs::path& dataDirectory) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const bool outGiven = isOpen(out), errorGiven = isOpen(GetStdHandle(STD_ERROR_HANDLE));
    UINT codePage = 0;
    if ((!outGiven || !errorGiven) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        codePage = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
        if (!outGiven) {
            out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
        }
        if (!errorGiven) {
            std::freopen("CONOUT$", "w", stderr);
        }
    }
    const int fd = isOpen(out) ? _open_osfhandle(reinterpret_cast<intptr_t>(out), _O_BINARY) : -1;
    std::FILE* file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    const nolvetta::win32::MailHomes homes = nolvetta::win32::mailHomes();
    const int status = file == nullptr ? 2
                                       : form::printNewsletterList(
                                             line.paths, dataDirectory, homes.home, homes.dataHome,
                                             *nolvetta::message::makeSystemReader(), file);
    if (codePage != 0) {
        SetConsoleOutputCP(codePage);
    }
    return status;
}

// The newsletter list's window on the paths given (on every store found
// when none is): Windows has no list window yet, and the main window opens
// alone.
void openNewsletterList(nolvetta::win32::MainWindow&, const std::vector<fs::path>&) {}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    namespace store = nolvetta::store;
    namespace win32 = nolvetta::win32;
    namespace captions = nolvetta::form::captions;
    const form::CommandLine line = commandLine();
    const auto dataDirectory =
        store::chooseDataDirectory(store::programDirectory(), store::userDataDirectory());
    if (line.printsList()) {
        return printNewsletterList(line, dataDirectory);
    }
    const fs::path file = line.messageFile();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // Drops and drags need OLE on the window's thread.
    const bool ole = SUCCEEDED(OleInitialize(nullptr));
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
    if (line.list && window.isOpen()) {
        openNewsletterList(window, line.paths);
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
