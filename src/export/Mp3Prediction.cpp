#include "export/Mp3Prediction.h"

#include <algorithm>
#include <cstdio>

#include "export/SaveClip.h"

namespace zirpel {
namespace {

constexpr std::int64_t kEncoderDelay = 576;   // samples before the first input sample
constexpr std::int64_t kResamplerHold = 16;   // input frames the resampler keeps back
constexpr std::int64_t kMinEndPadding = 576;  // samples at least added at the end

std::int64_t FramesFor(std::int64_t outSamples, std::int64_t flushExtra, std::int64_t frameSamples) {
    const std::int64_t s = kEncoderDelay + outSamples + flushExtra;
    std::int64_t padding = frameSamples - s % frameSamples;
    if (padding < kMinEndPadding) padding += frameSamples;
    return (s + padding) / frameSamples;
}

std::string Thousands(std::int64_t n) {
    std::string digits = std::to_string(n);
    for (std::ptrdiff_t i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ".");
    return digits;
}

}  // namespace

Mp3FrameCount CountMp3Frames(std::int64_t inFrames, std::int32_t inRate,
                             const LameEncoder::StreamFacts& facts) {
    Mp3FrameCount c;
    const std::int64_t out = facts.outRate;
    const std::int64_t fs = facts.frameSamples;
    if (out <= 0 || fs <= 0 || inRate <= 0) return c;
    inFrames = std::max<std::int64_t>(inFrames, 0);

    std::int64_t outSamples = inFrames;
    std::int64_t flushExtra = 0;
    bool onBoundary = false;
    if (facts.resamples) {
        const std::int64_t held = std::max<std::int64_t>(inFrames - kResamplerHold, 0);
        const std::int64_t scaled = held * out;  // below 2^31 x 2^18
        outSamples = (scaled + inRate - 1) / inRate;
        onBoundary = held > 0 && scaled % inRate == 0;
        // libmp3lame adds this double to an int sample count: truncated.
        flushExtra = static_cast<std::int64_t>(16.0 * static_cast<double>(out) / inRate);
    }
    c.frames = FramesFor(outSamples, flushExtra, fs);
    if (onBoundary) {
        const std::int64_t more = FramesFor(outSamples + 1, flushExtra, fs);
        if (more != c.frames) {
            c.frames = more;
            c.exact = false;
        }
    }

    // Bytes per frame: the whole part, and a padding byte whenever the
    // fractional parts add up past one frame's worth.
    const std::int64_t slots = (facts.version + 1) * 72000LL * facts.kbps;
    const std::int64_t whole = slots / out;
    const std::int64_t frac = slots % out;
    // After k frames the lag is frac - k x frac + pads x out >= 0, first
    // frame unpadded: pads(k) = ceil((k - 1) x frac / out).
    const std::int64_t padded = c.frames > 0 ? ((c.frames - 1) * frac + out - 1) / out : 0;
    c.bytes = c.frames * whole + padded;
    return c;
}

Mp3Prediction PredictMp3(const ClipFormat& format, std::int64_t frames, std::int32_t outRate,
                         std::int32_t kbps) {
    Mp3Prediction p;
    p.requestedRate = outRate;
    p.requestedKbps = kbps;
    LameEncoder encoder;
    const BE_CONFIG config = MakeMp3Config(format, outRate, kbps);
    std::uint32_t samplesPerChunk = 0, bufferSize = 0;
    HBE_STREAM stream = 0;
    if (encoder.beInitStream(&config, &samplesPerChunk, &bufferSize, &stream) != BE_ERR_SUCCESSFUL)
        return p;
    const auto facts = encoder.ProbeStream(stream);
    encoder.beCloseStream(stream);
    if (!facts) return p;
    p.accepted = true;
    p.outRate = facts->outRate;
    p.kbps = facts->kbps;
    p.mpegVersion = facts->version == 1 ? 10 : p.outRate < 16000 ? 25 : 20;
    const Mp3FrameCount count = CountMp3Frames(frames, format.sampleRate, *facts);
    p.frames = count.frames;
    p.bytes = count.bytes;
    p.exact = count.exact;
    return p;
}

std::string DescribeMp3Bytes(const Mp3Prediction& p) {
    if (!p.accepted) return "Encoder lehnt ab";
    return std::string(p.exact ? "" : "ca. ") + Thousands(p.bytes) + " Bytes";
}

std::string DescribeMp3Size(const Mp3Prediction& p) {
    if (!p.accepted) return "Encoder lehnt ab";
    char unit[32];
    if (p.bytes >= 1024 * 1024)
        std::snprintf(unit, sizeof unit, "%.1f MB", static_cast<double>(p.bytes) / (1024.0 * 1024.0));
    else
        std::snprintf(unit, sizeof unit, "%lld KB", static_cast<long long>((p.bytes + 512) / 1024));
    std::string u = unit;
    std::replace(u.begin(), u.end(), '.', ',');
    return DescribeMp3Bytes(p) + " (" + u + ")";
}

std::string DescribeReplacement(const Mp3Prediction& p) {
    if (!p.accepted) return {};
    std::string text;
    if (p.bitRateReplaced())
        text = std::to_string(p.requestedKbps) + " kbit/s gibt es bei " + std::to_string(p.outRate) +
               " Hz nicht: es werden " + std::to_string(p.kbps) + " kbit/s geschrieben";
    if (p.rateReplaced()) {
        if (!text.empty()) text += "; ";
        text += "statt " + std::to_string(p.requestedRate) + " Hz werden " + std::to_string(p.outRate) +
                " Hz geschrieben";
    }
    return text;
}

}  // namespace zirpel
