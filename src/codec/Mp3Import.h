// MP3 import: collecting the MP3 formats the installed codecs offer, and
// converting an MP3 file into a 16-bit PCM WAV file through the stream
// convertor, block by block, with progress.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec/ACMConvertor.h"
#include "codec/ByteSource.h"
#include "codec/Acm.h"
#include "codec/FormatBlock.h"
#include "codec/Mp3DataStart.h"
#include "codec/PcmTarget.h"
#include "codec/TempWaveFile.h"
#include "clip/Clip.h"
#include "clip/LongTask.h"
#include "clip/Notice.h"

namespace zirpel {

// Called for each format of the driver being enumerated: keeps a copy of
// every MPEG layer-3 format (tag 85) as a new slot of the list.
bool ACMEnumFmtMethod(const acm::ACMFORMATDETAILS& details, std::vector<FormatBlock>& FMP3Formats,
                      std::int32_t& FMP3FormatCount);

// Called for each installed driver, disabled ones included: opens it, lists
// its formats through ACMEnumFmtMethod, closes it and lets events run once.
bool ACMEnumDrvrMethod(acm::HACMDRIVERID driverId, std::vector<FormatBlock>& FMP3Formats,
                       std::int32_t& FMP3FormatCount, const std::function<void()>& processEvents);

// Runs ACMEnumDrvrMethod over every driver of `registry`.
void EnumerateMp3Formats(const acm::AcmRegistry& registry, std::vector<FormatBlock>& FMP3Formats,
                         std::int32_t& FMP3FormatCount, const std::function<void()>& processEvents);

// Sets the convertor's destination format (16-bit PCM, same channels and
// rate) and source format (MPEG layer 3 at the bit rate), then copies over
// the source format every slot of the list that matches channels, rate,
// bits per sample and average byte rate: the last match wins.
void SetConversionFormats(TACMConvertor& mp3wav, const Mp3StreamFormat& format,
                          const std::vector<FormatBlock>& FMP3Formats, std::int32_t FMP3FormatCount);

// The codec side of a conversion: the convertor and the MP3 formats the
// installed codecs offer (both owned by the main window).
struct Mp3Codec {
    TACMConvertor& mp3wav;
    const std::vector<FormatBlock>& FMP3Formats;
    std::int32_t FMP3FormatCount = 0;
    // Pieces a long file may be decoded in at once: 0 for one per core, 1
    // for a single decoder.
    int pieces = 0;
};

enum class Mp3ConvertResult {
    Converted,              // the whole file went through the codec
    Stopped,                // the stop signal ended it early; the WAV file is well-formed,
                            // or gone when the stop came before the first frame was found
    SourceNotOpened,        // the MP3 file could not be opened; nothing was written
    DestinationNotCreated,  // the temporary WAV file could not be created
    CannotWrite,            // writing the temporary WAV file failed (a full disk); it is deleted
    NoFrameHeader,          // no MPEG frame header anywhere: the WAV file stays empty
    TooLong,                // the samples passed what one clip can hold; the file is deleted
};

// The conversion's own message for a result (empty for the others): a box
// with the error icon and no caption of its own.
Notice NoticeFor(Mp3ConvertResult result);

// Converts `mp3Name` into `wav`, which it creates (Create()) after the
// source has been opened and writes through its descriptor. The task gets
// progress 0..100, a Pump after every block, and is asked to stop before
// every block (ClearStop at the start); the search for the first frame lets
// events run and looks at the stop request too. A long file whose frames
// allow it is decoded in pieces on several cores (Mp3Pieces.h) to the same
// bytes; the task then gets progress and a Pump about every 10 ms, and a
// stop keeps the leading part that was done. On Converted (and Stopped
// during the conversion) the file holds a complete WAV file; after
// NoFrameHeader it is empty; after the other results it has been discarded.
// EACMConvertor (the codec refuses the stream or its reset) and EInOutError
// (a RIFF wrapper cut short) escape to the caller; before they do, the
// source is closed, `wav` is discarded and a convertor activated here is
// made inactive again. Neither file is held in memory as a whole.
// The conversion ends with TooLong as soon as the samples pass `clipLimit`
// bytes, instead of decoding a rest no clip could hold.
Mp3ConvertResult ConvertMP3WAV(const std::string& mp3Name, PcmTarget& wav, Mp3Codec& codec,
                               LongTask& task, std::int64_t clipLimit = kMaxClipBytes);

// The same from a source already open (taken over and closed here), from
// the creation of `wav` on; the caller has cleared the stop request and
// reported progress 0. For the fuzzer and tests that hold the bytes in memory.
Mp3ConvertResult ConvertMp3Source(std::unique_ptr<ByteSource> source, PcmTarget& wav, Mp3Codec& codec,
                                  LongTask& task, std::int64_t clipLimit = kMaxClipBytes);

}  // namespace zirpel
