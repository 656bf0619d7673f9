#include "view/ui/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/MainUnit.h"

TPaintBox::TPaintBox(TMainForm& form) : QWidget(nullptr), FForm(form) {
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
    // The bitmap follows the widget's size; a resize redraws it at the new
    // size without touching the scroll range.
    if (FForm.FViewBitmap.size() != size()) FForm.RunCommand([this] { FForm.PaintBox1Paint(); });
    QPainter p(this);
    p.drawImage(0, 0, FForm.FViewBitmap);
    if (FPlayCursor >= 0 && FPlayCursor < width()) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QColor(255, 255, 255));
        p.drawLine(FPlayCursor, 0, FPlayCursor, height());
    }
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    const int x = qRound(event->position().x());
    FForm.RunCommand([this, x] { FForm.PaintBox1MouseDown(x); });
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    const int x = qRound(event->position().x());
    const bool left = event->buttons().testFlag(Qt::LeftButton);
    FForm.RunCommand([this, x, left] { FForm.PaintBox1MouseMove(x, left); });
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    const int x = qRound(event->position().x());
    FForm.RunCommand([this, x] { FForm.PaintBox1MouseUp(x); });
}
