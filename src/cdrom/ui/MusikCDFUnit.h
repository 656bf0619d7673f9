#pragma once
#include <QDialog>

// Dialog that reads one track from an audio CD. Created at start-up; its
// controls arrive with the CD import.
class TMusikCDForm : public QDialog {
    Q_OBJECT
public:
    explicit TMusikCDForm(QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("MusikCDForm"));
        setWindowTitle(QString::fromUtf8("Lied von Musik-CD einlesen..."));
    }
};
