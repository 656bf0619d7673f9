// Progress in the status bar. SetProStatus paints at once: the MP3 encoder
// processes no events while it runs, so these direct paints are the only
// visible update during a save. A growing bar paints navy over what is on
// the screen without erasing anything, so only the strip between the navy
// already shown and the new boundary changes: only that strip is painted
// and brought to the screen, a few microseconds however often the long
// tasks report. Only a smaller value repaints the whole bar.
#include <QPainter>
#include <QPalette>
#include <QStatusBar>

#include <algorithm>

#include "app/MainUnit.h"
#include "view/Progress.h"
#include "view/ui/ProgressPanel.h"

void TMainForm::SetProStatus(std::int32_t percent) {
    if (!zirpel::ProgressIsValid(percent)) return;
    if (percent < FProgress) {
        FProgress = percent;
        StatusBar1->repaint();
        StatusPanel1->repaint();
        return;
    }
    FProgress = percent;
    SBarPaintMore();
}

void TMainForm::StatusBar1DrawPanel(QPainter& painter, const QRect& rect) {
    const std::int32_t l = rect.left(), t = rect.top();
    const std::int32_t r = rect.left() + rect.width(), b = rect.top() + rect.height();
    const std::int32_t x = zirpel::ProgressBoundary(l, r, FProgress);
    painter.fillRect(QRect(l, t, x - l, b - t), QColor(0, 0, 128));
    painter.fillRect(QRect(x, t, r - x, b - t), palette().color(QPalette::Button));
    FProgressRect = {l, t, r, b};
    FNavyRight = x;
}

void TMainForm::SBarPaintMore() {
    const TProgressRect& pr = FProgressRect;
    const std::int32_t x = zirpel::ProgressBoundary(pr.Left, pr.Right, FProgress);
    const std::int32_t from = std::max(FNavyRight, pr.Left);
    if (x > from && pr.Bottom > pr.Top)
        StatusPanel1->repaint(QRect(from, pr.Top, x - from, pr.Bottom - pr.Top));
}
