#include <windows.h>

#include <string>

#include "message_files.h"

namespace nolvetta::testsupport {

// A pipe with a server that never writes, and a device: opening either as a
// file would wait for ever or read without end.
std::vector<std::filesystem::path> makeSpecialFiles(const std::filesystem::path&) {
    const std::wstring pipe =
        L"\\\\.\\pipe\\nolvetta-test-" + std::to_wstring(GetCurrentProcessId());
    // Left open for the rest of the run.
    CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, PIPE_UNLIMITED_INSTANCES, 0,
                     0, 0, nullptr);
    return {pipe, "\\\\.\\NUL", "CONIN$"};
}

}  // namespace nolvetta::testsupport
