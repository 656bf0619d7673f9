#include "playback/SdlLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace zirpel {

namespace {

template <typename F>
bool Resolve(void* handle, const char* name, F& entry) {
    entry = reinterpret_cast<F>(::dlsym(handle, name));
    return entry != nullptr;
}

const SdlLibrary* Load() {
    // The runtime package's name of the library (its soname), as linking
    // against it would have recorded.
    void* handle = ::dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    static SdlLibrary sdl;
    const bool complete = Resolve(handle, "SDL_SetHint", sdl.SetHint) &&
                          Resolve(handle, "SDL_InitSubSystem", sdl.InitSubSystem) &&
                          Resolve(handle, "SDL_QuitSubSystem", sdl.QuitSubSystem) &&
                          Resolve(handle, "SDL_WasInit", sdl.WasInit) &&
                          Resolve(handle, "SDL_Quit", sdl.Quit) &&
                          Resolve(handle, "SDL_OpenAudioDevice", sdl.OpenAudioDevice) &&
                          Resolve(handle, "SDL_PauseAudioDevice", sdl.PauseAudioDevice) &&
                          Resolve(handle, "SDL_LockAudioDevice", sdl.LockAudioDevice) &&
                          Resolve(handle, "SDL_UnlockAudioDevice", sdl.UnlockAudioDevice) &&
                          Resolve(handle, "SDL_CloseAudioDevice", sdl.CloseAudioDevice);
    if (!complete) {
        ::dlclose(handle);
        return nullptr;
    }
    // Never closed: a device may still be open, its thread running SDL's
    // code, while the program ends.
    return &sdl;
}

}  // namespace

const SdlLibrary* LoadSdlLibrary() {
    static std::once_flag once;
    static const SdlLibrary* library = nullptr;
    std::call_once(once, [] { library = Load(); });
    return library;
}

}  // namespace zirpel
