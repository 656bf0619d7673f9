#include "playback/SdlLibrary.h"

#include <mutex>

#include "clip/RuntimeLibrary.h"

namespace zirpel {

namespace {

const SdlLibrary* Load() {
    static SdlLibrary sdl{};
    RuntimeLibrary library("libSDL2-2.0.so.0");
    const bool all = library.Find("SDL_SetHint", sdl.SetHint) &&
                     library.Find("SDL_InitSubSystem", sdl.InitSubSystem) &&
                     library.Find("SDL_QuitSubSystem", sdl.QuitSubSystem) &&
                     library.Find("SDL_WasInit", sdl.WasInit) && library.Find("SDL_Quit", sdl.Quit) &&
                     library.Find("SDL_OpenAudioDevice", sdl.OpenAudioDevice) &&
                     library.Find("SDL_PauseAudioDevice", sdl.PauseAudioDevice) &&
                     library.Find("SDL_LockAudioDevice", sdl.LockAudioDevice) &&
                     library.Find("SDL_UnlockAudioDevice", sdl.UnlockAudioDevice) &&
                     library.Find("SDL_CloseAudioDevice", sdl.CloseAudioDevice);
    if (all) return &sdl;
    library.Close();
    return nullptr;
}

}  // namespace

const SdlLibrary* LoadSdl() {
    static std::once_flag once;
    static const SdlLibrary* loaded = nullptr;
    std::call_once(once, [] { loaded = Load(); });
    return loaded;
}

}  // namespace zirpel
