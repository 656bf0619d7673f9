#include "effects/ui/SampleFormatFUnit.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "clip/ClipFormat.h"
#include "effects/FormatChange.h"
#include "effects/ui/DialogLook.h"
#include "effects/ui/SpinFields.h"

namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int x, int y, int w) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, w, 28);
    return b;
}

}  // namespace

TSampleFormat::TSampleFormat(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SampleFormat"));
    setWindowTitle(QString::fromUtf8("Sampleformat ändern"));
    UseDialogLook(*this, QSize(438, 174));

    stereocheck = new QCheckBox(QString::fromUtf8("Stereo (ansonsten Mono)"), this);
    stereocheck->setObjectName(QStringLiteral("stereocheck"));
    stereocheck->setGeometry(20, 16, 260, 22);

    bit16check = new QCheckBox(QString::fromUtf8("16 Bit Samples (ansonsten 8 Bit)"), this);
    bit16check->setObjectName(QStringLiteral("bit16check"));
    bit16check->setGeometry(20, 44, 260, 22);

    Label1 = new QLabel(QString::fromUtf8("Samples pro Sekunde:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(20, 82, 130, 20);

    SamplesEd = new RateSpinField(this);
    SamplesEd->setObjectName(QStringLiteral("SamplesEd"));
    SamplesEd->setGeometry(154, 80, 110, 24);
    SamplesEd->SetValue(44100);
    Label1->setBuddy(SamplesEd);

    BitBtnXP3 = MakeButton(this, "BitBtnXP3", "->8000 Hz", 300, 12, 120);
    BitBtnXP4 = MakeButton(this, "BitBtnXP4", "->11025 Hz", 300, 44, 120);
    BitBtnXP5 = MakeButton(this, "BitBtnXP5", "->22050 Hz", 300, 76, 120);
    BitBtnXP6 = MakeButton(this, "BitBtnXP6", "->44100 Hz", 300, 108, 120);
    for (QPushButton* preset : {BitBtnXP3, BitBtnXP4, BitBtnXP5, BitBtnXP6}) preset->setAutoDefault(false);
    connect(BitBtnXP3, &QPushButton::clicked, this, &TSampleFormat::BitBtnXP3Click);
    connect(BitBtnXP4, &QPushButton::clicked, this, &TSampleFormat::BitBtnXP4Click);
    connect(BitBtnXP5, &QPushButton::clicked, this, &TSampleFormat::BitBtnXP5Click);
    connect(BitBtnXP6, &QPushButton::clicked, this, &TSampleFormat::BitBtnXP6Click);

    BitBtnXP1 = MakeButton(this, "BitBtnXP1", "OK", 20, 132, 93);
    BitBtnXP1->setDefault(true);
    connect(BitBtnXP1, &QPushButton::clicked, this, &TSampleFormat::accept);
    BitBtnXP2 = MakeButton(this, "BitBtnXP2", "Abbrechen", 121, 132, 93);
    connect(BitBtnXP2, &QPushButton::clicked, this, &TSampleFormat::reject);

    QWidget* order[] = {stereocheck, bit16check, SamplesEd, BitBtnXP1, BitBtnXP2,
                        BitBtnXP3,   BitBtnXP4,  BitBtnXP5, BitBtnXP6};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void TSampleFormat::Prefill(const zirpel::ClipFormat& format) {
    stereocheck->setChecked(format.stereo);
    bit16check->setChecked(format.is16Bit);
    SetRate(format.sampleRate);
}

void TSampleFormat::SetRate(std::int64_t rate) { SamplesEd->SetValue(rate); }

std::int32_t TSampleFormat::Rate() const { return SamplesEd->Value(); }

zirpel::FormatChangeSettings TSampleFormat::Settings() const {
    return {stereocheck->isChecked(), bit16check->isChecked(), Rate()};
}

void TSampleFormat::BitBtnXP3Click() { SetRate(8000); }
void TSampleFormat::BitBtnXP4Click() { SetRate(11025); }
void TSampleFormat::BitBtnXP5Click() { SetRate(22050); }
void TSampleFormat::BitBtnXP6Click() { SetRate(44100); }

void TSampleFormat::accept() {
    SamplesEd->Normalize();
    QDialog::accept();
}

void TSampleFormat::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(*this);
}
