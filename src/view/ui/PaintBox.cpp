#include "view/ui/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PaintBox1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
}

void TPaintBox::SetPlayCursor(int column) {
    if (column == FPlayCursor) return;
    FPlayCursor = column;
    repaint();
}

void TPaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (FImage) p.drawImage(0, 0, *FImage);
    if (FPlayCursor >= 0 && FPlayCursor < width()) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QColor(255, 255, 255));
        p.drawLine(FPlayCursor, 0, FPlayCursor, height());
    }
}

void TPaintBox::resizeEvent(QResizeEvent*) { emit resized(); }

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(qRound(event->position().x()));
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(qRound(event->position().x()), event->buttons().testFlag(Qt::LeftButton));
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(qRound(event->position().x()));
}
