// Progress in the status bar. SetProStatus paints at once: the MP3 encoder
// processes no events while it runs, so these direct paints are the only
// visible update during a save. It paints only when the bar's drawn
// boundary moves, and a growing bar at most once per display frame: a long
// import reports thousands of percentages, and each synchronous paint costs
// tens of microseconds and slows the decoder after it. A growth skipped that
// way is drawn with the next report after the frame.
#include <QPainter>
#include <QPalette>
#include <QStatusBar>

#include <chrono>

#include "app/MainUnit.h"
#include "view/Progress.h"
#include "view/ui/ProgressPanel.h"

namespace {

constexpr auto kDisplayFrame = std::chrono::milliseconds(15);

}  // namespace

void TMainForm::SetProStatus(std::int32_t percent) {
    if (!zirpel::ProgressIsValid(percent)) return;
    const TProgressRect& pr = FProgressRect;
    // Once the panel has been drawn, a value that leaves the boundary where
    // it was last painted changes nothing on screen.
    const bool drawn = pr.Right > pr.Left;
    const bool sameBoundary = drawn && zirpel::ProgressBoundary(pr.Left, pr.Right, percent) ==
                                           zirpel::ProgressBoundary(pr.Left, pr.Right, FPaintedProgress);
    const bool shrinks = percent < FPaintedProgress;
    FProgress = percent;
    if (sameBoundary) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn && !shrinks && now - FLastProgressPaint < kDisplayFrame) return;
    FPaintedProgress = percent;
    FLastProgressPaint = now;
    if (shrinks) {
        StatusBar1->repaint();
        StatusPanel1->repaint();
    } else {
        SBarPaintMore();
    }
}

void TMainForm::StatusBar1DrawPanel(QPainter& painter, const QRect& rect) {
    const std::int32_t l = rect.left(), t = rect.top();
    const std::int32_t r = rect.left() + rect.width(), b = rect.top() + rect.height();
    const std::int32_t x = zirpel::ProgressBoundary(l, r, FProgress);
    painter.fillRect(QRect(l, t, x - l, b - t), QColor(0, 0, 128));
    painter.fillRect(QRect(x, t, r - x, b - t), palette().color(QPalette::Button));
    FProgressRect = {l, t, r, b};
    FPaintedProgress = FProgress;
}

void TMainForm::SBarPaintMore() {
    // Only the done part is painted again; nothing else is erased.
    const TProgressRect& pr = FProgressRect;
    const std::int32_t x = zirpel::ProgressBoundary(pr.Left, pr.Right, FProgress);
    if (x > pr.Left && pr.Bottom > pr.Top)
        StatusPanel1->repaint(QRect(pr.Left, pr.Top, x - pr.Left, pr.Bottom - pr.Top));
}
