// Text shown by the general error display: the error's own text, with a
// full stop added when its last character sorts after ".".
#pragma once

#include <string>

inline std::string GeneralErrorText(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}
