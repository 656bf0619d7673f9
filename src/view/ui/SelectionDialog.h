// "Auswahl festlegen": the selection typed as times. Start and length (or
// end) in seconds with a decimal comma or as minutes:seconds ("1:23,450");
// length and end follow each other. "30 s" and "40 s" set the length from
// the start. The dialog only reads and writes times; the window turns them
// into sample indices.
#pragma once

#include <QDialog>

#include <optional>

#include "clip/Extended.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TSelectionForm : public QDialog {
    Q_OBJECT
public:
    explicit TSelectionForm(QWidget* parent);

    // Fills the fields (start and length in seconds).
    void Prefill(zirpel::Extended start, zirpel::Extended length);
    // The fields as read after OK; nullopt when a text is not a time.
    std::optional<zirpel::Extended> Start() const;
    std::optional<zirpel::Extended> Length() const;

    // OK only with two valid times; otherwise the note says what is wrong.
    void accept() override;

    QLineEdit* StartEd = nullptr;
    QLineEdit* LengthEd = nullptr;
    QLineEdit* EndEd = nullptr;
    QPushButton* Len30Btn = nullptr;
    QPushButton* Len40Btn = nullptr;
    QLabel* Note = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    void LengthEdited();
    void EndEdited();
    void SetLength(zirpel::Extended seconds);
    // A field left as it was filled gives the exact value it was filled
    // with, not the millisecond it shows.
    std::optional<zirpel::Extended> Exact(const QLineEdit* edit, zirpel::Extended value, const QString& shown) const;
    zirpel::Extended prefillStart_ = 0, prefillLength_ = 0;
    QString shownStart_, shownLength_;
};
