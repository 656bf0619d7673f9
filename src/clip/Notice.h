// A message for the user, as the core hands it to the window (or to the
// command line). Core operations return a status; each subsystem has one
// function that turns its status into a Notice. The window shows it in one
// place, so every message keeps its exact text, icon and caption.
#pragma once

#include <string>

namespace zirpel {

enum class NoticeStyle {
    Plain,         // the command's own box: default caption, OK, no icon
    ErrorIcon,     // the command's own box with the error icon
    GeneralError,  // the general error display: caption "Zirpel-Editor",
                   // error icon, a full stop added after the last character
                   // when that sorts after "."
};

struct Notice {
    std::string text;  // empty: nothing to show
    NoticeStyle style = NoticeStyle::Plain;

    bool empty() const { return text.empty(); }
};

// The text the general error display shows for an error's own text.
inline std::string GeneralErrorText(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

}  // namespace zirpel
