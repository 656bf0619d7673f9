// The time dialog shared by the fades, the crossfade and the echo: one
// field for a time in seconds. It knows nothing of the commands; each writes
// its preset before showing it and reads Time() after OK.
#pragma once

#include <QDialog>

#include "clip/Extended.h"

class QLabel;
class QPushButton;
class TimeSpinField;

class TEchoForm : public QDialog {
    Q_OBJECT
public:
    explicit TEchoForm(QWidget* parent);

    // Writes the field's text, e.g. "2,00" for the fades, "0,50" for the echo.
    void SetTime(const QString& text);
    // The seconds in the field, read from its text at extended precision
    // and held within 1e-06..100 (a non-number is 1e-06).
    zirpel::Extended Time() const;

    // OK: brings the field into range first, also when it still has the focus.
    void accept() override;

    QLabel* Label1 = nullptr;
    TimeSpinField* ZeitEd = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* BitBtnXP1 = nullptr;  // OK
    QPushButton* BitBtnXP2 = nullptr;  // Abbrechen

protected:
    void showEvent(QShowEvent* event) override;
};
