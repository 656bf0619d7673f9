#include "cli/PrintableText.h"

#include <cstdint>

namespace zirpel::cli {
namespace {

// Length of the valid UTF-8 sequence at `i` that is not a control
// character, or 0.
std::size_t PrintableSequence(std::string_view t, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(t[i + k]); };
    const unsigned char c = b(0);
    if (c >= 0x20 && c < 0x7f) return c == '\\' ? 0 : 1;
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (c >= 0xc2 && c <= 0xdf) n = 2, cp = c & 0x1fu;
    else if (c >= 0xe0 && c <= 0xef) n = 3, cp = c & 0x0fu;
    else if (c >= 0xf0 && c <= 0xf4) n = 4, cp = c & 0x07u;
    else return 0;
    if (i + n > t.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xc0) != 0x80) return 0;
        cp = cp << 6 | (b(k) & 0x3fu);
    }
    // Overlong forms, surrogates, beyond Unicode, and the C1 controls.
    const std::uint32_t least = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
    if (cp < least || (cp >= 0xd800 && cp <= 0xdfff) || cp > 0x10ffff || cp < 0xa0) return 0;
    return n;
}

}  // namespace

std::string PrintableText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t n = PrintableSequence(text, i)) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i++]);
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\\': out += "\\\\"; break;
            default:
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 15];
        }
    }
    return out;
}

}  // namespace zirpel::cli
