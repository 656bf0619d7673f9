// The owner-drawn progress panel of the status bar. Whoever owns it hands it
// the drawing routine; the panel only says when and where to draw.
#pragma once

#include <QWidget>

#include <functional>

class TProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit TProgressPanel(QWidget* parent = nullptr);

    // Called with the panel's painter and rectangle whenever it paints.
    std::function<void(QPainter&, const QRect&)> OnDrawPanel;

protected:
    void paintEvent(QPaintEvent* event) override;
};
