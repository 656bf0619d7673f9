#include "clip/DecimalText.h"

#include <algorithm>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace zirpel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<Extended> ParseDecimalText(std::string_view text) {
    const std::string_view t = TrimBlanks(text);
    if (!IsDecimalNumber(t)) return std::nullopt;
    std::string c(t);
    std::replace(c.begin(), c.end(), ',', '.');
    return strtold_l(c.c_str(), nullptr, CLocale());
}

}  // namespace zirpel
