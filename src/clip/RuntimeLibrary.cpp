#include "clip/RuntimeLibrary.h"

#include <dlfcn.h>

namespace zirpel {

RuntimeLibrary::RuntimeLibrary(const char* soname) : handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}

void* RuntimeLibrary::find(const char* name) const { return handle_ ? ::dlsym(handle_, name) : nullptr; }

void RuntimeLibrary::close() {
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace zirpel
