#include "effects/FieldText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace zirpel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Skips digits from `i`; returns how many there were.
std::size_t SkipDigits(std::string_view t, std::size_t& i) {
    const std::size_t start = i;
    while (i < t.size() && IsDigit(t[i])) ++i;
    return i - start;
}

// True when `t` is [sign] digits [sep digits] [e [sign] digits] with at least
// one mantissa digit. strtold alone would also take "inf", "nan", hex
// numbers and trailing junk, none of which a spin field accepts.
bool IsDecimalNumber(std::string_view t) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t digits = SkipDigits(t, i);
    if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
        ++i;
        digits += SkipDigits(t, i);
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (SkipDigits(t, i) == 0) return false;
    }
    return i == t.size();
}

// The "C" locale object; glibc hands out a static one, so nothing to free.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

}  // namespace

Extended ClampTime(Extended seconds) {
    if (std::isnan(seconds)) return kMinTime;
    return std::clamp(seconds, kMinTime, kMaxTime);
}

std::optional<Extended> ParseSecondsText(std::string_view text) {
    const std::string_view t = Trim(text);
    if (!IsDecimalNumber(t)) return std::nullopt;
    std::string c(t);
    std::replace(c.begin(), c.end(), ',', '.');
    // Rounds the decimal text straight to the 80-bit format; out-of-range
    // exponents give 0 or infinity.
    return strtold_l(c.c_str(), nullptr, CLocale());
}

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
    const std::string_view t = Trim(text);
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
