// The real audio device: SDL audio, which on a desktop reaches PipeWire,
// PulseAudio or ALSA (SDL_AUDIODRIVER picks another driver, for instance
// "dummy" or "disk" in tests).
#pragma once

#include <memory>

#include "playback/SoundBuffer.h"

namespace zirpel {

// Initialises SDL's audio subsystem and opens the default output device for
// 16-bit stereo at 44100 Hz. NoDriver when no device can be opened; `out`
// is then empty and SDL is left as it was.
SoundResult CreateSdlSoundDevice(std::unique_ptr<SoundDevice>& out);

}  // namespace zirpel
