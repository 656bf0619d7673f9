#pragma once
#include <QDialog>

// The time dialog shared by the fades, the crossfade and the echo. Created
// at start-up; its controls arrive with the effects.
class TEchoForm : public QDialog {
    Q_OBJECT
public:
    explicit TEchoForm(QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("EchoForm"));
        setWindowTitle(QString::fromUtf8("Effekt"));
    }
};
