// Dialog of the sample format change: channels, width and rate of the new
// clip, with presets for the usual rates. It knows nothing of the clip; the
// command fills it with Prefill and reads Settings() after OK.
#pragma once

#include <QDialog>

#include <cstdint>

#include "clip/ClipFormat.h"
#include "effects/FormatChange.h"

class QCheckBox;
class QLabel;
class QPushButton;
class RateSpinField;

class TSampleFormat : public QDialog {
    Q_OBJECT
public:
    explicit TSampleFormat(QWidget* parent);

    // Shows the clip's format: the boxes as the clip is, the rate brought
    // into 1..200000.
    void Prefill(const zirpel::ClipFormat& format);
    // Writes a rate into `SamplesEd`, brought into 1..200000.
    void SetRate(std::int64_t rate);
    // The rate in `SamplesEd`, held in range (a non-number is 1).
    std::int32_t Rate() const;
    // The chosen format.
    zirpel::FormatChangeSettings Settings() const;

    // Presets: set the field only; the dialog stays open.
    void BitBtnXP3Click();
    void BitBtnXP4Click();
    void BitBtnXP5Click();
    void BitBtnXP6Click();

    // OK: brings the field into range first, also when it still has the focus.
    void accept() override;

    QCheckBox* stereocheck = nullptr;
    QCheckBox* bit16check = nullptr;
    QLabel* Label1 = nullptr;
    RateSpinField* SamplesEd = nullptr;
    QPushButton* BitBtnXP3 = nullptr;  // ->8000 Hz
    QPushButton* BitBtnXP4 = nullptr;  // ->11025 Hz
    QPushButton* BitBtnXP5 = nullptr;  // ->22050 Hz
    QPushButton* BitBtnXP6 = nullptr;  // ->44100 Hz
    QPushButton* BitBtnXP1 = nullptr;  // OK
    QPushButton* BitBtnXP2 = nullptr;  // Abbrechen

protected:
    void showEvent(QShowEvent* event) override;
};
