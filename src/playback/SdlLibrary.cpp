#include "playback/SdlLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace zirpel {

namespace {

template <typename F>
bool Find(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(::dlsym(library, name));
    return function != nullptr;
}

const SdlLibrary* Load() {
    static SdlLibrary sdl{};
    void* library = ::dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    const bool all = Find(library, "SDL_SetHint", sdl.SetHint) &&
                     Find(library, "SDL_InitSubSystem", sdl.InitSubSystem) &&
                     Find(library, "SDL_QuitSubSystem", sdl.QuitSubSystem) &&
                     Find(library, "SDL_WasInit", sdl.WasInit) && Find(library, "SDL_Quit", sdl.Quit) &&
                     Find(library, "SDL_OpenAudioDevice", sdl.OpenAudioDevice) &&
                     Find(library, "SDL_PauseAudioDevice", sdl.PauseAudioDevice) &&
                     Find(library, "SDL_LockAudioDevice", sdl.LockAudioDevice) &&
                     Find(library, "SDL_UnlockAudioDevice", sdl.UnlockAudioDevice) &&
                     Find(library, "SDL_CloseAudioDevice", sdl.CloseAudioDevice);
    // A library without one of them is not the SDL 2 this was built for.
    if (!all) {
        ::dlclose(library);
        return nullptr;
    }
    return &sdl;
}

}  // namespace

const SdlLibrary* LoadSdl() {
    static std::once_flag once;
    static const SdlLibrary* loaded = nullptr;
    std::call_once(once, [] { loaded = Load(); });
    return loaded;
}

}  // namespace zirpel
