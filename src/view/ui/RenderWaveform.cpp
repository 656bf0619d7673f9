#include "view/ui/RenderWaveform.h"

#include <QPainter>

#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace {

const QColor kLineColour(0, 255, 0);

// The pixels a line of the waveform's pen sets from (0, 0) to (dx, dy), as
// QPainter sets them: learnt once per step by drawing it into a scratch
// image, so that the view's many short lines can be set directly in the
// bitmap, pixel for pixel as the painter would, without its per-pixel cost.
const std::vector<QPoint>& LinePixels(int dx, int dy) {
    static std::unordered_map<long, std::vector<QPoint>> learnt;
    const long key = static_cast<long>(dy) * 4 + dx;
    auto it = learnt.find(key);
    if (it != learnt.end()) return it->second;
    const int margin = 2;
    const QPoint from(margin, margin + (dy < 0 ? -dy : 0));
    QImage scratch(dx + 2 * margin + 1, std::abs(dy) + 2 * margin + 1, QImage::Format_RGB32);
    scratch.fill(Qt::black);
    {
        QPainter p(&scratch);
        p.setPen(kLineColour);
        p.drawLine(from, from + QPoint(dx, dy));
    }
    std::vector<QPoint> pixels;
    for (int y = 0; y < scratch.height(); ++y)
        for (int x = 0; x < scratch.width(); ++x)
            if (scratch.pixel(x, y) != qRgb(0, 0, 0)) pixels.push_back(QPoint(x, y) - from);
    return learnt.emplace(key, std::move(pixels)).first->second;
}

}  // namespace

void RenderWaveform(QImage& bitmap, QSize size, const zirpel::WaveformGeometry& g) {
    if (bitmap.size() != size) bitmap = QImage(size, QImage::Format_RGB32);
    const int w = size.width(), h = size.height();
    bitmap.fill(QColor(96, 0, 0));
    QPainter p(&bitmap);
    if (g.hasBand)
        p.fillRect(QRect(QPoint(g.bandLeft, 0), QPoint(g.bandRight - 1, h - 1)), QColor(128, 128, 255));
    // A line from the fixed start point to the first point and from each
    // point to the next. The steps between neighbouring columns are set
    // from their learnt pixels; any other line, or one with an end outside
    // the bitmap (where the painter clips), is drawn by the painter.
    p.setPen(kLineColour);
    const QRgb colour = kLineColour.rgb();
    auto* pixels = reinterpret_cast<QRgb*>(bitmap.bits());  // the painter works on these very bytes
    const qsizetype stride = bitmap.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    const auto inside = [w, h](QPoint q) { return q.x() >= 0 && q.x() < w && q.y() >= 0 && q.y() < h; };
    QPoint at(g.start.x, g.start.y);
    for (const zirpel::ViewPoint& pt : g.lineTo) {
        const QPoint to(pt.x, pt.y);
        const int dx = to.x() - at.x();
        if ((dx == 0 || dx == 1) && inside(at) && inside(to)) {
            for (const QPoint& d : LinePixels(dx, to.y() - at.y())) {
                const QPoint q = at + d;
                if (inside(q)) pixels[q.y() * stride + q.x()] = colour;
            }
        } else {
            p.drawLine(at, to);
        }
        at = to;
    }
    p.setPen(QColor(0, 255, 255));
    p.drawLine(g.anchorColumn, 0, g.anchorColumn, h - 1);
}
