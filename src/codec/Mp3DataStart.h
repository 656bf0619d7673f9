// Where the audio of an MP3 file begins and which stream format its first
// frame header announces: the plain MPEG frame header, an ID3v2 tag in
// front (with optional zero padding), leading zero bytes, junk before the
// first frame, and MP3 data wrapped in a RIFF/WAVE file.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>

#include "clip/LongTask.h"
#include "codec/BlockScan.h"
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
    // The search was ended by its owner (stop request, or the owner went
    // away while events ran). It then counts as "no frame found": frameFound
    // is false and the other fields say nothing.
    bool stopped = false;
};

// Finds the data start. Throws EInOutError when a file that begins "RIFF" is
// too short for its RIFF, form and first chunk headers or its "fmt " data.
//
// Zero runs and junk are scanned in large blocks. With a `task`, every
// `limits.pumpEveryBytes` scanned (16 MiB) it calls task->Pump() and then
// task->StopRequested(); a Pump() that returns false or a stop request ends
// the search as "no frame found" with `stopped` set.
Mp3DataStart FindMp3DataStart(ByteSource& source, LongTask* task = nullptr,
                              const BlockScanLimits& limits = BlockScanLimits{});

// The same search one byte per step, as the rule reads: the reference that
// the block scan must match on every input (tests and the fuzzer compare
// the two). Slow on long runs of zeros or junk; not for files of users.
Mp3DataStart FindMp3DataStartBytewise(ByteSource& source);

struct Mp3StreamFormat {
    bool stereo = false;
    std::uint32_t sampleRate = 0;
    std::uint32_t bitRateKbps = 0;
};

// The stream format from the header found, or from the RIFF wrapper's
// channels, rate and average byte rate.
Mp3StreamFormat DeriveMp3Format(const Mp3DataStart& start);

}  // namespace zirpel
