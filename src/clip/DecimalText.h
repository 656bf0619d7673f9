// A decimal number as the program's time fields take it: surrounding blanks,
// an optional sign, digits with a decimal comma or point, an optional
// exponent. Parsed in the C locale straight to the 80-bit extended format,
// whatever the process locale is, so no 64-bit double stands in between.
#pragma once

#include <optional>
#include <string_view>

#include "clip/Extended.h"

namespace zirpel {

// `text` without the blanks (space, tab, line ends) around it.
std::string_view TrimBlanks(std::string_view text);

// nullopt when the text is not such a number ("inf", "0x10", "1,2,3" and
// trailing junk are not). Out-of-range exponents give 0 or infinity.
std::optional<Extended> ParseDecimalText(std::string_view text);

}  // namespace zirpel
