#include "cdrom/ui/MusikCDFUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include <utility>

#include "cdrom/LinuxCdPlatform.h"
#include "cdrom/TrackImport.h"
#include "clip/Clip.h"

namespace {

// The run's view of the dialog: events are let through once per round, the
// cancel flag is the dialog's (a termination signal stops the run too), and
// a destroyed dialog ends the run.
class CdDialogTask final : public zirpel::LongTask {
public:
    explicit CdDialogTask(TMusikCDForm* form) : form_(form) {}
    bool Pump() override {
        QCoreApplication::processEvents();
        return !form_.isNull();
    }
    void ClearStop() override {
        if (form_) form_->FCancelRequested = false;
    }
    bool StopRequested() const override {
        return form_ && (form_->FCancelRequested || form_->FTerminating);
    }

private:
    QPointer<TMusikCDForm> form_;
};

}  // namespace

TMusikCDForm::TMusikCDForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      FPlatform(std::make_shared<zirpel::LinuxCdPlatform>()) {
    setObjectName(QStringLiteral("MusikCDForm"));
    setWindowTitle(QString::fromUtf8("Lied von Musik-CD einlesen..."));
    setFixedSize(420, 300);

    Label2 = new QLabel(QString::fromUtf8("Laufwerk:"), this);
    // The labels' column is wide enough for "Track zum Speichern:" in any
    // usual desktop font.
    Label2->setGeometry(8, 12, 150, 22);
    DriveBox = new QComboBox(this);
    DriveBox->setEditable(false);
    DriveBox->setGeometry(162, 12, 250, 22);
    Label4 = new QLabel(QString::fromUtf8("Track zum Speichern:"), this);
    Label4->setGeometry(8, 44, 150, 22);
    STrackEd = new QSpinBox(this);
    STrackEd->setGeometry(162, 44, 64, 22);
    STrackEd->setRange(1, 256);
    STrackEd->setValue(1);
    Label1 = new QLabel(this);
    Label1->setGeometry(234, 44, 178, 22);
    KaraokeCheck = new QCheckBox(QString::fromUtf8("Karaoke Modus (nur Hintergrundmusik)"), this);
    KaraokeCheck->setGeometry(8, 76, 404, 22);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setReadOnly(true);
    Memo1->setGeometry(8, 106, 404, 150);
    QPalette memoColours = Memo1->palette();
    memoColours.setColor(QPalette::Base, memoColours.color(QPalette::ToolTipBase));
    memoColours.setColor(QPalette::Text, memoColours.color(QPalette::ToolTipText));
    Memo1->setPalette(memoColours);
    BitBtnXP1 = new QPushButton(QString::fromUtf8("OK"), this);
    BitBtnXP1->setGeometry(248, 266, 80, 25);
    BitBtnXP1->setDefault(true);
    BitBtnXP2 = new QPushButton(QString::fromUtf8("Abbrechen"), this);
    BitBtnXP2->setGeometry(332, 266, 80, 25);

    connect(BitBtnXP1, &QPushButton::clicked, this, &TMusikCDForm::BitBtnXP1Click);
    connect(BitBtnXP2, &QPushButton::clicked, this, &TMusikCDForm::BitBtnXP2Click);
}

TMusikCDForm::~TMusikCDForm() = default;

void TMusikCDForm::SetCdAccess(std::shared_ptr<zirpel::CdPlatform> platform,
                               const zirpel::CdDriveTable& drives) {
    if (platform) FPlatform = std::move(platform);
    FDrives = drives;
}

void TMusikCDForm::SetDriveItems(const std::vector<std::string>& items) {
    DriveBox->clear();
    for (const std::string& item : items) DriveBox->addItem(QString::fromUtf8(item));
    if (!items.empty()) DriveBox->setCurrentIndex(0);
}

void TMusikCDForm::AppendLog(const std::string& line) {
    Memo1->appendPlainText(QString::fromUtf8(line));
}

std::optional<zirpel::Clip> TMusikCDForm::TakeRippedClip() {
    if (!FRippedClip) return std::nullopt;
    std::optional<zirpel::Clip> clip(std::move(*FRippedClip));
    FRippedClip.reset();
    return clip;
}

void TMusikCDForm::BitBtnXP1Click() {
    if (FRunning) return;
    BitBtnXP1->setEnabled(false);
    if (!SaveTrackClick()) return;  // the dialog is gone
    BitBtnXP1->setEnabled(true);
    accept();
}

void TMusikCDForm::BitBtnXP2Click() {
    FCancelRequested = true;
    if (!FRunning) QDialog::reject();
}

void TMusikCDForm::reject() { BitBtnXP2Click(); }

void TMusikCDForm::Terminate() { FTerminating = true; }

bool TMusikCDForm::SaveTrackClick() {
    // Held here: the run may close its device after the dialog is gone.
    const std::shared_ptr<zirpel::CdPlatform> platform = FPlatform;
    FRippedClip.reset();
    zirpel::TrackImportRequest request;
    request.drives = &FDrives;
    request.selectedDrive = DriveBox->count() > 0 ? DriveBox->currentIndex() : -1;
    request.trackNumber = STrackEd->value();
    zirpel::TrackImportHooks hooks{[this](const std::string& line) { AppendLog(line); },
                                   [this](std::int64_t position) { ChangeSec(position); },
                                   // Read anew for every block, as the box may change.
                                   [this] { return KaraokeCheck->isChecked(); }};
    CdDialogTask task(this);

    FRunning = true;
    zirpel::TrackImportResult result =
        zirpel::RunTrackImport(*platform, request, FTrackTable, task, hooks);
    if (result.end == zirpel::TrackImportEnd::OwnerGone) return false;
    FRunning = false;
    if (result.clip && !FTerminating) FRippedClip = std::make_unique<zirpel::Clip>(std::move(*result.clip));
    return true;
}

void TMusikCDForm::ChangeSec(std::int64_t position) {
    Label1->setText(QString::fromUtf8(zirpel::ChangeSecText(FTrackTable, position)));
}

void TMusikCDForm::showEvent(QShowEvent* event) {
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
