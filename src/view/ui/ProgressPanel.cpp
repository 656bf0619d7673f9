#include "view/ui/ProgressPanel.h"

#include <QPainter>

#include "app/MainUnit.h"

TProgressPanel::TProgressPanel(TMainForm& form) : QWidget(nullptr), FForm(form) {
    setObjectName(QStringLiteral("ProgressPanel"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TProgressPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    FForm.StatusBar1DrawPanel(p, rect());
}
