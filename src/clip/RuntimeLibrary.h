// A shared library opened at run time, for the libraries the program loads
// only when it first needs them. The handle is never closed once every
// function was found: the library stays for the rest of the program.
#pragma once

#include <dlfcn.h>

namespace zirpel {

class RuntimeLibrary {
public:
    explicit RuntimeLibrary(const char* soname) : handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}
    RuntimeLibrary(const RuntimeLibrary&) = delete;
    RuntimeLibrary& operator=(const RuntimeLibrary&) = delete;

    bool Loaded() const { return handle_ != nullptr; }

    // Looks up one function; false (and `function` null) when it is missing.
    template <typename F>
    bool Find(const char* name, F& function) const {
        function = handle_ != nullptr ? reinterpret_cast<F>(::dlsym(handle_, name)) : nullptr;
        return function != nullptr;
    }

    // Gives the library up: one that lacks a function is not the one this
    // program was built for.
    void Close() {
        if (handle_ != nullptr) ::dlclose(handle_);
        handle_ = nullptr;
    }

private:
    void* handle_;
};

}  // namespace zirpel
