// SDL, loaded when the sound device is first opened rather than with the
// program. SDL brings some twenty libraries of its own (X11 extensions,
// Wayland, PulseAudio, ALSA, libsndfile, FLAC, Opus) that the window does not
// need before it is on the screen; loading them and looking up their symbols
// at start cost the start-up several milliseconds. The audio-only calls this
// program makes are looked up once.
#pragma once

#include <SDL.h>

namespace zirpel {

struct SdlLibrary {
    decltype(&::SDL_SetHint) SetHint;
    decltype(&::SDL_InitSubSystem) InitSubSystem;
    decltype(&::SDL_QuitSubSystem) QuitSubSystem;
    decltype(&::SDL_WasInit) WasInit;
    decltype(&::SDL_Quit) Quit;
    decltype(&::SDL_OpenAudioDevice) OpenAudioDevice;
    decltype(&::SDL_PauseAudioDevice) PauseAudioDevice;
    decltype(&::SDL_LockAudioDevice) LockAudioDevice;
    decltype(&::SDL_UnlockAudioDevice) UnlockAudioDevice;
    decltype(&::SDL_CloseAudioDevice) CloseAudioDevice;
};

// Loads libSDL2 and its functions the first time (thread-safe; the library
// stays loaded until the program ends). Null when it cannot be loaded.
const SdlLibrary* LoadSdl();

}  // namespace zirpel
