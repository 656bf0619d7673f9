#include "wave/WaveFile.h"

#include <cerrno>
#include <cstdint>
#include <vector>
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "clip/FileWrites.h"
#include "clip/LittleEndian.h"

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

void PutFourCC(std::uint8_t* p, const FourCC& id) { std::memcpy(p, id.data(), 4); }

bool IsFourCC(const std::uint8_t* p, const FourCC& id) {
    return std::memcmp(p, id.data(), 4) == 0;
}

// A descriptor closed on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

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
    RiffReader(int fd, std::uint64_t fileSize) : fd_(fd), fileSize_(fileSize) {}

    std::uint64_t FileSize() const { return fileSize_; }

    bool ReadAt(std::uint64_t pos, void* buffer, std::size_t count) {
        if (pos > fileSize_ || count > fileSize_ - pos) return false;
        auto* p = static_cast<std::uint8_t*>(buffer);
        while (count > 0) {
            if (pos > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
            const ssize_t n = ::pread(fd_, p, count, static_cast<off_t>(pos));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            p += n;
            pos += static_cast<std::uint64_t>(n);
            count -= static_cast<std::size_t>(n);
        }
        return true;
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
    int fd_;
    std::uint64_t fileSize_;
};

WaveRead Fail(WaveStatus status) { return WaveRead{status, {}}; }

WaveRead ReadFrom(int fd, std::vector<std::uint8_t>& room) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return Fail(WaveStatus::CannotOpen);
    RiffReader riff(fd, static_cast<std::uint64_t>(st.st_size));

    const std::optional<Chunk> wave = riff.FindRiff(kWave);
    if (!wave) return Fail(WaveStatus::NotWave);
    const std::uint64_t waveEnd = wave->dataStart + wave->size;

    const std::optional<Chunk> fmt = riff.FindChunk(kFmt, wave->dataStart, waveEnd);
    if (!fmt || fmt->size < kFormatBlockSize) return Fail(WaveStatus::MissingChunk);
    std::uint8_t block[kFormatBlockSize];
    if (!riff.ReadAt(fmt->dataStart, block, sizeof block)) return Fail(WaveStatus::MissingChunk);

    const std::uint16_t formatTag = GetLE16(block + 0);
    const std::uint16_t channels = GetLE16(block + 2);
    const std::uint32_t samplesPerSec = GetLE32(block + 4);
    const std::uint16_t bitsPerSample = GetLE16(block + 14);
    if (formatTag != kWaveFormatPcm) return Fail(WaveStatus::UnsupportedFormat);
    if (channels != 1 && channels != 2) return Fail(WaveStatus::UnsupportedFormat);
    if (bitsPerSample != 8 && bitsPerSample != 16) return Fail(WaveStatus::UnsupportedFormat);
    // A rate of 0 would divide by zero wherever durations are computed; a
    // rate that does not fit the clip's signed 32-bit field is no real file.
    if (samplesPerSec == 0 ||
        samplesPerSec > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        return Fail(WaveStatus::UnsupportedFormat);

    // "data" is only looked for after the end of "fmt ".
    const std::optional<Chunk> data = riff.FindChunk(kData, fmt->PaddedEnd(), waveEnd);
    if (!data) return Fail(WaveStatus::MissingChunk);
    // Refuse impossible sizes before allocating anything.
    if (data->size == 0 || data->size > static_cast<std::uint64_t>(kMaxClipBytes))
        return Fail(WaveStatus::BadData);
    if (data->dataStart > riff.FileSize() || data->size > riff.FileSize() - data->dataStart)
        return Fail(WaveStatus::BadData);

    // No huge pages asked for: with the kernel's usual setting (defrag on
    // madvise) the first touch of such a region waits for memory to be
    // compacted, seconds for a long clip on a machine that has run a while.
    WaveRead out;
    if (room.size() >= data->size) {
        room.resize(data->size);  // smaller: keeps the memory
        out.clip.bytes = std::move(room);
    } else {
        room = {};
        out.clip.bytes.resize(data->size);
    }
    if (!riff.ReadAt(data->dataStart, out.clip.bytes.data(), out.clip.bytes.size()))
        return Fail(WaveStatus::ReadError);
    out.clip.format.sampleRate = static_cast<std::int32_t>(samplesPerSec);
    out.clip.format.stereo = channels == 2;
    out.clip.format.is16Bit = bitsPerSample == 16;
    out.status = WaveStatus::Ok;
    return out;
}

// Writes everything to a descriptor, retrying short writes.
class FdSink final : public ByteSink {
public:
    explicit FdSink(int fd) : fd_(fd) {}
    bool write(const void* data, std::size_t size) override {
        const auto* p = static_cast<const std::uint8_t*>(data);
        while (size > 0) {
            const ssize_t n = ::write(fd_, p, std::min(size, kFileWriteBytes));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
};

}  // namespace

WaveRead ReadWaveFile(int fd) { return ReadWaveFile(fd, {}); }

WaveRead ReadWaveFile(int fd, std::vector<std::uint8_t> room) {
    try {
        return ReadFrom(fd, room);
    } catch (const std::bad_alloc&) {
        return Fail(WaveStatus::OutOfMemory);
    }
}

WaveRead ReadWaveFile(const std::string& fileName) {
    if (fileName.empty()) return Fail(WaveStatus::CannotOpen);
    // O_NONBLOCK: opening a FIFO must not wait for a writer; ReadFrom refuses
    // it (and every other non-regular file) before the first read.
    const Descriptor fd(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return Fail(WaveStatus::CannotOpen);
    return ReadWaveFile(fd.get());
}

std::array<std::uint8_t, 16> PcmFormatBlock(const ClipFormat& format) {
    const std::uint16_t channels = format.stereo ? 2 : 1;
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(FrameBytes(format));
    const auto rate = static_cast<std::uint32_t>(format.sampleRate);
    std::array<std::uint8_t, 16> b{};
    PutLE16(b.data() + 0, kWaveFormatPcm);
    PutLE16(b.data() + 2, channels);
    PutLE32(b.data() + 4, rate);
    PutLE32(b.data() + 8, rate * blockAlign);  // nAvgBytesPerSec
    PutLE16(b.data() + 12, blockAlign);
    PutLE16(b.data() + 14, static_cast<std::uint16_t>(format.is16Bit ? 16 : 8));
    return b;
}

std::array<std::uint8_t, 44> BuildWaveHeader(const std::uint8_t* fmt16, std::uint32_t riffSize,
                                             std::uint32_t dataSize) {
    std::array<std::uint8_t, 44> h{};
    PutFourCC(h.data() + 0, kRiff);
    PutLE32(h.data() + 4, riffSize);
    PutFourCC(h.data() + 8, kWave);
    PutFourCC(h.data() + 12, kFmt);
    PutLE32(h.data() + 16, kFormatBlockSize);
    std::memcpy(h.data() + 20, fmt16, kFormatBlockSize);
    PutFourCC(h.data() + 36, kData);
    PutLE32(h.data() + 40, dataSize);
    return h;
}

bool WriteWaveFile(ByteSink& out, const ClipSpan& clip) {
    if (clip.size < 0 || (clip.size > 0 && clip.data == nullptr) || clip.format.sampleRate <= 0)
        return false;
    const auto dataSize = static_cast<std::uint32_t>(clip.size);
    const std::uint32_t pad = dataSize & 1u;
    const auto fmt = PcmFormatBlock(clip.format);
    // "WAVE" + fmt chunk (8 + 16) + data chunk header (8) + data + pad.
    const auto header = BuildWaveHeader(fmt.data(), 4 + 8 + kFormatBlockSize + 8 + dataSize + pad, dataSize);
    if (!out.write(header.data(), header.size())) return false;
    if (dataSize > 0 && !out.write(clip.data, dataSize)) return false;
    const std::uint8_t zero = 0;
    return pad == 0 || out.write(&zero, 1);
}

bool WriteWaveFile(const std::string& fileName, const ClipSpan& clip) {
    if (fileName.empty()) return false;
    const Descriptor fd(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) return false;
    FdSink sink(fd.get());
    if (!WriteWaveFile(sink, clip)) return false;
    // Written data that never reaches the disk is a failed write as well.
    return ::fsync(fd.get()) == 0 || errno == EINVAL;
}

}  // namespace zirpel
