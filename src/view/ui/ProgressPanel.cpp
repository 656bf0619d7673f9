#include "view/ui/ProgressPanel.h"

#include <QPainter>

TProgressPanel::TProgressPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ProgressPanel"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TProgressPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (OnDrawPanel) OnDrawPanel(p, rect());
}
