#include "effects/ui/EchoFUnit.h"

#include <QLabel>
#include <QPushButton>

#include "effects/ui/DialogLook.h"
#include "effects/ui/SpinFields.h"

TEchoForm::TEchoForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("EchoForm"));
    setWindowTitle(QString::fromUtf8("Effekt"));
    UseDialogLook(*this, QSize(345, 109));

    Label1 = new QLabel(QString::fromUtf8("Zeitspanne:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(24, 24, 76, 20);

    ZeitEd = new TimeSpinField(this);
    ZeitEd->setObjectName(QStringLiteral("ZeitEd"));
    ZeitEd->setGeometry(104, 22, 121, 24);
    ZeitEd->SetText(QString::fromUtf8("0,50"));
    Label1->setBuddy(ZeitEd);

    Label2 = new QLabel(QString::fromUtf8("Sekunden"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(233, 24, 90, 20);

    BitBtnXP1 = new QPushButton(QString::fromUtf8("OK"), this);
    BitBtnXP1->setObjectName(QStringLiteral("BitBtnXP1"));
    BitBtnXP1->setGeometry(76, 66, 93, 28);
    BitBtnXP1->setDefault(true);
    connect(BitBtnXP1, &QPushButton::clicked, this, &TEchoForm::accept);

    BitBtnXP2 = new QPushButton(QString::fromUtf8("Abbrechen"), this);
    BitBtnXP2->setObjectName(QStringLiteral("BitBtnXP2"));
    BitBtnXP2->setGeometry(177, 66, 93, 28);
    connect(BitBtnXP2, &QPushButton::clicked, this, &TEchoForm::reject);

    setTabOrder(ZeitEd, BitBtnXP1);
    setTabOrder(BitBtnXP1, BitBtnXP2);
}

void TEchoForm::SetTime(const QString& text) { ZeitEd->SetText(text); }

zirpel::Extended TEchoForm::Time() const { return ZeitEd->Value(); }

void TEchoForm::accept() {
    ZeitEd->Normalize();
    QDialog::accept();
}

void TEchoForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(*this);
    ZeitEd->setFocus();
    ZeitEd->selectAll();
}
