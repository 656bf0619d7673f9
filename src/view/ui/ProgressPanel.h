// The owner-drawn progress panel of the status bar.
#pragma once

#include <QWidget>

class TMainForm;

class TProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit TProgressPanel(TMainForm& form);
    int FullRepaints() const { return FFullRepaints; }
    void CountFullRepaint() { ++FFullRepaints; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TMainForm& FForm;
    int FFullRepaints = 0;
};
