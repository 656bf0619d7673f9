#include "cli/ProgressLine.h"

#include "cli/PrintableText.h"

namespace zirpel::cli {

ProgressLine::ProgressLine(std::ostream& err, bool show, std::function<bool()> stopRequested)
    : err_(err), show_(show), stopRequested_(std::move(stopRequested)) {}

ProgressLine::~ProgressLine() { End(); }

void ProgressLine::Begin(std::string label) {
    End();
    label_ = PrintableText(label);
}

void ProgressLine::End() {
    if (shown_ < 0) return;
    err_ << "\r\x1b[K" << std::flush;  // back to the line's start, erase to its end
    shown_ = -1;
}

void ProgressLine::Progress(std::int32_t percent) {
    if (!show_ || percent <= shown_) return;
    shown_ = percent;
    err_ << '\r' << label_ << ' ' << percent << " %" << std::flush;
}

}  // namespace zirpel::cli
