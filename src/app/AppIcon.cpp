#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kIconSizes[] = {16, 32, 48, 64, 128};

QImage DrawPicture(int size) {
    QImage pm(size, size, QImage::Format_ARGB32_Premultiplied);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(96, 0, 0));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    // The waveform, in the view's colours.
    QPainterPath wave;
    const int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        const qreal t = qreal(i) / steps;
        const qreal env = std::sin(t * M_PI);
        const qreal y = s * 0.62 + std::sin(t * 6 * M_PI) * s * 0.22 * env;
        const QPointF pt(s * 0.08 + t * s * 0.84, y);
        if (i == 0) wave.moveTo(pt); else wave.lineTo(pt);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 255, 0), std::max<qreal>(1.0, s / 24)));
    p.drawPath(wave);
    // A small bell: the ringtone.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 128, 255));
    QPainterPath bell;
    bell.moveTo(s * 0.50, s * 0.08);
    bell.cubicTo(s * 0.66, s * 0.10, s * 0.66, s * 0.28, s * 0.72, s * 0.36);
    bell.lineTo(s * 0.28, s * 0.36);
    bell.cubicTo(s * 0.34, s * 0.28, s * 0.34, s * 0.10, s * 0.50, s * 0.08);
    p.drawPath(bell);
    p.drawEllipse(QPointF(s * 0.5, s * 0.39), s * 0.05, s * 0.04);
    p.end();
    return pm;
}

}  // namespace

QPixmap ZirpelPicture(int size) { return QPixmap::fromImage(DrawPicture(size)); }

std::vector<QImage> DrawZirpelIconImages() {
    std::vector<QImage> images;
    for (int size : kIconSizes) images.push_back(DrawPicture(size));
    return images;
}

QIcon ZirpelIcon(const std::vector<QImage>& images) {
    QIcon icon;
    for (const QImage& image : images) icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

QIcon ZirpelIcon() { return ZirpelIcon(DrawZirpelIconImages()); }
