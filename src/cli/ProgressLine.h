// How the command line runs a long task (MP3 import, MP3 save): a progress
// line on stderr that rewrites itself, shown only when stderr is a terminal
// and --quiet was not given, and a termination signal as the stop request.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "clip/LongTask.h"

namespace zirpel::cli {

class ProgressLine final : public LongTask {
public:
    // `show`: draw at all. `stopRequested`: whether the run was asked to end.
    ProgressLine(std::ostream& err, bool show, std::function<bool()> stopRequested);
    ~ProgressLine() override;
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Starts a step: "<label> 42 %" from now on. Ends the previous one.
    void Begin(std::string label);
    // Erases the line, if one was drawn.
    void End();

    // Draws only when the percentage grows: the MP3 save reports 0 once more
    // after its last chunk, which would only flicker.
    void Progress(std::int32_t percent) override;
    bool Pump() override { return true; }
    // A signal ends the whole run, so the start of the next task must not
    // clear it: there is nothing to clear here.
    void ClearStop() override {}
    bool StopRequested() const override { return stopRequested_ && stopRequested_(); }

private:
    std::ostream& err_;
    bool show_;
    std::function<bool()> stopRequested_;
    std::string label_;
    std::int32_t shown_ = -1;  // percentage on the line, -1 when nothing is drawn
};

}  // namespace zirpel::cli
