// Reading and writing uncompressed RIFF/WAVE PCM files (8 or 16 bit, mono or
// stereo). Neither routine shows anything or throws; callers report failures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "wave/AudioFormat.h"

namespace zirpel {

// A clip read from disk: the data chunk's bytes exactly as stored, and the
// format from the "fmt " chunk.
struct WaveFileContents {
    std::vector<std::uint8_t> data;
    ClipFormat format;
};

// Reads a RIFF/WAVE PCM file. Returns std::nullopt on any failure (cannot
// open, no RIFF/WAVE chunk, no or short "fmt " chunk, unsupported format,
// sample rate 0, no "data" chunk after "fmt ", empty or truncated data).
// Never throws (allocation failure included) and shows nothing.
std::optional<WaveFileContents> ReadWaveFile(const std::string& fileName);

// Writes the canonical 44-byte-header file followed by `size` bytes of
// `data` and, when `size` is odd, one zero pad byte. An existing file is
// overwritten. Returns false on any failure (bad arguments, cannot create,
// short write, error on close); a partly written file is left as it is.
bool WriteWaveFile(const std::string& fileName, const std::uint8_t* data, std::int32_t size,
                   std::int32_t sampleRate, bool stereo, bool is16Bit);

}  // namespace zirpel
