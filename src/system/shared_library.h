#pragma once

#include <dlfcn.h>

// A system library loaded when first needed rather than linked: a run that
// never needs it pays nothing, and one where it is missing still starts.
// Linux only.
namespace nolvetta::system {

class SharedLibrary {
public:
    // Never closed: a GLib-based library cannot be unloaded safely once its
    // types are registered, and it is loaded at most once per process.
    explicit SharedLibrary(const char* soname) : handle_(dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}

    // Points `function` at the library's symbol `name`; false when the
    // library or the symbol is missing.
    template <typename Function>
    bool find(const char* name, Function& function) const {
        function = handle_ ? reinterpret_cast<Function>(dlsym(handle_, name)) : nullptr;
        return function != nullptr;
    }

private:
    void* handle_;
};

}  // namespace nolvetta::system
