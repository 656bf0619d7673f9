#include "wave/WaveFile.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include <sys/types.h>

namespace zirpel {
namespace {

using FourCC = std::array<char, 4>;
constexpr FourCC kRiff{'R', 'I', 'F', 'F'};
constexpr FourCC kWave{'W', 'A', 'V', 'E'};
constexpr FourCC kFmt{'f', 'm', 't', ' '};
constexpr FourCC kData{'d', 'a', 't', 'a'};

constexpr std::uint64_t kChunkHeaderSize = 8;
constexpr std::uint32_t kFormatBlockSize = 16;
constexpr std::uint16_t kWaveFormatPcm = 1;

std::uint16_t GetLE16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t GetLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void PutLE16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLE32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

void PutFourCC(std::uint8_t* p, const FourCC& id) { std::memcpy(p, id.data(), 4); }

bool IsFourCC(const std::uint8_t* p, const FourCC& id) {
    return std::memcmp(p, id.data(), 4) == 0;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A chunk located in the file: where its data starts and its declared size.
struct Chunk {
    std::uint64_t dataStart = 0;
    std::uint32_t size = 0;
    // First byte after the chunk's data and pad byte (64-bit: never wraps).
    std::uint64_t PaddedEnd() const { return dataStart + size + (size & 1u); }
};

// Read-only view of a RIFF file: every position is an absolute 64-bit offset
// and every walk moves strictly forward, so malformed sizes can neither wrap
// around nor make a search loop.
class RiffReader {
public:
    explicit RiffReader(std::FILE* f) : file_(f) {}

    bool Open() {
        if (fseeko(file_, 0, SEEK_END) != 0) return false;
        const off_t end = ftello(file_);
        if (end < 0) return false;
        fileSize_ = static_cast<std::uint64_t>(end);
        return true;
    }

    std::uint64_t FileSize() const { return fileSize_; }

    bool ReadAt(std::uint64_t pos, void* buffer, std::size_t count) {
        if (pos > fileSize_ || count > fileSize_ - pos) return false;
        if (pos > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
        if (fseeko(file_, static_cast<off_t>(pos), SEEK_SET) != 0) return false;
        return std::fread(buffer, 1, count, file_) == count;
    }

    // Finds the first top-level "RIFF" chunk whose form type is `form`,
    // skipping any other top-level chunks. The returned chunk's data starts
    // after the form type.
    std::optional<Chunk> FindRiff(const FourCC& form) {
        std::uint64_t pos = 0;
        while (pos + kChunkHeaderSize <= fileSize_) {
            std::uint8_t header[12];
            if (!ReadAt(pos, header, kChunkHeaderSize)) return std::nullopt;
            Chunk c{pos + kChunkHeaderSize, GetLE32(header + 4)};
            if (IsFourCC(header, kRiff) && c.size >= 4 && ReadAt(c.dataStart, header + 8, 4) &&
                IsFourCC(header + 8, form)) {
                return Chunk{c.dataStart + 4, c.size - 4};
            }
            pos = c.PaddedEnd();
        }
        return std::nullopt;
    }

    // Searches forward from `pos` for a chunk called `id` whose header lies
    // inside the parent (which ends at `parentEnd`), skipping other chunks.
    std::optional<Chunk> FindChunk(const FourCC& id, std::uint64_t pos, std::uint64_t parentEnd) {
        const std::uint64_t limit = parentEnd < fileSize_ ? parentEnd : fileSize_;
        while (pos + kChunkHeaderSize <= limit) {
            std::uint8_t header[8];
            if (!ReadAt(pos, header, sizeof header)) return std::nullopt;
            Chunk c{pos + kChunkHeaderSize, GetLE32(header + 4)};
            if (IsFourCC(header, id)) return c;
            pos = c.PaddedEnd();
        }
        return std::nullopt;
    }

private:
    std::FILE* file_;
    std::uint64_t fileSize_ = 0;
};

std::optional<WaveFileContents> ReadWaveFileImpl(const std::string& fileName) {
    FilePtr file(std::fopen(fileName.c_str(), "rb"));
    if (!file) return std::nullopt;
    RiffReader riff(file.get());
    if (!riff.Open()) return std::nullopt;

    const std::optional<Chunk> wave = riff.FindRiff(kWave);
    if (!wave) return std::nullopt;
    const std::uint64_t waveEnd = wave->dataStart + wave->size;

    const std::optional<Chunk> fmt = riff.FindChunk(kFmt, wave->dataStart, waveEnd);
    if (!fmt || fmt->size < kFormatBlockSize) return std::nullopt;
    std::uint8_t block[kFormatBlockSize];
    if (!riff.ReadAt(fmt->dataStart, block, sizeof block)) return std::nullopt;

    const std::uint16_t formatTag = GetLE16(block + 0);
    const std::uint16_t channels = GetLE16(block + 2);
    const std::uint32_t samplesPerSec = GetLE32(block + 4);
    const std::uint16_t bitsPerSample = GetLE16(block + 14);
    if (formatTag != kWaveFormatPcm) return std::nullopt;
    if (channels != 1 && channels != 2) return std::nullopt;
    if (bitsPerSample != 8 && bitsPerSample != 16) return std::nullopt;
    // A rate of 0 would divide by zero wherever durations are computed; a
    // rate that does not fit the clip's signed 32-bit field is no real file.
    if (samplesPerSec == 0 ||
        samplesPerSec > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;

    // "data" is only looked for after the end of "fmt ".
    const std::optional<Chunk> data = riff.FindChunk(kData, fmt->PaddedEnd(), waveEnd);
    if (!data || data->size == 0) return std::nullopt;
    // Refuse impossible sizes before allocating anything.
    if (data->size > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    if (data->dataStart > riff.FileSize() || data->size > riff.FileSize() - data->dataStart)
        return std::nullopt;

    WaveFileContents out;
    out.data.resize(data->size);
    if (!riff.ReadAt(data->dataStart, out.data.data(), out.data.size())) return std::nullopt;
    out.format.sampleRate = static_cast<std::int32_t>(samplesPerSec);
    out.format.stereo = channels == 2;
    out.format.is16Bit = bitsPerSample == 16;
    return out;
}

}  // namespace

std::optional<WaveFileContents> ReadWaveFile(const std::string& fileName) {
    try {
        return ReadWaveFileImpl(fileName);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool WriteWaveFile(const std::string& fileName, const std::uint8_t* data, std::int32_t size,
                   std::int32_t sampleRate, bool stereo, bool is16Bit) {
    if (size < 0 || (size > 0 && data == nullptr) || sampleRate <= 0) return false;

    const std::uint32_t dataSize = static_cast<std::uint32_t>(size);
    const std::uint32_t pad = dataSize & 1u;
    const std::uint16_t channels = stereo ? 2 : 1;
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * (is16Bit ? 2 : 1));
    const std::uint32_t rate = static_cast<std::uint32_t>(sampleRate);

    std::uint8_t header[44];
    PutFourCC(header + 0, kRiff);
    // "WAVE" + fmt chunk (8 + 16) + data chunk header (8) + data + pad.
    PutLE32(header + 4, 4 + 8 + kFormatBlockSize + 8 + dataSize + pad);
    PutFourCC(header + 8, kWave);
    PutFourCC(header + 12, kFmt);
    PutLE32(header + 16, kFormatBlockSize);
    PutLE16(header + 20, kWaveFormatPcm);
    PutLE16(header + 22, channels);
    PutLE32(header + 24, rate);
    PutLE32(header + 28, rate * blockAlign);  // nAvgBytesPerSec
    PutLE16(header + 32, blockAlign);
    PutLE16(header + 34, static_cast<std::uint16_t>(is16Bit ? 16 : 8));
    PutFourCC(header + 36, kData);
    PutLE32(header + 40, dataSize);

    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;
    if (ok && dataSize > 0) ok = std::fwrite(data, 1, dataSize, f) == dataSize;
    if (ok && pad != 0) ok = std::fputc(0, f) != EOF;
    // fclose flushes the buffer; a failure there is a failed write as well.
    const bool closed = std::fclose(f) == 0;
    return ok && closed;
}

}  // namespace zirpel
