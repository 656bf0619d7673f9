#include "codec/SoundFileLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace zirpel {

namespace {

template <typename F>
bool Find(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(::dlsym(library, name));
    return function != nullptr;
}

const SoundFileLibrary* Load() {
    static SoundFileLibrary sf{};
    void* library = ::dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    const bool all = Find(library, "sf_open_fd", sf.open_fd) && Find(library, "sf_close", sf.close) &&
                     Find(library, "sf_command", sf.command) &&
                     Find(library, "sf_readf_short", sf.readf_short) &&
                     Find(library, "sf_readf_double", sf.readf_double);
    if (!all) {
        ::dlclose(library);
        return nullptr;
    }
    return &sf;
}

}  // namespace

const SoundFileLibrary* LoadSoundFileLibrary() {
    static std::once_flag once;
    static const SoundFileLibrary* loaded = nullptr;
    std::call_once(once, [] { loaded = Load(); });
    return loaded;
}

}  // namespace zirpel
