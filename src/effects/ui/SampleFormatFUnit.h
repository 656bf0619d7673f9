#pragma once
#include <QDialog>

// Dialog of the sample format change. Created at start-up; its controls
// arrive with the format change command.
class TSampleFormat : public QDialog {
    Q_OBJECT
public:
    explicit TSampleFormat(QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("SampleFormat"));
        setWindowTitle(QString::fromUtf8("Sampleformat ändern"));
    }
};
