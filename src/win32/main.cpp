// The Windows program: one window for each data folder, its lists saved
// whatever ends it.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "form/captions.h"
#include "form/command_line.h"
#include "form/list_tsv.h"
#include "launcher/launcher.h"
#include "message/reader.h"
#include "store/program_path.h"
#include "text/utf8.h"
#include "win32/main_window.h"
#include "win32/message_box.h"
#include "win32/single_instance.h"
#include "win32/user_folders.h"
#include "win32/wide_text.h"

namespace {

namespace fs = std::filesystem;
namespace form = nolvetta::form;

// The command line, and the program as it was named there.
form::CommandLine commandLine(std::wstring& program) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<fs::path> given;
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        given.emplace_back(arguments[i]);
    }
    program = arguments != nullptr && count > 0 ? arguments[0] : L"nolvetta";
    LocalFree(arguments);
    std::error_code error;
    return form::commandLineOf(given, fs::current_path(error));
}

bool isOpen(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Where a run without a window writes, as on Linux: to the handles the
// program was given (a pipe, a file), else to the console of the program
// that started it, which is told to show UTF-8 meanwhile.
class Output {
public:
    Output() {
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        const bool outGiven = isOpen(out), errorGiven = isOpen(GetStdHandle(STD_ERROR_HANDLE));
        if ((!outGiven || !errorGiven) && AttachConsole(ATTACH_PARENT_PROCESS)) {
            codePage_ = GetConsoleOutputCP();
            SetConsoleOutputCP(CP_UTF8);
            if (!outGiven) {
                out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
            }
            if (!errorGiven) {
                std::freopen("CONOUT$", "w", stderr);
            }
        }
        const int fd =
            isOpen(out) ? _open_osfhandle(reinterpret_cast<intptr_t>(out), _O_BINARY) : -1;
        file_ = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
        if (_fileno(stderr) >= 0) {
            _setmode(_fileno(stderr), _O_BINARY);  // the same bytes as on Linux, line ends too
        }
    }
    ~Output() {
        if (codePage_ != 0) {
            std::fflush(nullptr);
            SetConsoleOutputCP(codePage_);
        }
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Nothing where there is nowhere to write.
    std::FILE* file() const { return file_; }
    bool write(std::string_view bytes) const {
        return file_ != nullptr &&
               std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size() &&
               std::fflush(file_) == 0;
    }

private:
    std::FILE* file_ = nullptr;
    UINT codePage_ = 0;
};

// --help, --version and a wrong option, answered as Qt answers them on
// Linux, where the list would be printed; the exit status.
int answerTheCommandLine(const std::wstring& program, const std::wstring& option) {
    namespace captions = form::captions;
    using nolvetta::text::toUtf8;
    const Output output;
    if (option == L"-h" || option == L"--help" || option == L"-?" || option == L"--help-all") {
        const std::string help =
            "Usage: " + toUtf8(nolvetta::win32::utf16(program)) + " [options] " +
            toUtf8(captions::CommandLineSyntax) + "\n" + toUtf8(captions::CommandLineDescription) +
            "\n\nOptions:\n  -h, --help     Displays help on commandline options.\n"
            "  -v, --version  Displays version information.\n  --list         " +
            toUtf8(captions::CommandLineList) + "\n  --tsv          " +
            toUtf8(captions::CommandLineTsv) + "\n\nArguments:\n  file           " +
            toUtf8(captions::CommandLineFile) + "\n";
        return output.write(help) ? 0 : 1;
    }
    if (option == L"-v" || option == L"--version") {
        return output.write("Nolvetta " NOLVETTA_VERSION "\n") ? 0 : 1;
    }
    const std::wstring name =
        option.substr(std::min(option.find_first_not_of(L'-'), option.size()));
    std::fprintf(stderr, "Nolvetta: Unknown option '%s'.\n",
                 toUtf8(nolvetta::win32::utf16(name)).c_str());
    return 1;
}

// The list printed for a script, as on Linux; the exit status.
int printNewsletterList(const form::CommandLine& line, const fs::path& dataDirectory) {
    const Output output;
    const nolvetta::win32::MailHomes homes = nolvetta::win32::mailHomes();
    return output.file() == nullptr
               ? 2
               : form::printNewsletterList(line.paths, line.servers,
                                           line.passwordStdin ? stdin : nullptr, dataDirectory,
                                           homes.home, homes.dataHome,
                                           *nolvetta::message::makeSystemReader(), output.file());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    namespace store = nolvetta::store;
    namespace win32 = nolvetta::win32;
    namespace captions = nolvetta::form::captions;
    std::wstring program;
    const form::CommandLine line = commandLine(program);
    if (!line.others.empty()) {
        return answerTheCommandLine(program, line.others.front().wstring());
    }
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
        window.openNewsletterList(line.paths);
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
