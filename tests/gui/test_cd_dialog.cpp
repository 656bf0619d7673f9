// The CD dialog on a simulated drive: OK rips and closes with OK, the log
// keeps every line, Abbrechen during a run keeps what was read, and an
// empty drive list only logs. The dialog is opened without blocking.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <memory>

#include "cdrom/SimulatedCd.h"
#include "cdrom/ui/MusikCDFUnit.h"
#include "clip/Clip.h"

using zirpel::testing::SimDevice;
using zirpel::testing::SimulatedCdPlatform;

namespace {

class CdDialogTest : public ::testing::Test {
protected:
    std::shared_ptr<SimulatedCdPlatform> sim = std::make_shared<SimulatedCdPlatform>();
    std::unique_ptr<TMusikCDForm> form = std::make_unique<TMusikCDForm>(nullptr);
    zirpel::CdDriveTable drives;

    void SetUp() override {
        SimDevice d;
        d.name = "sr0";
        d.starts = {0, 20, 60, 75 * 60};
        sim->devices = {d};
        zirpel::TCDDriveInfo info;
        info.DeviceName = "sr0";
        info.Name = "SIMULATED CD    ";
        drives.Add(info);
    }
    void Connect(bool withDrive = true) {
        if (!withDrive) drives = {};
        form->SetCdAccess(sim, drives);
        form->SetDriveItems(zirpel::DriveItemTexts(drives));
        form->open();
    }
    QStringList Log() const { return form->Memo1->toPlainText().split(QLatin1Char('\n')); }
};

}  // namespace

TEST_F(CdDialogTest, ControlsAsTheUserSeesThem) {
    EXPECT_EQ(form->objectName(), QStringLiteral("MusikCDForm"));
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Lied von Musik-CD einlesen..."));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->STrackEd->minimum(), 1);
    EXPECT_EQ(form->STrackEd->maximum(), 256);
    EXPECT_EQ(form->STrackEd->value(), 1);
    EXPECT_FALSE(form->KaraokeCheck->isChecked());
    EXPECT_TRUE(form->Memo1->isReadOnly());
    EXPECT_TRUE(form->BitBtnXP1->isDefault());
    EXPECT_EQ(form->Memo1->palette().color(QPalette::Base),
              form->Memo1->palette().color(QPalette::ToolTipBase));
    Connect();
    EXPECT_EQ(form->DriveBox->currentText(), QStringLiteral("sr0: SIMULATED CD    "));
}

TEST_F(CdDialogTest, OkRipsTheTrackAndClosesWithOk) {
    form->AppendLog("Konnte ASPI Layer nicht laden...");  // an earlier line stays
    Connect();
    form->STrackEd->setValue(2);
    form->BitBtnXP1->click();

    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_TRUE(form->BitBtnXP1->isEnabled());
    EXPECT_EQ(Log(), (QStringList{"Konnte ASPI Layer nicht laden...", "TOC eingelesen...",
                                  "3 Tracks gefunden...", "Starte Ripping...", "Ripping beendet..."}));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Track no. 3 Time 00:00:00 s"));
    auto clip = form->TakeRippedClip();
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->bytes.size(), 4u * 23520u);
    EXPECT_EQ(clip->format, (zirpel::ClipFormat{44100, true, true}));
    EXPECT_FALSE(form->TakeRippedClip());
}

TEST_F(CdDialogTest, AbbrechenDuringTheRunKeepsWhatWasRead) {
    Connect();
    form->KaraokeCheck->setChecked(true);
    sim->devices[0].readFailure = [this](int n, std::uint32_t) -> std::optional<zirpel::testing::SimFailure> {
        // Queued: the click arrives when the run lets events through.
        if (n == 2) QMetaObject::invokeMethod(form->BitBtnXP2, "click", Qt::QueuedConnection);
        if (n == 2) QMetaObject::invokeMethod(form.get(), "reject", Qt::QueuedConnection);
        return std::nullopt;
    };
    form->STrackEd->setValue(3);
    form->BitBtnXP1->click();

    EXPECT_EQ(sim->readCdCount, 4);  // the round that saw the click still read
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->isVisible());
    auto clip = form->TakeRippedClip();
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->bytes.size(), 4u * 23520u);
    EXPECT_EQ(Log().last(), QStringLiteral("Ripping beendet..."));
}

TEST_F(CdDialogTest, EmptyDriveListOnlyLogs) {
    Connect(false);
    form->BitBtnXP1->click();
    EXPECT_EQ(Log(), QStringList{QString::fromUtf8("Kein CD-Laufwerk gefunden...")});
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->TakeRippedClip());
    EXPECT_TRUE(sim->sent.empty());
}

TEST_F(CdDialogTest, AbbrechenWithoutRunCloses) {
    Connect();
    form->BitBtnXP2->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_TRUE(sim->sent.empty());
}

TEST_F(CdDialogTest, DestroyedDuringTheRunEndsItQuietly) {
    Connect();
    QPointer<TMusikCDForm> watch(form.get());
    sim->devices[0].readFailure = [this](int n, std::uint32_t) -> std::optional<zirpel::testing::SimFailure> {
        // Something the run lets through destroys the dialog.
        if (n == 1) QTimer::singleShot(0, [this] { form.reset(); });
        return std::nullopt;
    };
    form->STrackEd->setValue(3);
    form->BitBtnXP1->click();
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(sim->readCdCount, 2);
    EXPECT_TRUE(sim->openFds.empty());
}
