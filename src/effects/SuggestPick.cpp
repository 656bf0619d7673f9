#include "effects/SuggestPick.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "effects/FrameLayout.h"

namespace zirpel {
namespace {

// Sum of squares of all values of frames [from, to).
double Energy(const ClipSpan& clip, std::int64_t from, std::int64_t to) {
    return WithLayout(clip.format, [&](auto layout) {
        using L = decltype(layout);
        double sum = 0;
        const std::uint8_t* p = clip.data + from * L::kFrameBytes;
        const std::uint8_t* end = clip.data + to * L::kFrameBytes;
        for (; p < end; p += L::kSampleBytes) {
            const double v = L::kIs16 ? L::Load(p) : (L::Load(p) - 128) * 256;
            sum += v * v;
        }
        return sum;
    });
}

}  // namespace

std::int64_t QuietestNear(const ClipSpan& clip, std::int64_t frame, std::int64_t reach) {
    const std::int64_t frames = clip.frames();
    const std::int64_t rate = clip.format.sampleRate;
    const std::int64_t width = std::max<std::int64_t>(rate / 100, 1);  // 10 ms
    const std::int64_t step = std::max<std::int64_t>(width / 4, 1);
    const std::int64_t lo = std::max<std::int64_t>(frame - reach, 0);
    const std::int64_t hi = std::min(frame + reach, frames);
    std::int64_t best = frame;
    double bestEnergy = -1;
    // Candidates nearest first, so an equal energy farther out never wins.
    const auto consider = [&](std::int64_t c) {
        if (c < lo || c > hi) return;
        const std::int64_t a = std::clamp<std::int64_t>(c - width / 2, 0, frames);
        const std::int64_t b = std::clamp<std::int64_t>(a + width, 0, frames);
        const double e = Energy(clip, a, b);
        if (bestEnergy < 0 || e < bestEnergy) {
            bestEnergy = e;
            best = c;
        }
    };
    consider(frame);
    for (std::int64_t d = step; d <= reach; d += step) {
        consider(frame - d);
        consider(frame + d);
    }
    return best;
}

FrameSpan SuggestPick(const ClipSpan& clip, double seconds) {
    const std::int64_t frames = clip.frames();
    const std::int64_t rate = clip.format.sampleRate;
    if (rate <= 0 || !(seconds > 0)) return {0, frames};
    const std::int64_t length = static_cast<std::int64_t>(std::min(seconds * rate, 4e18));
    if (length >= frames) return {0, frames};

    const std::int64_t hop = std::max<std::int64_t>(rate / 10, 1);
    const std::vector<double> energies = ShortTermEnergies(clip, hop);
    const std::int64_t windowHops = length / hop;   // hops per pick
    const std::int64_t shortHops = 30;             // 3 s in 0.1 s hops
    if (energies.empty() || windowHops < 1) return {0, length};

    // prefix[k] = sum of energies[0..k-1]
    std::vector<double> prefix(energies.size() + 1, 0);
    for (std::size_t k = 0; k < energies.size(); ++k) prefix[k + 1] = prefix[k] + energies[k];

    // A pick starting at hop b covers frames b x hop .. b x hop + length; the
    // short-term windows inside it end at hops b + shortHops .. b + windowHops
    // (entry k ends at (k + 1) x hop).
    const auto count = static_cast<std::int64_t>(energies.size());
    std::int64_t bestStart = 0;
    double bestScore = -1;
    for (std::int64_t b = 0; b * hop + length <= frames; ++b) {
        const std::int64_t first = std::min(b + std::min(shortHops, windowHops), count) - 1;
        const std::int64_t last = std::min(b + windowHops, count) - 1;
        if (last < first || first < 0) break;
        const double score = (prefix[last + 1] - prefix[first]) / static_cast<double>(last - first + 1);
        if (score > bestScore) {
            bestScore = score;
            bestStart = b * hop;
        }
    }

    const auto reach = static_cast<std::int64_t>(kPickEndReach * rate);
    const std::int64_t start = QuietestNear(clip, bestStart, reach);
    const std::int64_t end = QuietestNear(clip, std::min(bestStart + length, frames), reach);
    return {std::min(start, end), std::max(start, end)};
}

}  // namespace zirpel
