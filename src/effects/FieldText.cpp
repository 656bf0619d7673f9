#include "effects/FieldText.h"

#include "clip/DecimalText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zirpel {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

Extended ClampTime(Extended seconds) {
    if (std::isnan(seconds)) return kMinTime;
    return std::clamp(seconds, kMinTime, kMaxTime);
}

std::optional<Extended> ParseSecondsText(std::string_view text) { return ParseDecimalText(text); }

std::optional<Extended> ParseTimeText(std::string_view text) {
    const std::optional<Extended> value = ParseSecondsText(text);
    if (!value) return std::nullopt;
    return ClampTime(*value);
}

Extended ReadTimeText(std::string_view text) { return ParseTimeText(text).value_or(kMinTime); }

std::string FormatTimeText(Extended seconds) {
    const long long cents = std::llroundl(ClampTime(seconds) * 100.0L);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld,%02lld", cents / 100, cents % 100);
    return buf;
}

std::int32_t ClampRate(std::int64_t rate) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(rate, kMinRate, kMaxRate));
}

std::optional<std::int64_t> ParseWholeText(std::string_view text) {
    const std::string_view t = TrimBlanks(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    if (i >= t.size()) return std::nullopt;
    // Saturates long digit strings instead of overflowing.
    std::int64_t value = 0;
    for (; i < t.size(); ++i) {
        if (!IsDigit(t[i])) return std::nullopt;
        value = std::min<std::int64_t>(value * 10 + (t[i] - '0'), std::int64_t{kMaxRate} + 1);
    }
    return negative ? -value : value;
}

std::optional<std::int32_t> ParseRateText(std::string_view text) {
    const std::optional<std::int64_t> value = ParseWholeText(text);
    if (!value) return std::nullopt;
    return ClampRate(*value);
}

std::int32_t ReadRateText(std::string_view text) { return ParseRateText(text).value_or(kMinRate); }

}  // namespace zirpel
