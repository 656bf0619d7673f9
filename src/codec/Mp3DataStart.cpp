#include "codec/Mp3DataStart.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "codec/FormatBlock.h"

namespace zirpel {

namespace {

// [table][layer index][bit-rate index], table 0 = MPEG-1, 1 = MPEG-2 and 2.5;
// layer index 0 = Layer I, 1 = Layer II, 2 = Layer III. Index 0 and 15 are
// never looked up.
constexpr std::uint32_t kBitRates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};

constexpr std::array<std::uint32_t, 14> kLayer3Mpeg1 = {32,  40,  48,  56,  64,  80,  96,
                                                       112, 128, 160, 192, 224, 256, 320};
constexpr std::array<std::uint32_t, 14> kLayer3Mpeg2 = {8,  16, 24, 32,  40,  48,  56,
                                                       64, 80, 96, 112, 128, 144, 160};

const char kReadBeyondEnd[] = "Read beyond end of file";

void ReadExact(ByteSource& s, void* buffer, std::size_t n) {
    if (s.read(buffer, n) != n) throw EInOutError(kReadBeyondEnd);
}

bool Is(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// Reads single bytes from the current position until a non-zero one; returns
// its position, or the position where the input ended.
std::uint64_t SkipZeroBytes(ByteSource& s) {
    std::uint8_t b = 0;
    while (s.read(&b, 1) == 1)
        if (b != 0) return s.tell() - 1;
    return s.tell();
}

struct HeaderBuffer {
    std::array<std::uint8_t, 4> bytes{};
    std::size_t length = 0;  // how many of the four bytes the file had

    void readFrom(ByteSource& s) {
        bytes.fill(0);
        length = s.read(bytes.data(), 4);
    }
    void readAt(ByteSource& s, std::uint64_t position) {
        s.seek(position);
        readFrom(s);
    }
    bool valid() const { return length == 4 && IsValidFrameHeader(bytes.data()); }
};

}  // namespace

MpegHeaderFields SplitMpegHeader(const std::uint8_t h[4]) {
    MpegHeaderFields f;
    f.version = (h[1] >> 3) & 3;
    f.layer = (h[1] >> 1) & 3;
    f.bitRateIndex = h[2] >> 4;
    f.sampleRateIndex = (h[2] >> 2) & 3;
    f.channelMode = h[3] >> 6;
    return f;
}

bool IsValidFrameHeader(const std::uint8_t h[4]) {
    const MpegHeaderFields f = SplitMpegHeader(h);
    return h[0] == 0xFF && h[1] >= 0xE0 && f.layer != 0 && f.bitRateIndex != 15 &&
           f.sampleRateIndex != 3 && f.version != 1;
}

std::uint32_t MpegBitRateKbps(int version, int layer, int bitRateIndex) {
    if (layer <= 0 || layer > 3) return 8;
    if (bitRateIndex <= 0 || bitRateIndex >= 15) bitRateIndex = 1;
    const int table = version == 3 ? 0 : 1;
    return kBitRates[table][3 - layer][bitRateIndex];
}

std::uint32_t MpegSampleRate(int version, int sampleRateIndex) {
    if (sampleRateIndex < 0 || sampleRateIndex > 2) return 0;
    static constexpr std::uint32_t kMpeg1[3] = {44100, 48000, 32000};
    switch (version) {
        case 3: return kMpeg1[sampleRateIndex];
        case 2: return kMpeg1[sampleRateIndex] / 2;
        case 0: return kMpeg1[sampleRateIndex] / 4;
        default: return 0;
    }
}

const std::array<std::uint32_t, 14>& Layer3BitRatesForRate(std::uint32_t sampleRate) {
    return sampleRate >= 32000 ? kLayer3Mpeg1 : kLayer3Mpeg2;
}

namespace {

// What the steps before the frame search leave: the RIFF wrapper's format,
// the candidate start with the four bytes read there, and the read position.
struct Prelude {
    Mp3DataStart result;
    HeaderBuffer header;
    std::uint64_t candidate = 0;
};

// The RIFF check, the leading zeros and the ID3v2 tag. `skipZeros(s)`
// returns the position of the first non-zero byte from s.tell() on (or
// where the input ended); empty when the search was stopped meanwhile, and
// then so is this.
template <typename SkipZeros>
std::optional<Prelude> ReadPrelude(ByteSource& s, SkipZeros skipZeros) {
    Prelude p;
    Mp3DataStart& result = p.result;
    HeaderBuffer& header = p.header;
    header.readAt(s, 0);

    // A RIFF/WAVE file whose first chunk is "fmt " wraps MP3 data.
    if (header.length == 4 && Is(header.bytes.data(), "RIFF")) {
        s.seek(0);
        std::uint8_t riff[8];
        std::uint8_t form[4];
        ReadExact(s, riff, sizeof riff);
        ReadExact(s, form, sizeof form);
        if (Is(form, "WAVE")) {
            std::uint8_t chunk[8];
            ReadExact(s, chunk, sizeof chunk);
            if (Is(chunk, "fmt ")) {
                const std::uint32_t size = GetU32(chunk, 4);
                const std::uint64_t left = s.size() > s.tell() ? s.size() - s.tell() : 0;
                if (size > left) throw EInOutError(kReadBeyondEnd);
                const std::size_t keep = std::min<std::uint32_t>(size, 18);
                ReadExact(s, result.wrapperFormat.data(), keep);
                result.riffWrapped = true;
            }
        }
    }

    std::uint64_t& candidate = p.candidate;
    const bool allZero = header.bytes == std::array<std::uint8_t, 4>{};
    if (!result.riffWrapped && allZero) {
        // Leading zero bytes: the header is looked for behind them, while the
        // data handed on still starts at byte 0.
        const std::optional<std::uint64_t> nonZero = skipZeros(s);
        if (!nonZero) return std::nullopt;
        candidate = *nonZero;
        header.readAt(s, candidate);
        s.seek(candidate);
    }

    if (!result.riffWrapped && header.length >= 3 && header.bytes[0] == 0x49 &&
        header.bytes[1] == 0x44 && header.bytes[2] == 0x33) {
        // ID3v2 tag: skip the 10-byte tag header and the tag, then any zero
        // padding. Each size byte is ORed in whole, 7 bits apart.
        std::uint8_t tag[10] = {};
        s.seek(candidate);
        s.read(tag, sizeof tag);
        std::uint32_t t = tag[6];
        t = (t << 7) | tag[7];
        t = (t << 7) | tag[8];
        t = (t << 7) | tag[9];
        candidate += 10 + static_cast<std::uint64_t>(t);
        s.seek(candidate);
        std::uint8_t b = 0;
        if (s.read(&b, 1) == 1 && b == 0) {
            const std::optional<std::uint64_t> nonZero = skipZeros(s);
            if (!nonZero) return std::nullopt;
            candidate = *nonZero;
        }
        header.readAt(s, candidate);
        s.seek(candidate);
    } else {
        s.seek(0);
    }
    return p;
}

// A RIFF wrapper needs no frame search: its data begins at byte 66.
Mp3DataStart Wrapped(Prelude& p) {
    p.result.frameFound = true;
    p.result.header = p.header.bytes;
    p.result.dataStart = 66;
    return p.result;
}

Mp3DataStart Stopped() {
    Mp3DataStart result;
    result.stopped = true;
    return result;
}

}  // namespace

Mp3DataStart FindMp3DataStartBytewise(ByteSource& s) {
    std::optional<Prelude> prelude =
        ReadPrelude(s, [](ByteSource& src) { return std::optional<std::uint64_t>(SkipZeroBytes(src)); });
    Prelude& p = *prelude;  // the byte-wise skip is never stopped
    if (p.result.riffWrapped) return Wrapped(p);
    Mp3DataStart& result = p.result;
    HeaderBuffer& header = p.header;
    std::uint64_t candidate = p.candidate;

    // Frame search: one byte further each time the four bytes fail the check.
    bool advanced = false;
    while (!header.valid()) {
        if (s.tell() >= s.size()) break;
        ++candidate;
        header.readAt(s, candidate);
        advanced = true;
    }
    if (advanced) s.seek(candidate);
    result.frameFound = header.valid();
    result.header = header.bytes;
    result.dataStart = s.tell();
    return result;
}

Mp3DataStart FindMp3DataStart(ByteSource& s, LongTask* task, const BlockScanLimits& limits) {
    BlockScanner scan(s, task, limits);
    std::optional<Prelude> prelude =
        ReadPrelude(s, [&scan](ByteSource& src) { return scan.FirstNonZero(src.tell()); });
    if (!prelude) return Stopped();
    Prelude& p = *prelude;
    if (p.result.riffWrapped) return Wrapped(p);
    Mp3DataStart& result = p.result;
    HeaderBuffer& header = p.header;

    // The byte-wise rule, computed in one scan: when the four bytes at the
    // candidate fail the check and the read position is not yet at the
    // end, every later position is tried in turn; the search stops at the
    // first valid header, or else at the first position with fewer than
    // four bytes behind it (at the latest the one right after the
    // candidate), where the read position then rests.
    const std::uint64_t size = s.size();
    const std::uint64_t position = s.tell();
    if (!header.valid() && position < size) {
        const std::uint64_t first = p.candidate + 1;
        std::uint64_t end = first;  // where the search gives up
        if (size >= 4 && first <= size - 4) {
            end = size - 4;
            const std::optional<std::uint64_t> found =
                scan.FirstAccepted(first, end, 0xFF, IsValidFrameHeader);
            if (scan.Stopped()) return Stopped();
            if (found) end = *found;
        }
        header.readAt(s, end);
        s.seek(end);
    }
    result.frameFound = header.valid();
    result.header = header.bytes;
    result.dataStart = s.tell();
    return result;
}

Mp3StreamFormat DeriveMp3Format(const Mp3DataStart& start) {
    Mp3StreamFormat format;
    const MpegHeaderFields f = SplitMpegHeader(start.header.data());
    format.bitRateKbps = MpegBitRateKbps(f.version, f.layer, f.bitRateIndex);
    format.sampleRate = MpegSampleRate(f.version, f.sampleRateIndex);
    format.stereo = f.channelMode != 3;
    if (start.riffWrapped) {
        const std::uint8_t* w = start.wrapperFormat.data();
        format.stereo = GetU16(w, wfx::nChannels) == 2;
        format.sampleRate = GetU32(w, wfx::nSamplesPerSec);
        format.bitRateKbps =
            static_cast<std::uint32_t>(std::uint64_t{GetU32(w, wfx::nAvgBytesPerSec)} * 8 / 1000);
    }
    return format;
}

}  // namespace zirpel
