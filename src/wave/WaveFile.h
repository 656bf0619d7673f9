// Reading and writing uncompressed RIFF/WAVE PCM files (8 or 16 bit, mono or
// stereo). Neither side shows anything or throws; callers turn the status
// into a message.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "clip/Clip.h"
#include "wave/ByteSink.h"

namespace zirpel {

enum class WaveStatus {
    Ok,
    CannotOpen,         // missing, unreadable, or not a regular file
    NotWave,            // no RIFF/WAVE form at all
    MissingChunk,       // no "fmt " or "data" chunk where they belong
    UnsupportedFormat,  // not PCM, not 1 or 2 channels, not 8 or 16 bit, rate 0 or too large
    BadData,            // empty, larger than the file, or larger than a clip may be
    ReadError,          // the file could not be read to the end
    OutOfMemory,
};

// A clip read from disk: the data chunk's bytes exactly as stored and the
// format from the "fmt " chunk. `clip` is empty unless ok().
struct WaveRead {
    WaveStatus status = WaveStatus::CannotOpen;
    Clip clip;
    bool ok() const { return status == WaveStatus::Ok; }
};

// Reads a WAV file by name. Anything that is not a regular file (a folder,
// a FIFO, a device) is refused before the first read, so nothing can block.
WaveRead ReadWaveFile(const std::string& fileName);

// Reads a WAV file from an open descriptor, from its start. The descriptor
// stays open and belongs to the caller. Used to read back a temporary file
// through what was created, never by name.
WaveRead ReadWaveFile(int fd);

// The same, reading the audio into `room` when it holds at least the data
// chunk's size (it is cut to that size; its pages are already touched, so
// the read does not wait for fresh memory), else into new memory.
WaveRead ReadWaveFile(int fd, std::vector<std::uint8_t> room);

// The 16-byte PCM format block of the "fmt " chunk for a clip format.
std::array<std::uint8_t, 16> PcmFormatBlock(const ClipFormat& format);

// The canonical 44-byte header: "RIFF", riffSize, "WAVE", a 16-byte "fmt "
// chunk holding `fmt16`, "data", dataSize.
std::array<std::uint8_t, 44> BuildWaveHeader(const std::uint8_t* fmt16, std::uint32_t riffSize,
                                             std::uint32_t dataSize);

// Writes the header followed by the clip's bytes and, when their number is
// odd, one zero pad byte. False on bad arguments (negative size, rate 0) or
// when `out` refuses bytes.
bool WriteWaveFile(ByteSink& out, const ClipSpan& clip);

// The same into the named file, created or truncated. A partly written file
// is left as it is; the program's saves go through a safe file instead.
bool WriteWaveFile(const std::string& fileName, const ClipSpan& clip);

}  // namespace zirpel
