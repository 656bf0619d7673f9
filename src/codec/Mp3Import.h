// MP3 import: collecting the MP3 formats the installed codecs offer, and
// converting an MP3 file into a 16-bit PCM WAV file through the stream
// convertor, block by block, with progress.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codec/ACMConvertor.h"
#include "codec/Acm.h"
#include "codec/FormatBlock.h"
#include "codec/Mp3DataStart.h"

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

// The 44-byte header of the converted file: "RIFF", riffSize, "WAVE", a
// 16-byte "fmt " chunk with `fmt16`, "data", dataSize.
std::array<std::uint8_t, 44> BuildWaveHeader(const std::uint8_t* fmt16, std::uint32_t riffSize,
                                             std::uint32_t dataSize);

// What the conversion needs from its owner.
struct Mp3ConversionContext {
    TACMConvertor& mp3wav;
    const std::vector<FormatBlock>& FMP3Formats;
    std::int32_t FMP3FormatCount = 0;
    // The stop signal: cleared at the start, looked at before every block.
    bool& FStopRequested;
    std::function<void(std::int32_t percent)> SetProStatus;
    std::function<void()> ProcessEvents;
    // Shows one of the conversion's own messages (error icon, no caption).
    std::function<void(const std::string& text)> ShowError;
};

enum class Mp3ConvertResult {
    Converted,              // the whole file went through the codec
    Stopped,                // the stop signal ended it early; the WAV file is well-formed
    SourceNotOpened,        // "Konnte Datei nicht öffnen!" was shown
    DestinationNotCreated,  // "Konnte Ausgabedatei nicht erstellen!" was shown
    NoFrameHeader,          // no MPEG frame header anywhere: the WAV file stays empty
};

// Converts `mp3Name` into `wavName`. EACMConvertor (the codec refuses the
// stream or its reset) and EInOutError (a RIFF wrapper cut short) escape to
// the caller; before they do, both files are closed, the WAV file is deleted
// and a convertor activated here is made inactive again. Neither file is
// held in memory as a whole.
Mp3ConvertResult ConvertMP3WAV(const std::string& mp3Name, const std::string& wavName,
                               Mp3ConversionContext& context);

}  // namespace zirpel
