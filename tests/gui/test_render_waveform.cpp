// The view's drawing, against the plain way of drawing it: background, then
// the band, then a line from each point to the next, then the anchor line.
// The one-pass fill and the single polyline must give the same pixels.
#include <gtest/gtest.h>

#include <QPainter>

#include <cstdint>

#include "view/ui/RenderWaveform.h"

namespace {

QImage PlainDrawing(QSize size, const zirpel::WaveformGeometry& g) {
    QImage bitmap(size, QImage::Format_RGB32);
    const int h = size.height();
    bitmap.fill(QColor(96, 0, 0));
    QPainter p(&bitmap);
    if (g.hasBand)
        p.fillRect(QRect(QPoint(g.bandLeft, 0), QPoint(g.bandRight - 1, h - 1)), QColor(128, 128, 255));
    p.setPen(QColor(0, 255, 0));
    QPoint at(g.start.x, g.start.y);
    for (const zirpel::ViewPoint& pt : g.lineTo) {
        p.drawLine(at, QPoint(pt.x, pt.y));
        at = QPoint(pt.x, pt.y);
    }
    p.setPen(QColor(0, 255, 255));
    p.drawLine(g.anchorColumn, 0, g.anchorColumn, h - 1);
    return bitmap;
}

}  // namespace

TEST(RenderWaveform, GivesThePixelsOfALineFromEachPointToTheNext) {
    // Lower than the fixed start point (y 128) for the first two cases, so
    // that the first line leaves the bitmap; as high as the bench's view
    // after that.
    std::uint32_t seed = 1;
    auto random = [&seed](int n) { return static_cast<int>((seed = seed * 1103515245u + 12345u) >> 16) % n; };
    struct Case {
        const char* name;
        int points;
        bool band;
        int bandLeft, bandRight, anchor;
    };
    int round = 0;
    for (const Case c : {Case{"noise with a band", 300, true, 40, 90, 40},
                         Case{"short clip, band past the edges", 120, true, -20, 500, 310},
                         Case{"no band, anchor at 0", 299, false, 0, 0, 0},
                         Case{"one point", 1, true, 7, 8, 7},
                         Case{"no point", 0, false, 0, 0, 150}}) {
        const QSize size(300, round++ < 2 ? 120 : 300);
        for (int shape = 0; shape < 3; ++shape) {
            SCOPED_TRACE(std::string(c.name) + ", shape " + std::to_string(shape));
            zirpel::WaveformGeometry g;
            g.hasBand = c.band;
            g.bandLeft = c.bandLeft;
            g.bandRight = c.bandRight;
            g.anchorColumn = c.anchor;
            g.start = {0, 128};
            for (int x = 0; x < c.points; ++x) {
                const int y = shape == 0 ? random(size.height())                          // noise
                              : shape == 1 ? (x % 2 == 0 ? 0 : size.height() - 1)          // full swings
                                           : size.height() / 2 + (x / 10 % 3 - 1) * 20;  // steps
                g.lineTo.push_back({x, y});
            }
            QImage drawn;
            RenderWaveform(drawn, size, g);
            EXPECT_TRUE(drawn == PlainDrawing(size, g));
        }
    }
}
