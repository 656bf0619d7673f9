// Reading the audio files the WAV reader does not take (WAV of other sample
// widths, WAVE_FORMAT_EXTENSIBLE, more channels, compressed WAV, FLAC, Ogg
// Vorbis, Opus, AIFF, ...) through libsndfile, as an ordinary clip: 16 bit,
// the file's rate, mono or stereo (see PcmConversion.h for the rounding and
// the down-mix). MP3 data is refused here: MP3 files open through the MP3
// import alone.
#pragma once

#include <string>
#include <vector>

#include "clip/Clip.h"
#include "clip/LongTask.h"

namespace zirpel {

struct SoundFileRead {
    bool ok = false;
    Clip clip;
    // What was changed on the way, for the user: "24 Bit → 16 Bit",
    // "6 Kanäle → Stereo".
    std::vector<std::string> conversions;
};

// Reads the regular file `fileName` (anything else is refused before the
// first read). `dither`: triangular dither when rounding to 16 bit.
// Progress goes to the task; a file longer than a clip may be is refused.
SoundFileRead ReadSoundFile(const std::string& fileName, bool dither, LongTask& task);

}  // namespace zirpel
