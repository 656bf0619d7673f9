// "Lautheit angleichen": shows the measured loudness and peak of the
// selection (or the clip), takes a target in LUFS with one decimal, and
// says before OK which loudness the gain will reach: the target, or less
// where the peak would pass full scale.
#pragma once

#include <QDialog>

#include "effects/Loudness.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TLoudnessForm : public QDialog {
    Q_OBJECT
public:
    explicit TLoudnessForm(QWidget* parent);

    // The measurement the dialog shows and plans with; OK is possible only
    // for a valid one.
    void Prefill(const zirpel::LoudnessMeasurement& measured, bool is16Bit, double target);
    double Target() const;  // the field, held within the target range (a non-number: -14)
    zirpel::LoudnessPlan Plan() const;

    QLabel* MeasuredLabel = nullptr;
    QLineEdit* TargetEd = nullptr;
    QLabel* ReachedLabel = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    void UpdatePlan();
    zirpel::LoudnessMeasurement measured_;
    bool is16Bit_ = true;
};
