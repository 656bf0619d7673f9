// "Von Musik-CD einlesen..." on the real main window with a simulated drive:
// the search runs once per program run and fills the dialog, a ripped track
// becomes the clip drawn whole and saves as WAV with the disc's bytes, and a
// run that reads nothing leaves the clip as it was.
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <iterator>

#include "GuiFixture.h"
#include "cdrom/SimulatedCd.h"
#include "cdrom/ui/MusikCDFUnit.h"
#include "view/ui/PaintBox.h"
#include "wave/WaveFile.h"

using zirpel::testing::SimDevice;
using zirpel::testing::SimulatedCdPlatform;

namespace {

class CdWindowTest : public MainFormTest {
protected:
    std::shared_ptr<SimulatedCdPlatform> sim = [] {
        auto p = std::make_shared<SimulatedCdPlatform>();
        SimDevice d;
        d.name = "sr0";
        d.starts = {0, 20, 60, 75 * 60};  // track 2 is 40 sectors
        p->devices = {d};
        return p;
    }();
    int track = 2;

    void AddServices(MainFormServices& s) override { s.cdPlatform = sim; }
    void SetUp() override {
        MainFormTest::SetUp();
        // The dialog's OK, as the user would press it once it is shown.
        dialogAction = [this](QDialog& d) {
            auto* cd = qobject_cast<TMusikCDForm*>(&d);
            if (!cd) return int(QDialog::Rejected);
            cd->STrackEd->setValue(track);
            QTest::mouseClick(cd->BitBtnXP1, Qt::LeftButton);
            return cd->result();
        };
    }
    QString Log() const { return form->MusikCDForm->Memo1->toPlainText(); }
};

}  // namespace

TEST_F(CdWindowTest, RippedTrackBecomesTheClipAndSavesAsWave) {
    form->Document().Replace({std::vector<std::uint8_t>(400, 1), {8000, false, false}}, "Öffnen");
    form->Document().SetSelection({3, form->Document().SelCaret()});
    QTest::mouseClick(form->MusikCDBtn, Qt::LeftButton);

    EXPECT_EQ(form->MusikCDForm->DriveBox->currentText(), QStringLiteral("sr0: SIMULATED CD    "));
    EXPECT_TRUE(Log().contains(QStringLiteral("Ripping beendet...")));
    ASSERT_EQ(form->Document().SampleSize(), 4 * 23520);  // 40 sectors in four requests
    EXPECT_EQ(form->Document().Format(), (zirpel::ClipFormat{44100, true, true}));
    EXPECT_EQ(form->Document().SelAnchor(), 0);
    EXPECT_EQ(form->ZoomFactor(), form->Document().SampleIndexCount() / form->PaintBox1->width());
    // The first frame holds its sector number: the track starts at sector 20.
    EXPECT_EQ(zirpel::testing::SectorOfFrame(form->Document().SampleData().data()), 20u);

    dialogs.saveAnswers.push_back(zirpel::FileChoice{TempPath("track"), 2});
    form->RunCommand([this] { form->SaveBtnClick(); });
    const zirpel::WaveRead saved = zirpel::ReadWaveFile(TempPath("track.wav"));
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved.clip.bytes, form->Document().SampleData());

    // The import is one step: undo brings back the old clip and its selection.
    form->UndoClick();
    EXPECT_EQ(form->Document().SampleData(), std::vector<std::uint8_t>(400, 1));
    EXPECT_EQ(form->Document().SelAnchor(), 3);
    EXPECT_EQ(form->RedoAction->text().toStdString(), "Wiederherstellen: Von Musik-CD einlesen");

    // A second opening uses the list found first: no new search.
    const int opensBefore = sim->opens;
    const auto logLines = Log().count(QLatin1Char('\n'));
    track = 9;  // no such track: nothing is read, the clip stays
    const auto before = form->Document().SampleData();
    QTest::mouseClick(form->MusikCDBtn, Qt::LeftButton);
    EXPECT_EQ(form->Document().SampleData(), before);
    EXPECT_TRUE(Log().endsWith(QStringLiteral("Ungültige Track-Nummer...")));
    EXPECT_EQ(sim->opens, opensBefore + 1);  // the run's own open only
    EXPECT_GT(Log().count(QLatin1Char('\n')), logLines);
    EXPECT_TRUE(dialogs.messages.empty());  // the CD import never shows a box
}

TEST_F(CdWindowTest, TerminationSignalDuringARipStopsItAndKeepsTheOldClip) {
    form->Document().Replace({std::vector<std::uint8_t>(400, 1), {8000, false, false}}, "Öffnen");
    track = 3;  // 444 requests
    sim->devices[0].readFailure =
        [this](int n, std::uint32_t) -> std::optional<zirpel::testing::SimFailure> {
        // What the SIGTERM handler runs, arriving while the run lets events through.
        if (n == 1) QTimer::singleShot(0, form.get(), [this] { form->Terminate(); });
        return std::nullopt;
    };
    QTest::mouseClick(form->MusikCDBtn, Qt::LeftButton);
    EXPECT_EQ(sim->readCdCount, 3);  // the round that saw the signal still read
    EXPECT_EQ(form->Document().SampleSize(), 400);
    EXPECT_TRUE(sim->openFds.empty());
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(dialogs.messages.empty());  // not even the question before quitting
    // Terminate ended every event loop; let this program's next ones run.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

TEST_F(CdWindowTest, NoDriveFoundLogsAndKeepsTheClip) {
    sim->devices.clear();
    form->Document().Replace({std::vector<std::uint8_t>(400, 1), {8000, false, false}}, "Öffnen");
    QTest::mouseClick(form->MusikCDBtn, Qt::LeftButton);
    EXPECT_EQ(form->MusikCDForm->DriveBox->count(), 0);
    EXPECT_TRUE(Log().contains(QStringLiteral("Kein CD-Laufwerk gefunden...")));
    EXPECT_EQ(form->Document().SampleSize(), 400);
    EXPECT_TRUE(dialogs.messages.empty());
}
