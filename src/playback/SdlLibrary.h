// SDL is loaded when the sound output is first opened, not when the program
// starts: it brings some thirty libraries (the sound servers' clients, codecs
// of their own, the window systems' libraries), whose loading added about
// 5 ms to a start of 40. Opened on a thread of its own (SoundDeviceOpener),
// that work overlaps the window's construction.
#pragma once

#include <SDL.h>

namespace zirpel {

// The entry points the sound device uses.
struct SdlLibrary {
    decltype(&SDL_SetHint) SetHint = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&SDL_WasInit) WasInit = nullptr;
    decltype(&SDL_Quit) Quit = nullptr;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&SDL_LockAudioDevice) LockAudioDevice = nullptr;
    decltype(&SDL_UnlockAudioDevice) UnlockAudioDevice = nullptr;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
};

// The library, loaded on the first call from any thread and kept until the
// program ends; null when it or one of its entry points is missing.
const SdlLibrary* LoadSdlLibrary();

}  // namespace zirpel
