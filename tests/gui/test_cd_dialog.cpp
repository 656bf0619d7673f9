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
#include "clip/LittleEndian.h"

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

TEST_F(CdDialogTest, OkRipsTheTrackAndClosesWithOk) {
    form->AppendLog("Konnte ASPI Layer nicht laden...");  // an earlier line stays
    Connect();
    EXPECT_EQ(form->DriveBox->currentText(), QStringLiteral("sr0: SIMULATED CD    "));
    form->STrackEd->setValue(2);
    form->BitBtnXP1->click();

    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_TRUE(form->BitBtnXP1->isEnabled());
    EXPECT_EQ(Log(),
              (QStringList{"Konnte ASPI Layer nicht laden...", "TOC eingelesen...",
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
    sim->devices[0].readFailure =
        [this](int n, std::uint32_t) -> std::optional<zirpel::testing::SimFailure> {
        // Queued: the click arrives when the run lets events through.
        if (n == 2) QMetaObject::invokeMethod(form->BitBtnXP2, "click", Qt::QueuedConnection);
        if (n == 2) QTimer::singleShot(0, [this] { form->reject(); });  // Escape acts alike
        return std::nullopt;
    };
    form->STrackEd->setValue(3);
    form->BitBtnXP1->click();

    EXPECT_EQ(sim->readCdCount, 4);  // the round that saw the click still read
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->TakeRippedClip()->bytes.size(), 4u * 23520u);
    EXPECT_EQ(Log().last(), QStringLiteral("Ripping beendet..."));
}

TEST_F(CdDialogTest, KaraokeTickedDuringTheRunAppliesToTheFollowingBlocks) {
    Connect();
    sim->devices[0].readFailure =
        [this](int n, std::uint32_t) -> std::optional<zirpel::testing::SimFailure> {
        if (n == 1) QTimer::singleShot(0, [this] { form->KaraokeCheck->click(); });
        return std::nullopt;
    };
    form->STrackEd->setValue(2);  // sectors 20..59: four blocks
    form->BitBtnXP1->click();
    const auto clip = form->TakeRippedClip();
    ASSERT_TRUE(clip);
    // A frame of sector s holds left s, right 0; karaoke makes it 2s/3 in both.
    const auto first = [&](int block) { return zirpel::GetLE32(clip->bytes.data() + block * 23520); };
    EXPECT_EQ(first(1), 30u);  // read before the click arrived
    EXPECT_EQ(first(2), 0x001A001Au);
    EXPECT_EQ(first(3), 0x00210021u);
}

TEST_F(CdDialogTest, EmptyDriveListOnlyLogsAndAbbrechenCloses) {
    Connect(false);
    form->BitBtnXP1->click();
    EXPECT_EQ(Log(), QStringList{QString::fromUtf8("Kein CD-Laufwerk gefunden...")});
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->TakeRippedClip());

    form->open();
    form->BitBtnXP2->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_TRUE(sim->sent.empty());
}

TEST_F(CdDialogTest, DestroyedDuringTheRunEndsItQuietly) {
    Connect();
    QPointer<TMusikCDForm> watch(form.get());
    sim->devices[0].readFailure =
        [this](int n, std::uint32_t) -> std::optional<zirpel::testing::SimFailure> {
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
