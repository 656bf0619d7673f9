#include "effects/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include "clip/DecimalText.h"
#include "clip/RuntimeLibrary.h"
#include "effects/FrameLayout.h"

namespace zirpel {
namespace {

// libebur128, opened with the first measurement.
#define ZIRPEL_EBUR128_ENTRY_POINTS(X) \
    X(ebur128_add_frames_short) X(ebur128_destroy) X(ebur128_init) X(ebur128_loudness_global) \
    X(ebur128_loudness_range) X(ebur128_loudness_shortterm)
ZIRPEL_RUNTIME_LIBRARY(Ebur128Library, LoadEbur128, "libebur128.so.1", ZIRPEL_EBUR128_ENTRY_POINTS)
// The entry points, once LoadEbur128() has succeeded.
const Ebur128Library& Ebur128() { return *LoadEbur128(); }

struct MeterCloser {
    void operator()(ebur128_state* st) const { Ebur128().ebur128_destroy(&st); }
};
using Meter = std::unique_ptr<ebur128_state, MeterCloser>;

// The K-weighting filters need a rate well above their 1.7 kHz shelf; the
// meter itself refuses rates below 16 Hz and above about 2.8 MHz.
constexpr std::int32_t kMinMeterRate = 4000;

Meter OpenMeter(const ClipFormat& f, int mode) {
    if (f.sampleRate < kMinMeterRate || !LoadEbur128()) return nullptr;
    return Meter(Ebur128().ebur128_init(f.stereo ? 2 : 1, static_cast<unsigned long>(f.sampleRate), mode));
}

// Feeds frames [start, end) to the meter as 16-bit values (8-bit samples
// widened as (b - 128) x 256), `step` frames at a time; `after` runs after
// each step. False when the meter refuses.
template <class After>
bool Feed(ebur128_state* st, const ClipSpan& clip, FrameSpan span, std::int64_t step, After after) {
    const int channels = clip.format.stereo ? 2 : 1;
    std::vector<short> buffer(static_cast<std::size_t>(step * channels));
    return WithLayout(clip.format, [&](auto layout) {
        using L = decltype(layout);
        for (std::int64_t f = span.first; f < span.end; f += step) {
            const std::int64_t n = std::min(step, span.end - f);
            const std::uint8_t* p = clip.data + f * L::kFrameBytes;
            for (std::int64_t i = 0; i < n * channels; ++i) {
                const std::int32_t v = L::Load(p + i * L::kSampleBytes);
                buffer[static_cast<std::size_t>(i)] =
                    static_cast<short>(L::kIs16 ? v : (v - 128) * 256);
            }
            if (Ebur128().ebur128_add_frames_short(st, buffer.data(), static_cast<std::size_t>(n)) != EBUR128_SUCCESS)
                return false;
            after(f + n);
        }
        return true;
    });
}

std::int32_t PeakValue(const ClipSpan& clip, FrameSpan span) {
    return WithLayout(clip.format, [&](auto layout) {
        using L = decltype(layout);
        std::int32_t peak = 0;
        const std::uint8_t* p = clip.data + span.first * L::kFrameBytes;
        const std::uint8_t* end = clip.data + span.end * L::kFrameBytes;
        for (; p < end; p += L::kSampleBytes) {
            const std::int32_t v = L::kIs16 ? L::Load(p) : L::Load(p) - 128;
            peak = std::max(peak, v < 0 ? -v : v);
        }
        return peak;
    });
}

}  // namespace

FrameSpan LoudnessFrames(const ClipSpan& clip, const Selection& sel) {
    const EffectRange r = EffectFrames(sel, clip.frames(), clip.format);
    return {r.lo, std::max(r.lo, r.hi)};
}

double LoudnessMeasurement::PeakDbfs() const {
    return samplePeak > 0 ? 20.0 * std::log10(samplePeak) : -std::numeric_limits<double>::infinity();
}

LoudnessMeasurement MeasureLoudness(const ClipSpan& clip, FrameSpan span) {
    LoudnessMeasurement m;
    span.first = std::clamp<std::int64_t>(span.first, 0, clip.frames());
    span.end = std::clamp<std::int64_t>(span.end, span.first, clip.frames());
    if (span.end == span.first) return m;
    const Meter meter = OpenMeter(clip.format, EBUR128_MODE_I | EBUR128_MODE_LRA);
    if (!meter) return m;
    if (!Feed(meter.get(), clip, span, 4096, [](std::int64_t) {})) return m;
    double integrated = 0, range = 0;
    if (Ebur128().ebur128_loudness_global(meter.get(), &integrated) != EBUR128_SUCCESS || !std::isfinite(integrated))
        return m;
    if (Ebur128().ebur128_loudness_range(meter.get(), &range) != EBUR128_SUCCESS || !std::isfinite(range)) range = 0;
    m.valid = true;
    m.integrated = integrated;
    m.range = range;
    m.peakValue = PeakValue(clip, span);
    m.samplePeak = m.peakValue / (clip.format.is16Bit ? 32768.0 : 128.0);
    return m;
}

LoudnessPlan PlanLoudness(const LoudnessMeasurement& m, double target, bool is16Bit) {
    LoudnessPlan plan;
    if (!m.valid) return plan;
    const double wanted = std::pow(10.0, (target - m.integrated) / 20.0);
    const double full = is16Bit ? 32767.0 : 127.0;
    const double most = m.peakValue > 0 ? full / m.peakValue : wanted;
    plan.peakLimited = wanted > most;
    plan.gain = std::min(wanted, most);
    plan.reached = m.integrated + 20.0 * std::log10(plan.gain);
    return plan;
}

void ApplyGain(MutableClipSpan clip, FrameSpan span, double gain) {
    const std::int64_t frames = clip.frames();
    span.first = std::clamp<std::int64_t>(span.first, 0, frames);
    span.end = std::clamp<std::int64_t>(span.end, span.first, frames);
    WithLayout(clip.format, [&](auto layout) {
        using L = decltype(layout);
        std::uint8_t* p = clip.data + span.first * L::kFrameBytes;
        std::uint8_t* end = clip.data + span.end * L::kFrameBytes;
        for (; p < end; p += L::kSampleBytes) {
            if constexpr (L::kIs16) {
                const double v = std::nearbyint(L::Load(p) * gain);
                L::Store(p, static_cast<std::int32_t>(std::clamp(v, -32768.0, 32767.0)));
            } else {
                const double v = std::nearbyint((L::Load(p) - 128) * gain);
                L::Store(p, static_cast<std::int32_t>(std::clamp(v, -128.0, 127.0)) + 128);
            }
        }
    });
}

EffectStatus MatchLoudness(MutableClipSpan clip, const Selection& sel, double target) {
    const FrameSpan span = LoudnessFrames(clip, sel);
    const LoudnessMeasurement m = MeasureLoudness(clip, span);
    if (!m.valid) return EffectStatus::Unchanged;
    ApplyGain(clip, span, PlanLoudness(m, target, clip.format.is16Bit).gain);
    return EffectStatus::Done;
}

std::optional<double> ParseLoudnessTarget(std::string_view text) {
    const auto v = ParseDecimalText(text);
    if (!v || std::isnan(*v)) return std::nullopt;
    return std::clamp(static_cast<double>(*v), kMinLoudnessTarget, kMaxLoudnessTarget);
}

std::vector<double> ShortTermEnergies(const ClipSpan& clip, std::int64_t hopFrames) {
    std::vector<double> energies;
    if (hopFrames <= 0 || clip.frames() == 0) return energies;
    const Meter meter = OpenMeter(clip.format, EBUR128_MODE_S);
    if (!meter) return energies;
    energies.reserve(static_cast<std::size_t>(clip.frames() / hopFrames + 1));
    const bool fed = Feed(meter.get(), clip, {0, clip.frames()}, hopFrames, [&](std::int64_t) {
        double l = 0;
        if (Ebur128().ebur128_loudness_shortterm(meter.get(), &l) != EBUR128_SUCCESS || !std::isfinite(l))
            energies.push_back(0);
        else
            energies.push_back(std::pow(10.0, (l + 0.691) / 10.0));
    });
    if (!fed) energies.clear();
    return energies;
}

}  // namespace zirpel
