#include "view/ui/RenderWaveform.h"

#include <QPainter>

void RenderWaveform(QImage& bitmap, QSize size, const zirpel::WaveformGeometry& g) {
    if (bitmap.size() != size) bitmap = QImage(size, QImage::Format_RGB32);
    const int h = size.height();
    bitmap.fill(QColor(96, 0, 0));
    QPainter p(&bitmap);
    if (g.hasBand)
        p.fillRect(QRect(QPoint(g.bandLeft, 0), QPoint(g.bandRight - 1, h - 1)), QColor(128, 128, 255));
    p.setPen(QColor(0, 255, 0));
    QPoint at(g.start.x, g.start.y);
    for (const zirpel::ViewPoint& pt : g.lineTo) {
        const QPoint to(pt.x, pt.y);
        p.drawLine(at, to);
        at = to;
    }
    p.setPen(QColor(0, 255, 255));
    p.drawLine(g.anchorColumn, 0, g.anchorColumn, h - 1);
}
