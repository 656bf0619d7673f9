#include "effects/ui/LoudnessDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <cstdio>

namespace {

QString Decimal1(double v) {
    if (std::isinf(v)) return QString::fromUtf8(v < 0 ? "-∞" : "∞");
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return QString::fromLatin1(buf).replace(QLatin1Char('.'), QLatin1Char(','));
}

}  // namespace

TLoudnessForm::TLoudnessForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("LoudnessForm"));
    setWindowTitle(QString::fromUtf8("Lautheit angleichen"));
    auto* grid = new QGridLayout(this);
    MeasuredLabel = new QLabel(this);
    grid->addWidget(MeasuredLabel, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QString::fromUtf8("Ziel:"), this), 1, 0);
    TargetEd = new QLineEdit(this);
    TargetEd->setMaximumWidth(80);
    grid->addWidget(TargetEd, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("LUFS"), this), 1, 2);
    ReachedLabel = new QLabel(this);
    grid->addWidget(ReachedLabel, 2, 0, 1, 3);
    auto* buttons = new QHBoxLayout();
    OkBtn = new QPushButton(QString::fromUtf8("OK"), this);
    OkBtn->setDefault(true);
    CancelBtn = new QPushButton(QString::fromUtf8("Abbrechen"), this);
    buttons->addStretch(1);
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 3, 0, 1, 3);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(TargetEd, &QLineEdit::textChanged, this, [this] { UpdatePlan(); });
}

void TLoudnessForm::Prefill(const zirpel::LoudnessMeasurement& measured, bool is16Bit, double target) {
    measured_ = measured;
    is16Bit_ = is16Bit;
    if (measured.valid)
        MeasuredLabel->setText(QString::fromUtf8("Gemessen: %1 LUFS integriert, Lautheitsumfang %2 LU, Spitze %3 dBFS")
                                   .arg(Decimal1(measured.integrated), Decimal1(measured.range),
                                        Decimal1(measured.PeakDbfs())));
    else
        MeasuredLabel->setText(QString::fromUtf8("Nicht messbar: kürzer als 0,4 s, still oder unter 4000 Hz"));
    TargetEd->setText(Decimal1(target));
    UpdatePlan();
}

double TLoudnessForm::Target() const {
    return zirpel::ParseLoudnessTarget(TargetEd->text().toStdString()).value_or(zirpel::kDefaultLoudnessTarget);
}

zirpel::LoudnessPlan TLoudnessForm::Plan() const { return zirpel::PlanLoudness(measured_, Target(), is16Bit_); }

void TLoudnessForm::UpdatePlan() {
    OkBtn->setEnabled(measured_.valid);
    if (!measured_.valid) {
        ReachedLabel->clear();
        return;
    }
    const zirpel::LoudnessPlan plan = Plan();
    const QString gain = Decimal1(20.0 * std::log10(plan.gain));
    if (plan.peakLimited)
        ReachedLabel->setText(QString::fromUtf8("Begrenzt durch die Spitze: erreicht %1 LUFS (%2 dB)")
                                  .arg(Decimal1(plan.reached), gain));
    else
        ReachedLabel->setText(QString::fromUtf8("Erreicht %1 LUFS (%2 dB)").arg(Decimal1(plan.reached), gain));
}
