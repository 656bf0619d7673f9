#include "view/ui/SelectionDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "view/SelectionTime.h"

namespace {

QString Shown(zirpel::Extended seconds) { return QString::fromStdString(zirpel::FormatClockTime(seconds)); }

std::optional<zirpel::Extended> Read(const QLineEdit* edit) {
    const auto v = zirpel::ParseClockTime(edit->text().toStdString());
    if (!v || *v < 0) return std::nullopt;
    return v;
}

}  // namespace

TSelectionForm::TSelectionForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SelectionForm"));
    setWindowTitle(QString::fromUtf8("Auswahl festlegen"));
    auto* grid = new QGridLayout(this);
    StartEd = new QLineEdit(this);
    LengthEd = new QLineEdit(this);
    EndEd = new QLineEdit(this);
    Len30Btn = new QPushButton(QString::fromUtf8("30 s"), this);
    Len40Btn = new QPushButton(QString::fromUtf8("40 s"), this);
    for (QPushButton* b : {Len30Btn, Len40Btn}) b->setAutoDefault(false);
    grid->addWidget(new QLabel(QString::fromUtf8("Anfang:"), this), 0, 0);
    grid->addWidget(StartEd, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QString::fromUtf8("Länge:"), this), 1, 0);
    grid->addWidget(LengthEd, 1, 1);
    grid->addWidget(Len30Btn, 1, 2);
    grid->addWidget(Len40Btn, 1, 3);
    grid->addWidget(new QLabel(QString::fromUtf8("Ende:"), this), 2, 0);
    grid->addWidget(EndEd, 2, 1, 1, 3);
    Note = new QLabel(QString::fromUtf8("Sekunden (12,5) oder Minuten:Sekunden (1:23,450)"), this);
    grid->addWidget(Note, 3, 0, 1, 4);
    auto* buttons = new QHBoxLayout();
    OkBtn = new QPushButton(QString::fromUtf8("OK"), this);
    OkBtn->setDefault(true);
    CancelBtn = new QPushButton(QString::fromUtf8("Abbrechen"), this);
    buttons->addStretch(1);
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 4, 0, 1, 4);

    connect(OkBtn, &QPushButton::clicked, this, &TSelectionForm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    // A button's length is exact: the field no longer stands for the prefill.
    connect(Len30Btn, &QPushButton::clicked, this, [this] {
        SetLength(30);
        shownLength_.clear();
    });
    connect(Len40Btn, &QPushButton::clicked, this, [this] {
        SetLength(40);
        shownLength_.clear();
    });
    connect(LengthEd, &QLineEdit::textEdited, this, [this] { LengthEdited(); });
    connect(StartEd, &QLineEdit::textEdited, this, [this] { LengthEdited(); });
    connect(EndEd, &QLineEdit::textEdited, this, [this] { EndEdited(); });
}

void TSelectionForm::Prefill(zirpel::Extended start, zirpel::Extended length) {
    StartEd->setText(Shown(start));
    SetLength(length);
    prefillStart_ = start;
    prefillLength_ = length;
    shownStart_ = StartEd->text();
    shownLength_ = LengthEd->text();
}

std::optional<zirpel::Extended> TSelectionForm::Exact(const QLineEdit* edit, zirpel::Extended value,
                                                       const QString& shown) const {
    if (edit->text() == shown) return value;
    return Read(edit);
}

void TSelectionForm::SetLength(zirpel::Extended seconds) {
    LengthEd->setText(Shown(seconds));
    LengthEdited();
}

void TSelectionForm::LengthEdited() {
    const auto start = Read(StartEd);
    const auto length = Read(LengthEd);
    if (start && length) EndEd->setText(Shown(*start + *length));
}

void TSelectionForm::EndEdited() {
    const auto start = Read(StartEd);
    const auto end = Read(EndEd);
    if (start && end && *end >= *start) LengthEd->setText(Shown(*end - *start));
}

std::optional<zirpel::Extended> TSelectionForm::Start() const { return Exact(StartEd, prefillStart_, shownStart_); }

std::optional<zirpel::Extended> TSelectionForm::Length() const {
    return Exact(LengthEd, prefillLength_, shownLength_);
}

void TSelectionForm::accept() {
    if (!Start() || !Length()) {
        Note->setText(QString::fromUtf8("Bitte Zeiten wie 12,5 oder 1:23,450 eingeben"));
        return;
    }
    QDialog::accept();
}
