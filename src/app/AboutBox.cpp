#include "app/AboutBox.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/AppIcon.h"

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QString::fromUtf8("Info"));
    auto* row = new QHBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(ZirpelPicture(96));
    row->addWidget(picture, 0, Qt::AlignTop);
    auto* col = new QVBoxLayout();
    auto* text = new QLabel(QString::fromUtf8(
                                "<b>Zirpel-Editor</b><br>Version 1.0<br><br>"
                                "Macht aus Musik Klingeltöne für das Telefon:<br>"
                                "öffnen, zurechtschneiden, bearbeiten, anhören, speichern."),
                            this);
    col->addWidget(text);
    auto* buttons = new QHBoxLayout();
    auto* web = new QPushButton(QString::fromUtf8("Homepage besuchen"), this);
    web->setObjectName(QStringLiteral("HomePageBtn"));
    connect(web, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kZirpelHomePage))); });
    auto* ok = new QPushButton(QString::fromUtf8("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(web);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    col->addLayout(buttons);
    row->addLayout(col);
}
