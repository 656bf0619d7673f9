// PaintBox1: shows the view bitmap it is handed and reports mouse input and
// size changes by signal; it knows nothing of the window that owns it.
// Playback draws its cursor through SetPlayCursor; the cursor is an overlay
// inverted onto the bitmap, so a repaint of the view can never leave a stray
// line behind.
#pragma once

#include <QImage>
#include <QWidget>

class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);

    // The bitmap to show; it must outlive the widget or be replaced first.
    void SetImage(const QImage* image) { FImage = image; }

    // Column of the play cursor, or -1 for none. Repaints at once.
    void SetPlayCursor(int column);
    int PlayCursor() const { return FPlayCursor; }
    // Forgets the cursor without painting (the caller repaints the view).
    void ClearPlayCursor() { FPlayCursor = -1; }

signals:
    void mousePressed(int x);
    void mouseMoved(int x, bool leftButtonHeld);
    void mouseReleased(int x);
    // The widget's size changed: the bitmap must be drawn anew at the new size.
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const QImage* FImage = nullptr;
    int FPlayCursor = -1;
};
