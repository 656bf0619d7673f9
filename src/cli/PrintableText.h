// Text for the terminal that cannot pretend to be more than it is: a file
// name with a newline, a carriage return or an escape sequence in it would
// otherwise forge a line of its own or rewrite what is on the screen.
#pragma once

#include <string>
#include <string_view>

namespace zirpel::cli {

// `text` with every control character (C0, DEL and the C1 range), every
// byte that is not part of valid UTF-8, and the backslash written as an
// escape: \n, \r, \t, \\ or \xHH (one per byte). Everything else, umlauts
// included, stays as it is.
std::string PrintableText(std::string_view text);

}  // namespace zirpel::cli
