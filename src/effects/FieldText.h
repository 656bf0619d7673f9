// Reading and writing the two numeric fields of the effect dialogs: the
// time field `ZeitEd` (seconds, shown with two decimals and a decimal comma)
// and the rate field `SamplesEd` (whole hertz). The commands read a field's
// TEXT, never a binary floating-point value of it: the time must reach the
// fade length as an 80-bit extended number, and a 64-bit double in between
// would change lengths such as 0.7 s at 44100 Hz (30870 frames, not 30869).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "clip/Extended.h"

namespace zirpel {

inline constexpr Extended kMinTime = 1e-06L, kMaxTime = 100.0L;
inline constexpr std::int32_t kMinRate = 1, kMaxRate = 200000;

// A number as the time field takes it: surrounding blanks, an optional
// sign, digits with a decimal comma or point, an optional exponent. Parsed in
// the C locale at extended precision whatever the process locale is, without
// the field's limits (the command line's selection in seconds uses it).
// nullopt when the text is not such a number.
std::optional<Extended> ParseSecondsText(std::string_view text);

// The time field's number: ParseSecondsText held within kMinTime..kMaxTime.
std::optional<Extended> ParseTimeText(std::string_view text);

// What the time field reads: ParseTimeText, with a non-number as kMinTime.
Extended ReadTimeText(std::string_view text);

// Holds a value within kMinTime..kMaxTime (NaN gives kMinTime).
Extended ClampTime(Extended seconds);

// Two decimals and a decimal comma ("2,00", "0,50", "100,00"), rounded half
// away from zero. The shown value reads back through ReadTimeText.
std::string FormatTimeText(Extended seconds);

// A whole number as the rate field takes it: surrounding blanks, an
// optional sign and digits, without the field's limits (long digit strings
// saturate beyond them). nullopt when the text is not such a number.
std::optional<std::int64_t> ParseWholeText(std::string_view text);

// The rate field's number: ParseWholeText held within kMinRate..kMaxRate.
std::optional<std::int32_t> ParseRateText(std::string_view text);

// What the rate field reads: ParseRateText, with a non-number as kMinRate.
std::int32_t ReadRateText(std::string_view text);

// Holds a rate within kMinRate..kMaxRate.
std::int32_t ClampRate(std::int64_t rate);

}  // namespace zirpel
