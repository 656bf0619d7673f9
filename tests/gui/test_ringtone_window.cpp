// The ringtone helpers on the real window: the menu entries behind the
// menus' own entries, "Auswahl festlegen..." with its buttons, the suggestion, the
// loudness dialog, the readout against real saves, and the seam played
// through the sound output. The arithmetic is tested in the core.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include <cmath>

#include "GuiFixture.h"
#include "app/Readout.h"
#include "effects/Loudness.h"
#include "effects/ui/LoudnessDialog.h"
#include "export/Mp3Check.h"
#include "playback/FakeSoundDevice.h"
#include "playback/TestClips.h"
#include "view/ui/SelectionDialog.h"

namespace {

QStringList Tail(QMenu* menu, int n) {
    QStringList texts;
    for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts.mid(texts.size() - n);
}

void Trigger(QMenu* menu, const char* text) {
    for (QAction* a : menu->actions())
        if (a->text() == QString::fromUtf8(text)) return a->trigger();
    ADD_FAILURE() << "no menu entry " << text;
}

// 8000 Hz mono: a quiet 20 s, a loud 40 s, a quiet 20 s of short notes.
zirpel::Clip Song() {
    std::vector<std::uint8_t> b;
    for (int i = 0; i < 80 * 8000; ++i) {
        const double t = i / 8000.0;
        const double level = t >= 20 && t < 60 ? 12000 : 400;
        const double inNote = std::fmod(t, 0.5);
        const auto s = static_cast<std::int16_t>(inNote < 0.45 ? level * std::sin(2 * 3.14159 * 330 * t) : 0);
        b.push_back(static_cast<std::uint8_t>(s));
        b.push_back(static_cast<std::uint8_t>(s >> 8));
    }
    return {b, {8000, false, true}};
}

class RingtoneWindowTest : public MainFormTest {
protected:
    std::shared_ptr<zirpel::testing::FakeAudio> audio = std::make_shared<zirpel::testing::FakeAudio>();
    void AddServices(MainFormServices& s) override {
        s.openSoundDevice = [this](std::unique_ptr<zirpel::SoundDevice>& out) {
            out = std::make_unique<zirpel::testing::FakeSoundDevice>(audio);
            return zirpel::SoundResult::Ok;
        };
    }
    QString ReadoutText() const { return form->Readout->Lines().join('\n'); }
};

}  // namespace

TEST_F(RingtoneWindowTest, EntriesComeAfterTheMenusOwnEntriesBehindASeparator) {
    EXPECT_EQ(Tail(form->MenuBearbeiten, 4),
              (QStringList{QString::fromUtf8("Sampleformat ändern..."), "-", "Auswahl festlegen...",
                           "Klingelton-Auswahl vorschlagen"}));
    EXPECT_EQ(Tail(form->MenuEffekte, 4), (QStringList{"Langsamer 10%", "-", "Lautheit angleichen...",
                                                       QString::fromUtf8("Übergang anhören")}));
    EXPECT_EQ(form->SeamBtn->text(), QString::fromUtf8("Übergang anhören"));
    EXPECT_TRUE(form->StatusPanel0->text().isEmpty());
}

TEST_F(RingtoneWindowTest, ExactSelectionAndSuggestionThroughTheMenus) {
    form->Document().Replace(Song(), "Öffnen");
    EXPECT_TRUE(ReadoutText().startsWith(QString::fromUtf8("Nichts ausgewählt · ganze Datei 1:20,000")));
    dialogAction = [](QDialog& d) {
        auto* f = qobject_cast<TSelectionForm*>(&d);
        if (!f) return int(QDialog::Rejected);
        f->StartEd->setText(QStringLiteral("0:45,5"));
        QTest::mouseClick(f->Len40Btn, Qt::LeftButton);
        QTest::mouseClick(f->Len30Btn, Qt::LeftButton);
        EXPECT_EQ(f->EndEd->text(), QStringLiteral("1:15,500"));
        return int(QDialog::Accepted);
    };
    Trigger(form->MenuBearbeiten, "Auswahl festlegen...");
    EXPECT_EQ(form->Document().SelAnchor(), 364000);
    EXPECT_EQ(form->Document().SelCaret(), 364000 + 240000);
    EXPECT_TRUE(ReadoutText().startsWith(QString::fromUtf8("Auswahl 0:45,500 – 1:15,500 (Länge 30,000 s)")));

    // The dialog opens on the selection; a bad time keeps it open.
    dialogAction = [](QDialog& d) {
        auto* f = qobject_cast<TSelectionForm*>(&d);
        EXPECT_EQ(f->StartEd->text(), QStringLiteral("0:45,500"));
        f->StartEd->setText(QStringLiteral("zehn"));
        f->accept();
        EXPECT_EQ(f->result(), int(QDialog::Rejected));
        return int(QDialog::Rejected);
    };
    Trigger(form->MenuBearbeiten, "Auswahl festlegen...");
    EXPECT_EQ(form->Document().SelAnchor(), 364000);

    Trigger(form->MenuBearbeiten, "Klingelton-Auswahl vorschlagen");
    const int lo = std::min(form->Document().SelAnchor(), form->Document().SelCaret()), hi = std::max(form->Document().SelAnchor(), form->Document().SelCaret());
    EXPECT_GE(lo, 20 * 8000 - 2000);
    EXPECT_LE(hi, 60 * 8000 + 2000);
    EXPECT_NEAR(hi - lo, 30 * 8000, 4000);
}

TEST_F(RingtoneWindowTest, LoudnessDialogShowsTheMeasurementAndItsOkReachesTheTarget) {
    form->Document().Replace(Song(), "Öffnen");
    QString measured, reached;
    dialogAction = [&](QDialog& d) {
        auto* f = qobject_cast<TLoudnessForm*>(&d);
        if (!f) return int(QDialog::Rejected);
        measured = f->MeasuredLabel->text();
        f->TargetEd->setText(QStringLiteral("-20,0"));
        reached = f->ReachedLabel->text();
        return int(QDialog::Accepted);
    };
    Trigger(form->MenuEffekte, "Lautheit angleichen...");
    EXPECT_TRUE(measured.startsWith(QString::fromUtf8("Gemessen: "))) << measured.toStdString();
    EXPECT_TRUE(reached.startsWith(QString::fromUtf8("Erreicht -20,0 LUFS"))) << reached.toStdString();
    const zirpel::ClipSpan clip = form->Document().Span();
    EXPECT_NEAR(zirpel::MeasureLoudness(clip, {0, clip.frames()}).integrated, -20.0, 0.1);
    EXPECT_EQ(form->FLoudnessTarget, -20.0);
}

TEST_F(RingtoneWindowTest, ReadoutTellsWhatTheSavesWrite) {
    form->Document().Replace({NonZeroClip(3 * 44100), {44100, true, true}}, "Öffnen");
    // "Als kleiner Zirpel Speichern..." writes exactly the size the readout named.
    const std::string small = TempPath("klein.mp3");
    dialogs.saveAnswers.push_back(zirpel::FileChoice{small, 1});
    QTest::mouseClick(form->SaveSmallBtn, Qt::LeftButton);
    EXPECT_EQ(QFile(QString::fromStdString(small)).size(), form->Readout->SmallPrediction().bytes);
    EXPECT_TRUE(form->Readout->SmallPrediction().exact);

    // 8 kbit/s at 44100 Hz: the readout warns before saving, and the file is 32 kbit/s.
    EXPECT_TRUE(form->Readout->Warning().isEmpty());
    form->BitRate->setCurrentIndex(0);
    EXPECT_EQ(form->Readout->Warning(),
              QString::fromUtf8("Achtung: 8 kbit/s gibt es bei 44100 Hz nicht: es werden 32 kbit/s geschrieben"));
    const std::string big = TempPath("gross.mp3");
    dialogs.saveAnswers.push_back(zirpel::FileChoice{big, 1});
    QTest::mouseClick(form->SaveBtn, Qt::LeftButton);
    QFile f(QString::fromStdString(big));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    std::vector<zirpel::test::FrameHeader> frames;
    ASSERT_TRUE(zirpel::test::WalkFrames({data.begin(), data.end()}, frames));
    EXPECT_EQ(frames[0].kbps, 32);
    EXPECT_EQ(data.size(), form->Readout->SavePrediction().bytes);
    // A speed change alone (no redraw) still updates the times.
    Trigger(form->MenuEffekte, "Langsamer 10%");
    EXPECT_TRUE(ReadoutText().contains(QString::fromUtf8("ganze Datei 0:03,300"))) << ReadoutText().toStdString();
    form->Readout->SetNote(QStringLiteral("Hinweis"));
    EXPECT_TRUE(form->Readout->text().endsWith(QStringLiteral("<i>Hinweis</i>")));
}

TEST_F(RingtoneWindowTest, TheWaveformStaysPutWhenTheWarningOrTheNoteComesAndGoes) {
    form->Document().Replace({NonZeroClip(44100), {44100, true, true}}, "Öffnen");
    QApplication::processEvents();
    const auto place = [this] { return QRect(form->ScrollBox1->mapTo(form.get(), QPoint()), form->ScrollBox1->size()); };
    const QRect before = place();
    form->BitRate->setCurrentIndex(0);  // 8 kbit/s at 44100 Hz: replaced
    form->Readout->SetNote(QString::fromUtf8("24 Bit → 16 Bit, 6 Kanäle → Stereo"));
    QApplication::processEvents();
    ASSERT_FALSE(form->Readout->Warning().isEmpty());
    EXPECT_EQ(place(), before);
    // Four lines fit: the last one, the note, is not cut off at the bottom.
    EXPECT_GE(form->Readout->height(), 4 * form->Readout->fontMetrics().lineSpacing());
    form->BitRate->setCurrentIndex(11);
    form->Readout->SetNote({});
    QApplication::processEvents();
    EXPECT_EQ(place(), before);
}

// The readout is laid out in its plain face when it is made and measured
// again, with the warning's bold and the note's italic, when first drawn:
// with the faces here both give the same height, so nothing moves then.
TEST(Readout, ItsFirstDrawingKeepsTheHeightItWasMadeWith) {
    QWidget window;
    auto* readout = new TReadout(&window);
    const int made = readout->height();
    window.grab();
    EXPECT_EQ(readout->height(), made);
    readout->SetNote(QStringLiteral("Hinweis"));
    EXPECT_GE(readout->height(), readout->sizeHint().height());
}

TEST_F(RingtoneWindowTest, SeamPlaysTheEndIntoTheStartOnce) {
    const auto bytes = NonZeroClip(5 * 44100);
    form->Document().Replace({bytes, {44100, true, true}}, "Öffnen");
    ASSERT_TRUE(form->SchleifeCheck->isChecked());  // the seam plays once all the same
    QTest::mouseClick(form->SeamBtn, Qt::LeftButton);
    const auto played = audio->Captured();
    const std::size_t part = 2 * 44100 * 4;
    std::vector<std::uint8_t> seam(bytes.end() - part, bytes.end());
    seam.insert(seam.end(), bytes.begin(), bytes.begin() + part);
    const auto at = std::search(played.begin(), played.end(), seam.begin(), seam.begin() + 64);
    ASSERT_NE(at, played.end());
    ASSERT_GE(static_cast<std::size_t>(played.end() - at), seam.size());
    EXPECT_TRUE(std::equal(seam.begin(), seam.end(), at));
    EXPECT_TRUE(std::all_of(at + seam.size(), played.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(form->SeamBtn->isEnabled());
    EXPECT_TRUE(dialogs.messages.empty());
}
