#pragma once

#include <filesystem>
#include <system_error>

#include "store/program_path.h"
#include "system/shared_library.h"

// A module of the program's own: a part whose libraries would otherwise load
// at every start, loaded when first needed. Linux only.
namespace nolvetta::system {

// The table a module's `entry` function returns, from the module `file`
// beside the program (run from its build), else where it is installed;
// nothing when there is none.
template <typename Table>
const Table* loadModule(const char* file, const char* entry) {
    for (const std::filesystem::path& path :
         {store::programDirectory() / file, std::filesystem::path(NOLVETTA_MODULE_DIR) / file}) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) {
            continue;
        }
        const SharedLibrary library(path.c_str());
        const Table* (*table)() = nullptr;
        if (library.find(entry, table)) {
            return table();
        }
    }
    return nullptr;
}

}  // namespace nolvetta::system
