#include "effects/ui/DialogLook.h"

#include <QDialog>
#include <QFont>
#include <QRect>
#include <QScreen>
#include <QSize>

void UseDialogLook(QDialog& dialog, const QSize& clientSize) {
    QFont small = dialog.font();
    small.setPointSize(8);
    dialog.setFont(small);
    dialog.setFixedSize(clientSize);
}

void CentreOnScreen(QDialog& dialog) {
    const QScreen* screen = dialog.screen();
    if (!screen) return;
    QRect frame = dialog.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    dialog.move(frame.topLeft());
}
