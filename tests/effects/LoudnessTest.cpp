// Loudness measured against the published EBU test signals, the gain to a
// target held at full scale, and the suggested pick on music-like material.
#include <gtest/gtest.h>

#include <cmath>

#include "effects/EffectClips.h"
#include "effects/Loudness.h"
#include "effects/SuggestPick.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Values;

constexpr double kPi = 3.14159265358979323846;

// A 1 kHz sine at `dbfs` (peak, relative to full scale) in both channels.
Clip StereoSine(double dbfs, double seconds, std::int32_t rate = 48000) {
    std::vector<std::int32_t> v;
    const double amplitude = 32768.0 * std::pow(10.0, dbfs / 20.0);
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(seconds * rate); ++i) {
        const auto s = static_cast<std::int32_t>(std::lround(amplitude * std::sin(2 * kPi * 1000.0 * i / rate)));
        v.push_back(s);
        v.push_back(s);
    }
    return Clip16(v, true, rate);
}

double Integrated(const Clip& c, FrameSpan span = {0, -1}) {
    if (span.end < 0) span.end = c.span().frames();
    const LoudnessMeasurement m = MeasureLoudness(c.span(), span);
    EXPECT_TRUE(m.valid);
    return m.integrated;
}

TEST(Loudness, EbuTestSignalsReadTheirPublishedValues) {
    EXPECT_NEAR(Integrated(StereoSine(-23, 20)), -23.0, 0.1);
    EXPECT_NEAR(Integrated(StereoSine(-33, 20)), -33.0, 0.1);
    const LoudnessMeasurement m = MeasureLoudness(StereoSine(-23, 20).span(), {0, 48000 * 20});
    EXPECT_NEAR(m.PeakDbfs(), -23.0, 0.01);
    // Shorter than one 0.4 s block, or silent: nothing to measure, nothing changed.
    Clip shortClip = StereoSine(-23, 0.3);
    EXPECT_FALSE(MeasureLoudness(shortClip.span(), {0, shortClip.span().frames()}).valid);
    Clip silent = Clip16(std::vector<std::int32_t>(16000, 0));
    EXPECT_EQ(MatchLoudness(silent.mutableSpan(), {}, -14), EffectStatus::Unchanged);
}

TEST(Loudness, GainReachesTheTargetOrStopsAtFullScale) {
    // Room enough: -30 dBFS reaches -14 LUFS.
    Clip free = StereoSine(-30, 5);
    EXPECT_EQ(MatchLoudness(free.mutableSpan(), {}, -14), EffectStatus::Done);
    EXPECT_NEAR(Integrated(free), -14.0, 0.1);

    // One spike near full scale limits the gain; the plan names what is reached.
    Clip spiky = StereoSine(-40, 5);
    const std::int32_t spike = 2 * 24000;
    PutSample16(&spiky.bytes[2 * spike], 20000);
    const LoudnessMeasurement before = MeasureLoudness(spiky.span(), {0, spiky.span().frames()});
    const LoudnessPlan plan = PlanLoudness(before, -14, true);
    EXPECT_TRUE(plan.peakLimited);
    EXPECT_NEAR(plan.gain, 32767.0 / 20000.0, 1e-12);
    MatchLoudness(spiky.mutableSpan(), {}, -14);
    EXPECT_EQ(Values(spiky)[spike], 32767);
    EXPECT_NEAR(Integrated(spiky), plan.reached, 0.05);

    // 8 bit: the peak limit is 127 steps from silence; a selection leaves the rest alone.
    Clip eight = test::Clip8(std::vector<std::int32_t>(8000, 128));
    for (int i = 0; i < 8000; ++i) eight.bytes[i] = static_cast<std::uint8_t>(128 + std::lround(40 * std::sin(i * 0.7)));
    const std::vector<std::int32_t> original = Values(eight);
    MatchLoudness(eight.mutableSpan(), {1000, 7000}, 0);
    const std::vector<std::int32_t> after = Values(eight);
    EXPECT_EQ(*std::max_element(after.begin() + 1000, after.begin() + 7000), 255);
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 1000, original.begin()));
    EXPECT_TRUE(std::equal(after.begin() + 7000, after.end(), original.begin() + 7000));
    EXPECT_EQ(*ParseLoudnessTarget("-14,5"), -14.5);
    EXPECT_EQ(*ParseLoudnessTarget("-99"), kMinLoudnessTarget);
    EXPECT_FALSE(ParseLoudnessTarget("laut"));
}

// 8000 Hz mono: notes of 0.45 s with 0.05 s rests; a quiet 20 s intro, a
// loud 40 s chorus and a quiet 20 s outro.
Clip Song() {
    std::vector<std::int32_t> v;
    const std::int32_t rate = 8000;
    std::uint32_t noise = 1;
    for (int note = 0; note < 160; ++note) {
        const double t0 = note * 0.5;
        const bool chorus = t0 >= 20 && t0 < 60;
        const double level = chorus ? 12000 : 500;
        const double pitch = 220.0 * std::pow(2.0, (note * 5 % 12) / 12.0);
        for (int i = 0; i < rate / 2; ++i) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(i) / rate;
            const double env = t < 0.45 ? std::exp(-3 * t) : 0.0;
            v.push_back(static_cast<std::int32_t>(level * env * std::sin(2 * kPi * pitch * t) +
                                                  (chorus && t < 0.45 ? static_cast<int>(noise >> 24) - 128 : 0)));
        }
    }
    return Clip16(v, false, rate);
}

TEST(SuggestPick, LandsInTheLoudPartWithEndsInARest) {
    const Clip song = Song();
    const FrameSpan pick = SuggestPick(song.span(), 30);
    EXPECT_GE(pick.first, 20 * 8000 - 2000);
    EXPECT_LE(pick.end, 60 * 8000 + 2000);
    EXPECT_NEAR(static_cast<double>(pick.end - pick.first), 30 * 8000, 0.5 * 8000);
    // Both ends sit in a rest between notes (the last 0.05 s of each 0.5 s).
    for (const std::int64_t end : {pick.first, pick.end}) {
        const std::int64_t inNote = end % 4000;
        EXPECT_TRUE(inNote >= 3600 - 40 || inNote <= 40) << end;
    }
    // A clip not longer than the pick is picked whole.
    const FrameSpan whole = SuggestPick(song.span(), 100);
    EXPECT_EQ(whole.first, 0);
    EXPECT_EQ(whole.end, song.span().frames());
}

}  // namespace
}  // namespace zirpel
