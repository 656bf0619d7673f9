#include "codec/Mp3FrameChain.h"

#include <cstring>

#include "codec/Mp3DataStart.h"

namespace zirpel {
namespace {

// Side information bytes by MPEG-1 / other version and mono / two channels.
int SideInfoBytes(bool mpeg1, bool mono) { return mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17); }

// Header bits that must stay the same over a uniform stream: sync, version,
// layer, protection, sample rate and channel mode.
bool SameStream(const std::uint8_t a[4], const std::uint8_t b[4]) {
    return a[1] == b[1] && (a[2] & 0x0C) == (b[2] & 0x0C) && (a[3] & 0xC0) == (b[3] & 0xC0);
}

bool IsTag(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// Reads the file through a window of its own, positioned with readAt.
class Window {
public:
    explicit Window(const ByteSource& source) : source_(source), buffer_(kSize) {}

    // Bytes [position, position + n) of the file, or null when the file is
    // shorter. n is small (a header and its side information).
    const std::uint8_t* At(std::uint64_t position, std::size_t n) {
        if (position < start_ || position + n > start_ + length_) {
            start_ = position;
            length_ = source_.readAt(position, buffer_.data(), buffer_.size());
            if (n > length_) return nullptr;
        }
        return buffer_.data() + (position - start_);
    }

private:
    static constexpr std::size_t kSize = std::size_t{1} << 20;
    const ByteSource& source_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;
};

}  // namespace

std::uint32_t Layer3FrameLength(const std::uint8_t h[4]) {
    if (!IsValidFrameHeader(h)) return 0;
    const MpegHeaderFields f = SplitMpegHeader(h);
    if (f.layer != 1 || f.bitRateIndex == 0) return 0;
    const std::uint32_t kbps = MpegBitRateKbps(f.version, f.layer, f.bitRateIndex);
    const std::uint32_t rate = MpegSampleRate(f.version, f.sampleRateIndex);
    const std::uint32_t factor = f.version == 3 ? 144 : 72;
    return factor * kbps * 1000 / rate + ((h[2] >> 1) & 1u);
}

std::uint16_t Mp3FrameCrc(const std::uint8_t header[4], const std::uint8_t* sideInfo,
                          int sideInfoBytes) {
    std::uint32_t crc = 0xFFFF;
    auto add = [&crc](std::uint8_t byte) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool top = ((crc >> 15) & 1u) != ((byte >> bit) & 1u);
            crc = (crc << 1) & 0xFFFF;
            if (top) crc ^= 0x8005;
        }
    };
    add(header[2]);
    add(header[3]);
    for (int i = 0; i < sideInfoBytes; ++i) add(sideInfo[i]);
    return static_cast<std::uint16_t>(crc);
}

Mp3FrameChain ScanMp3Frames(const ByteSource& source, std::uint64_t start, std::size_t maxFrames) {
    Mp3FrameChain chain;
    const std::uint64_t size = source.size();
    Window window(source);
    std::uint8_t first[4] = {};
    bool uniform = true;
    std::uint64_t pos = start;
    while (pos < size && size - pos >= 4) {
        const std::uint8_t* h = window.At(pos, 4);
        if (h == nullptr) break;
        const std::uint32_t length = Layer3FrameLength(h);
        if (length == 0 || length > size - pos) {
            // Free format has no length of its own: such a stream is never cut.
            if (IsValidFrameHeader(h) && SplitMpegHeader(h).bitRateIndex == 0) uniform = false;
            break;
        }
        if (chain.frames.size() >= maxFrames) {
            uniform = false;
            break;
        }
        const bool mpeg1 = SplitMpegHeader(h).version == 3;
        const bool mono = SplitMpegHeader(h).channelMode == 3;
        const bool crc = (h[1] & 1u) == 0;
        const int side = SideInfoBytes(mpeg1, mono);
        const int headerBytes = 4 + (crc ? 2 : 0);
        // A frame too short for its own side information is not audio.
        if (length < static_cast<std::uint32_t>(headerBytes + side)) {
            uniform = false;
            break;
        }
        const std::uint8_t* p = window.At(pos, static_cast<std::size_t>(headerBytes + side + 4));
        if (p == nullptr) p = window.At(pos, static_cast<std::size_t>(headerBytes + side));
        if (p == nullptr) break;
        h = p;
        const std::uint8_t* s = p + headerBytes;
        Mp3Frame frame;
        frame.offset = pos;
        frame.length = length;
        frame.mainDataBegin = static_cast<std::uint16_t>(mpeg1 ? (s[0] << 1) | (s[1] >> 7) : s[0]);
        frame.mainDataSize = static_cast<std::uint16_t>(length - headerBytes - side);
        if (chain.frames.empty()) {
            std::memcpy(first, h, 4);
            chain.sampleRate = MpegSampleRate(SplitMpegHeader(h).version, SplitMpegHeader(h).sampleRateIndex);
            chain.channels = mono ? 1 : 2;
            chain.samplesPerFrame = mpeg1 ? 1152 : 576;
            chain.crc = crc;
            chain.sideInfoBytes = side;
        } else {
            if (!SameStream(first, h)) uniform = false;
            // A second Xing, Info or VBRI header starts another song: the
            // decoder would begin counting anew there.
            if (length >= static_cast<std::uint32_t>(headerBytes + side + 4) &&
                (IsTag(s + side, "Xing") || IsTag(s + side, "Info")))
                uniform = false;
            if (length >= 40) {
                const std::uint8_t* v = window.At(pos + 36, 4);
                if (v != nullptr && IsTag(v, "VBRI")) uniform = false;
            }
        }
        chain.frames.push_back(frame);
        pos += length;
    }
    chain.end = pos;
    chain.uniform = uniform && !chain.frames.empty();
    return chain;
}

}  // namespace zirpel
