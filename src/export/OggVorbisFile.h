// Saving the clip as an Ogg Vorbis file through libvorbis.
//
// libvorbis is used directly rather than through libsndfile: only its own
// interface takes a nominal bit rate (libsndfile offers a quality level
// alone), and writing the pages ourselves sends them through the same
// ByteSink / SafeFile as the WAV and MP3 saves.
//
// The encoder is set up as `oggenc -b N` does it: a nominal bit rate with
// the encoder's hard bit-rate management turned off, so the quality
// follows the nominal rate. Not every nominal rate exists for every output
// rate and channel count (a stereo file at 44100 Hz cannot be made at
// 8 kbit/s): the nearest rate the encoder accepts is taken and reported.
//
// When the output rate differs from the clip's, the samples are resampled
// with libsamplerate's best sinc converter before encoding: Vorbis has no
// resampler of its own, and the best converter keeps the band clean of
// aliasing (the cost, a few seconds for a song, is paid only when the
// rate changes).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "clip/Clip.h"
#include "clip/LongTask.h"
#include "export/SaveClip.h"
#include "wave/ByteSink.h"

namespace zirpel {

// The nominal bit rate in kbit/s nearest to `kbps` that the encoder accepts
// for the channel count and rate (the requested one when it is accepted;
// the higher of two equally near ones), or nullopt when it accepts none.
std::optional<std::int32_t> NearestVorbisBitRate(int channels, std::int32_t rate, std::int32_t kbps);

struct OggSaveResult {
    SaveStatus status = SaveStatus::Saved;
    std::int32_t bitRate = 0;  // the nominal rate used, kbit/s (0 when none)
};

// Encodes the clip as Ogg Vorbis at `outputRate` and the nominal bit rate
// nearest `bitRate` (kbit/s) into `out`, mono or stereo as the clip is.
// Progress in percent of the clip; `stopped` (if set) is asked between
// blocks and ends the save with Stopped. VorbisInitFailed when no
// setting fits (or the rate cannot be converted), CannotWrite when `out`
// refuses bytes. A stream without samples would not open again: a clip
// with a rate but no frames gives EmptyOggClip before anything is written,
// one that converts to no samples at the output rate OggTooShort.
OggSaveResult EncodeClipToOggVorbis(const ClipSpan& clip, std::int32_t outputRate, std::int32_t bitRate,
                                    ByteSink& out, LongTask& task,
                                    const std::function<bool()>& stopped = {});

// The same into the named file, through a safe file: nothing replaces the
// file unless the whole encoding succeeded. CannotCreate when the file
// cannot be created.
OggSaveResult SaveClipAsOggVorbisFile(const std::string& fileName, const ClipSpan& clip,
                                      std::int32_t outputRate, std::int32_t bitRate, LongTask& task,
                                      const std::function<bool()>& stopped = {});

}  // namespace zirpel
