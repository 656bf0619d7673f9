// Where the audio of an MP3 file begins and which stream format its first
// frame header announces: the plain MPEG frame header, an ID3v2 tag in
// front (with optional zero padding), leading zero bytes, junk before the
// first frame, and MP3 data wrapped in a RIFF/WAVE file.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>

#include "codec/ByteSource.h"

namespace zirpel {

// An input/output error that ends the MP3 import, such as a RIFF wrapper
// whose headers are cut short.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The fields of a four-byte MPEG audio frame header.
struct MpegHeaderFields {
    int version = 0;          // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5, 1 reserved
    int layer = 0;            // 1 Layer III, 2 Layer II, 3 Layer I, 0 reserved
    int bitRateIndex = 0;     // 0..15 as stored
    int sampleRateIndex = 0;  // 0..3
    int channelMode = 0;      // 3 single channel, else two channels
};

MpegHeaderFields SplitMpegHeader(const std::uint8_t header[4]);

// Frame sync, a known layer, a usable bit-rate and sample-rate index and a
// known MPEG version. The reserved version value is refused because it names
// no sample rate.
bool IsValidFrameHeader(const std::uint8_t header[4]);

// Bit rate in kbit/s from the MPEG tables (MPEG-1, or the low-sample-rate
// table for any other version), by layer and index 1..14. Indices 0 and 15
// count as 1; layer 0 gives 8.
std::uint32_t MpegBitRateKbps(int version, int layer, int bitRateIndex);

// Sample rate in Hz by version and index 0..2; 0 for the reserved values.
std::uint32_t MpegSampleRate(int version, int sampleRateIndex);

// Bit rates in kbit/s that Layer III offers for the MPEG version of
// `sampleRate` (MPEG-1 rates 32000..48000, otherwise the low-rate table).
const std::array<std::uint32_t, 14>& Layer3BitRatesForRate(std::uint32_t sampleRate);

struct Mp3DataStart {
    bool riffWrapped = false;
    // A valid frame header was found (always true for a RIFF wrapper, whose
    // format comes from its "fmt " chunk).
    bool frameFound = false;
    std::array<std::uint8_t, 4> header{};
    // Position in the file where the data handed to the decoder begins.
    std::uint64_t dataStart = 0;
    // The wrapper's WAVEFORMATEX: the first up to 18 bytes of its "fmt " chunk.
    std::array<std::uint8_t, 18> wrapperFormat{};
};

// Finds the data start. Throws EInOutError when a file that begins "RIFF" is
// too short for its RIFF, form and first chunk headers or its "fmt " data.
Mp3DataStart FindMp3DataStart(ByteSource& source);

struct Mp3StreamFormat {
    bool stereo = false;
    std::uint32_t sampleRate = 0;
    std::uint32_t bitRateKbps = 0;
};

// The stream format from the header found, or from the RIFF wrapper's
// channels, rate and average byte rate.
Mp3StreamFormat DeriveMp3Format(const Mp3DataStart& start);

}  // namespace zirpel
