#include "playback/SdlLibrary.h"

#include <mutex>

#include "clip/RuntimeLibrary.h"

namespace zirpel {

namespace {

const SdlLibrary* Load() {
    // The runtime package's name of the library (its soname), as linking
    // against it would have recorded.
    RuntimeLibrary library("libSDL2-2.0.so.0");
    static SdlLibrary sdl;
    const bool complete = library.opened() && library.resolve("SDL_SetHint", sdl.SetHint) &&
                          library.resolve("SDL_InitSubSystem", sdl.InitSubSystem) &&
                          library.resolve("SDL_QuitSubSystem", sdl.QuitSubSystem) &&
                          library.resolve("SDL_WasInit", sdl.WasInit) && library.resolve("SDL_Quit", sdl.Quit) &&
                          library.resolve("SDL_OpenAudioDevice", sdl.OpenAudioDevice) &&
                          library.resolve("SDL_PauseAudioDevice", sdl.PauseAudioDevice) &&
                          library.resolve("SDL_LockAudioDevice", sdl.LockAudioDevice) &&
                          library.resolve("SDL_UnlockAudioDevice", sdl.UnlockAudioDevice) &&
                          library.resolve("SDL_CloseAudioDevice", sdl.CloseAudioDevice);
    if (!complete) {
        library.close();
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
