// Loudness after EBU R128 / ITU-R BS.1770 (measured by libebur128), and the
// gain that brings a stretch of the clip to a target loudness without any
// sample passing full scale.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "clip/Clip.h"
#include "clip/Selection.h"
#include "effects/EffectStatus.h"

namespace zirpel {

inline constexpr double kDefaultLoudnessTarget = -14.0;  // LUFS
inline constexpr double kMinLoudnessTarget = -60.0;
inline constexpr double kMaxLoudnessTarget = 0.0;

// The frames [first, end) a loudness command works on: the selection as the
// effects read it (nothing selected: the whole clip).
FrameSpan LoudnessFrames(const ClipSpan& clip, const Selection& sel);

struct LoudnessMeasurement {
    // false: no integrated loudness (shorter than one 0.4 s block, silent,
    // or a rate below 4000 Hz or beyond what the meter takes); the numbers
    // below are then 0.
    bool valid = false;
    double integrated = 0;  // LUFS
    double range = 0;       // LU (0 for less than 3 s)
    // The largest |sample| as a fraction of full scale (32768, or 128 for 8 bit).
    double samplePeak = 0;
    std::int32_t peakValue = 0;  // the largest |sample| itself
    double PeakDbfs() const;     // -inf for silence
};

LoudnessMeasurement MeasureLoudness(const ClipSpan& clip, FrameSpan frames);

struct LoudnessPlan {
    double gain = 1;         // linear factor
    double reached = 0;      // LUFS after the gain
    bool peakLimited = false;  // the target needed more gain than the peak allows
};

// The gain toward `target`, held so the largest sample stays within the
// sample range (32767, or 127 for 8 bit). Needs a valid measurement.
LoudnessPlan PlanLoudness(const LoudnessMeasurement& m, double target, bool is16Bit);

// Scales frames [start, end) by `gain`: each value v becomes v x gain
// rounded to nearest, limited to the sample range.
void ApplyGain(MutableClipSpan clip, FrameSpan frames, double gain);

// "Lautheit angleichen": measure, plan and apply. Unchanged when the
// stretch cannot be measured.
EffectStatus MatchLoudness(MutableClipSpan clip, const Selection& sel, double target);

// The target as typed ("-14", "-14,5"), held within the target range; nullopt
// when the text is not a number.
std::optional<double> ParseLoudnessTarget(std::string_view text);

// Short-term loudness (3 s window) every `hopFrames` frames over the whole
// clip, as mean-square energies (10^((L + 0.691) / 10); 0 for silence):
// entry k is the window ending at frame (k + 1) x hopFrames. Empty when the
// clip cannot be measured.
std::vector<double> ShortTermEnergies(const ClipSpan& clip, std::int64_t hopFrames);

}  // namespace zirpel
