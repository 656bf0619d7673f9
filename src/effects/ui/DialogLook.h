// What the effect dialogs share in look: an 8-point face (the captions were
// laid out for it), a fixed client size, and a place in the middle of the
// screen rather than over the main window.
#pragma once

class QDialog;
class QSize;

void UseDialogLook(QDialog& dialog, const QSize& clientSize);
void CentreOnScreen(QDialog& dialog);
