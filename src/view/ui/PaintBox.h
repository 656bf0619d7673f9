// PaintBox1: shows the off-screen view bitmap and passes mouse events to the
// main window. Playback draws its cursor through SetPlayCursor; the cursor is
// an overlay inverted onto the bitmap, so a repaint of the view can never
// leave a stray line behind.
#pragma once

#include <QWidget>

class TMainForm;

class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(TMainForm& form);

    // Column of the play cursor, or -1 for none. Repaints at once.
    void SetPlayCursor(int column);
    int PlayCursor() const { return FPlayCursor; }
    // Forgets the cursor without painting (the caller repaints the view).
    void ClearPlayCursor() { FPlayCursor = -1; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TMainForm& FForm;
    int FPlayCursor = -1;
};
