// The main window driven as a user would: start-up state, opening files,
// selecting with the mouse, crop and cut, zoom, the close confirmation, the
// general error display and the progress bar.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>

#include <cmath>
#include <fstream>
#include <stdexcept>

#include "GuiFixture.h"
#include "view/ui/PaintBox.h"
#include "view/ui/ProgressPanel.h"
#include "wave/WaveFile.h"

namespace {

std::vector<std::uint8_t> Stereo16Tone(int frames) {
    std::vector<std::uint8_t> d(static_cast<std::size_t>(frames) * 4);
    for (int i = 0; i < frames; ++i) {
        const auto l = static_cast<std::int16_t>(std::lround(12000 * std::sin(i * 0.05)));
        const auto r = static_cast<std::int16_t>(-l);
        d[4 * i] = static_cast<std::uint8_t>(l & 0xFF);
        d[4 * i + 1] = static_cast<std::uint8_t>((l >> 8) & 0xFF);
        d[4 * i + 2] = static_cast<std::uint8_t>(r & 0xFF);
        d[4 * i + 3] = static_cast<std::uint8_t>((r >> 8) & 0xFF);
    }
    return d;
}

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QAction* FindAction(QMenu* menu, const char* text) {
    for (QAction* a : menu->actions())
        if (a->text() == QString::fromUtf8(text)) return a;
    return nullptr;
}

}  // namespace

TEST_F(MainFormTest, StartsWithItsDefaultsAndNoClip) {
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Quorbel Zirpel-Editor 1.0"));
    EXPECT_EQ(form->mp3format->currentText(), "44100");
    EXPECT_EQ(form->BitRate->currentText(), "128");
    EXPECT_EQ(form->mp3format->count(), 7);
    EXPECT_EQ(form->BitRate->count(), 14);
    EXPECT_EQ(form->ZoomOutEd->value(), 100);
    EXPECT_EQ(form->ZoomOutEd->minimum(), 1);
    EXPECT_EQ(form->ZoomOutEd->maximum(), 1000000);
    EXPECT_EQ(form->ZoomOutEd->singleStep(), 10);
    EXPECT_TRUE(form->Document().SampleData().empty());
    EXPECT_EQ(form->Document().SampleSize(), 0);
    EXPECT_FALSE(form->StopBTN->isEnabled());
    EXPECT_TRUE(form->PlayBtn->isEnabled());
    EXPECT_TRUE(form->SchleifeCheck->isChecked());
    EXPECT_EQ(form->RxSlider1->singleStep(), 10);
    EXPECT_EQ(form->RxSlider1->pageStep(), 100);
    EXPECT_EQ(form->ZoomSel->pos(), QPoint(448, 8));
    EXPECT_EQ(form->PlayBtn->pos(), QPoint(240, 40));
    EXPECT_EQ(form->CutSelectionBtn->pos(), QPoint(216, 72));
    EXPECT_EQ(form->Panel1->height(), 105);

    const QStringList top = [&] {
        QStringList t;
        for (QAction* a : form->menuBar()->actions()) t << a->text();
        return t;
    }();
    EXPECT_EQ(top.first(), "Datei");
    EXPECT_TRUE(top.contains("Bearbeiten"));
    EXPECT_EQ(top.last(), "Hilfe");
    EXPECT_EQ(MenuTexts(form->MenuAnsicht),
              (QStringList{"Ganze Datei", "Voller Zoom", "Zoom auf Auswahl", "-", "Kleiner",
                           QString::fromUtf8("Größer")}));
    const QStringList datei = MenuTexts(form->MenuDatei);
    EXPECT_EQ(datei.first(), QString::fromUtf8("Öffnen..."));
    EXPECT_EQ(datei.last(), "Beenden");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainFormTest, CloseAsksAndCancelKeepsEverything) {
    const std::string wav = TempPath("a.wav");
    ASSERT_TRUE(zirpel::WriteWaveFile(wav, zirpel::ClipSpan{Stereo16Tone(1000).data(), 4000, {44100, true, true}}));
    OpenFile(wav);
    ASSERT_EQ(form->Document().SampleSize(), 4000);

    dialogs.messageAnswers.push_back(zirpel::MsgResult::Cancel);
    form->Beenden1Click();
    QApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Hiermit beenden Sie das Programm! Alle nicht gespeicherten Daten gehen verloren!");
    EXPECT_EQ(dialogs.messages[0].caption, "Programm beenden");
    EXPECT_EQ(dialogs.messages[0].buttons, zirpel::MsgButtons::OkCancel);
    EXPECT_EQ(dialogs.messages[0].icon, zirpel::MsgIcon::Information);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Document().SampleSize(), 4000);
    EXPECT_FALSE(form->FStopRequested);

    dialogs.messageAnswers.push_back(zirpel::MsgResult::Ok);
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->FStopRequested);
}

TEST_F(MainFormTest, OpenReadsTheFileAndZoomsToTheWholeClip) {
    const std::string wav = TempPath("tone.wav");
    const auto pcm = Stereo16Tone(250000);  // 1,000,000 bytes
    ASSERT_TRUE(zirpel::WriteWaveFile(wav, zirpel::ClipSpan{pcm.data(), 1000000, {22050, true, true}}));
    form->Document().SetSelection({7, 9});
    OpenFile(wav);

    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ(dialogs.openRequests[0].filter, "WAV und MP3-Dateien|*.WAV;*.MP3");
    EXPECT_EQ(dialogs.openRequests[0].defaultExt, "WAV");
    EXPECT_EQ(dialogs.openRequests[0].initialDir, QCoreApplication::applicationDirPath().toStdString());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->Document().SampleSize(), 1000000);
    EXPECT_EQ(form->Document().SampleRate(), 22050);
    EXPECT_TRUE(form->Document().Stereo());
    EXPECT_TRUE(form->Document().Is16Bit());
    EXPECT_EQ(form->Document().SampleData(), pcm);
    EXPECT_EQ(form->Document().SelAnchor(), 0);
    EXPECT_EQ(form->Document().SelCaret(), 0);
    EXPECT_EQ(form->ZoomOutEd->value(), 500000 / form->PaintBox1->width());
    EXPECT_EQ(form->Label2->text(), QString::fromUtf8("976 KBytes"));
}

TEST_F(MainFormTest, FailedOpenKeepsTheClipAndSays) {
    const std::string wav = TempPath("good.wav");
    ASSERT_TRUE(zirpel::WriteWaveFile(wav, zirpel::ClipSpan{Stereo16Tone(100).data(), 400, {8000, true, true}}));
    OpenFile(wav);
    const auto before = form->Document().SampleData();
    form->Document().SetSelection({3, form->Document().SelCaret()});

    for (const char* name : {"missing.wav", "garbage.wav", "garbage.mp3"}) {
        const std::string path = TempPath(name);
        if (std::string(name) != "missing.wav") std::ofstream(path) << "this is no audio file at all";
        dialogs.messages.clear();
        OpenFile(path);
        ASSERT_FALSE(dialogs.messages.empty()) << name;
        EXPECT_EQ(dialogs.messages.back().text, "Konnte Datei nicht öffnen") << name;
        EXPECT_EQ(dialogs.messages.back().icon, zirpel::MsgIcon::Error);
        EXPECT_EQ(form->Document().SampleData(), before) << name;
        EXPECT_EQ(form->Document().SampleRate(), 8000);
        EXPECT_EQ(form->Document().SelAnchor(), 0);
    }
    // A cancelled dialog changes nothing at all.
    form->Document().SetSelection({5, form->Document().SelCaret()});
    dialogs.messages.clear();
    form->RunCommand([this] { form->OpenBtnClick(); });
    EXPECT_EQ(form->Document().SelAnchor(), 5);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainFormTest, MouseDragSelectsAndCropKeepsTheSelectedFrames) {
    const std::string wav = TempPath("drag.wav");
    const auto pcm = Stereo16Tone(1000);
    ASSERT_TRUE(zirpel::WriteWaveFile(wav, zirpel::ClipSpan{pcm.data(), 4000, {44100, true, true}}));
    OpenFile(wav);
    form->ZoomInFullClick();  // zoom 1: one sample index per column
    ASSERT_EQ(form->ZoomOutEd->value(), 1);
    const int scroll = form->RxSlider1->value();

    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, QPoint(101, 20));
    QTest::mouseMove(form->PaintBox1, QPoint(200, 30));
    EXPECT_EQ(form->Document().SelCaret(), 200 + scroll);
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, QPoint(300, 30));
    EXPECT_EQ(form->Document().SelAnchor(), 101 + scroll);
    EXPECT_EQ(form->Document().SelCaret(), 300 + scroll);

    // The band between the two columns is drawn in the selection colour.
    EXPECT_EQ(form->FViewBitmap.pixelColor(250, 2), QColor(128, 128, 255));
    EXPECT_EQ(form->FViewBitmap.pixelColor(101, 2), QColor(0, 255, 255));  // the anchor line
    EXPECT_EQ(form->FViewBitmap.pixelColor(350, 2), QColor(96, 0, 0));

    ASSERT_EQ(scroll, 0);
    form->RunCommand([this] { form->CropToSelectionClick(); });
    // indices 101..300 are frames 50 up to 150: 400 bytes from byte 200.
    ASSERT_EQ(form->Document().SampleSize(), 400);
    EXPECT_TRUE(std::equal(form->Document().SampleData().begin(), form->Document().SampleData().end(), pcm.begin() + 200));
    EXPECT_EQ(form->Document().SelAnchor(), 0);
    EXPECT_EQ(form->Document().SelCaret(), 0);
    EXPECT_EQ(form->ZoomOutEd->value(), 1);
    EXPECT_EQ(form->Label2->text(), QString::fromUtf8("0 KBytes"));
}

TEST_F(MainFormTest, CutRemovesTheSelectionAndNothingSelectedDoesNothing) {
    std::vector<std::uint8_t> bytes(1000);
    for (int i = 0; i < 1000; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    form->Document().Replace({bytes, {8000, false, false}}, "Öffnen");
    form->Document().SetSelection({300, 100});
    form->RunCommand([this] { form->CutSelectionBtnClick(); });
    ASSERT_EQ(form->Document().SampleSize(), 800);
    EXPECT_TRUE(std::equal(form->Document().SampleData().begin(), form->Document().SampleData().begin() + 100, bytes.begin()));
    EXPECT_TRUE(std::equal(form->Document().SampleData().begin() + 100, form->Document().SampleData().end(), bytes.begin() + 300));

    form->Document().SetSelection({42, 42});
    form->RunCommand([this] { form->CropToSelectionClick(); });
    form->RunCommand([this] { form->CutSelectionBtnClick(); });
    EXPECT_EQ(form->Document().SampleSize(), 800);
    EXPECT_EQ(form->Document().SelAnchor(), 42);

    form->SelectNothingBtnClick();
    EXPECT_EQ(form->Document().SelAnchor(), 0);
    EXPECT_EQ(form->Document().SelCaret(), 0);
}

TEST_F(MainFormTest, RepaintDrawsOneSampleAPerColumnAndStopsAtTheEnd) {
    std::vector<std::uint8_t> bytes(500, 0);  // 8-bit value 0 is drawn on the top row
    form->Document().Replace({bytes, {8000, false, false}}, "Öffnen");
    form->ZoomInFullClick();
    const QImage& img = form->FViewBitmap;
    ASSERT_GE(img.width(), 600);
    EXPECT_EQ(img.pixelColor(10, 0), QColor(0, 255, 0));
    EXPECT_EQ(img.pixelColor(499, 0), QColor(0, 255, 0));
    for (int x = 501; x < img.width(); ++x) {
        bool background = true;
        for (int y = 0; y < img.height(); ++y) background &= img.pixelColor(x, y) == QColor(96, 0, 0);
        EXPECT_TRUE(background) << "column " << x;
    }
    // The anchor line at column 0 is drawn over the whole height.
    EXPECT_EQ(img.pixelColor(0, img.height() - 1), QColor(0, 255, 255));
}

TEST_F(MainFormTest, ZoomCommandsAndScrolling) {
    std::vector<std::uint8_t> bytes(200000, 128);
    form->Document().Replace({bytes, {8000, false, false}}, "Öffnen");
    const int w = form->PaintBox1->width();
    EXPECT_EQ(form->ZoomOutEd->value(), 200000 / w);

    form->ZoomOutEd->setValue(100);
    form->ZoomKleinerBtnClick();
    EXPECT_EQ(form->ZoomOutEd->value(), 150);
    form->ZoomGroesserBtnClick();
    EXPECT_EQ(form->ZoomOutEd->value(), 100);
    EXPECT_EQ(form->RxSlider1->maximum(), (200000 - w * 100) / 100);

    form->RxSlider1->setValue(5);
    form->BackBtnClick();
    EXPECT_EQ(form->RxSlider1->value(), 0);
    form->BackBtnClick();
    EXPECT_EQ(form->RxSlider1->value(), 0);

    form->Document().SetSelection({1000, 1200});
    form->ZoomSelClick();
    EXPECT_EQ(form->ZoomOutEd->value(), 1);
    EXPECT_EQ(form->RxSlider1->value(), 1000);

    // A typed zoom of 0 never reaches the column arithmetic.
    form->ZoomOutEd->findChild<QLineEdit*>()->setText(QStringLiteral("0"));
    EXPECT_EQ(form->ZoomFactor(), 1);
    form->PaintBox1Paint();
}

TEST_F(MainFormTest, ErrorsEscapingACommandAreShownWithAFullStop) {
    EXPECT_FALSE(form->RunCommand([] { throw std::runtime_error("Fehler beim MP3 Codieren"); }));
    EXPECT_FALSE(form->RunCommand([] { throw std::runtime_error("Schon fertig."); }));
    EXPECT_FALSE(form->RunCommand([] { throw std::runtime_error("Division durch 0!"); }));
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[0].text, "Fehler beim MP3 Codieren.");
    EXPECT_EQ(dialogs.messages[0].caption, "Zirpel-Editor");
    EXPECT_EQ(dialogs.messages[0].icon, zirpel::MsgIcon::Error);
    EXPECT_EQ(dialogs.messages[1].text, "Schon fertig.");
    EXPECT_EQ(dialogs.messages[2].text, "Division durch 0!");  // '!' sorts before '.'
    EXPECT_TRUE(form->RunCommand([] {}));
}

// Counts the paint events that cover a whole widget.
class FullPaints : public QObject {
public:
    explicit FullPaints(QWidget* w) : FWidget(w) { w->installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && static_cast<QPaintEvent*>(e)->rect() == FWidget->rect()) ++count;
        return false;
    }

private:
    QWidget* FWidget;
};

TEST_F(MainFormTest, ProgressBarGrowsIncrementallyAndShrinksWithAFullRepaint) {
    TProgressPanel* panel = form->StatusPanel1;
    panel->repaint();
    ASSERT_GT(form->FProgressRect.Right, form->FProgressRect.Left);
    FullPaints paints(panel);

    form->SetProStatus(101);
    form->SetProStatus(-1);
    EXPECT_EQ(form->FProgress, 0);
    form->SetProStatus(70);
    form->SetProStatus(70);
    EXPECT_EQ(form->FProgress, 70);
    EXPECT_EQ(paints.count, 0);
    form->SetProStatus(30);
    EXPECT_EQ(form->FProgress, 30);
    EXPECT_EQ(paints.count, 1);

    const QImage shot = panel->grab().toImage();
    const int boundary = panel->width() * 30 / 100;
    EXPECT_EQ(shot.pixelColor(boundary - 2, shot.height() / 2), QColor(0, 0, 128));
    EXPECT_NE(shot.pixelColor(boundary + 2, shot.height() / 2), QColor(0, 0, 128));
}

TEST_F(MainFormTest, AboutBoxOpensFromTheHelpMenu) {
    QAction* about = FindAction(form->MenuHilfe, "Über das Programm...");
    ASSERT_NE(about, nullptr);
    about->trigger();
    ASSERT_EQ(shownDialogs.size(), 1u);
    EXPECT_EQ(shownDialogs[0], "AboutBox");
}

// Not a check: with ZIRPEL_SCREENSHOT=<file.png> set, opens a stereo tone,
// selects a stretch and saves a picture of the window for the README.
TEST_F(MainFormTest, ScreenshotForTheReadme) {
    const QByteArray out = qgetenv("ZIRPEL_SCREENSHOT");
    if (out.isEmpty()) GTEST_SKIP() << "ZIRPEL_SCREENSHOT not set";
    const int frames = 44100 * 4;
    std::vector<std::uint8_t> d(static_cast<std::size_t>(frames) * 4);
    for (int i = 0; i < frames; ++i) {
        const double env = std::sin(M_PI * i / frames) * (0.6 + 0.4 * std::sin(i * 0.0004));
        const auto l = static_cast<std::int16_t>(std::lround(26000 * env * std::sin(i * 0.031)));
        const auto r = static_cast<std::int16_t>(std::lround(20000 * env * std::sin(i * 0.017)));
        d[4 * i] = static_cast<std::uint8_t>(l & 0xFF);
        d[4 * i + 1] = static_cast<std::uint8_t>((l >> 8) & 0xFF);
        d[4 * i + 2] = static_cast<std::uint8_t>(r & 0xFF);
        d[4 * i + 3] = static_cast<std::uint8_t>((r >> 8) & 0xFF);
    }
    const std::string wav = TempPath("klingelton.wav");
    ASSERT_TRUE(zirpel::WriteWaveFile(wav, zirpel::ClipSpan{d.data(), static_cast<std::int32_t>(d.size()), {44100, true, true}}));
    OpenFile(wav);
    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, QPoint(180, 40));
    QTest::mouseMove(form->PaintBox1, QPoint(420, 40));
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, QPoint(420, 40));
    QApplication::processEvents();
    ASSERT_TRUE(form->grab().save(QString::fromLocal8Bit(out)));
}

TEST_F(MainFormTest, AfterCropTheWholeRemainingClipIsInView) {
    const std::string wav = TempPath("six.wav");
    const auto pcm = Stereo16Tone(132300);  // 6 s at 22050 Hz
    ASSERT_TRUE(zirpel::WriteWaveFile(wav, zirpel::ClipSpan{pcm.data(), static_cast<std::int32_t>(pcm.size()), {22050, true, true}}));
    OpenFile(wav);
    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, QPoint(166, 20));
    QTest::mouseMove(form->PaintBox1, QPoint(300, 20));
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, QPoint(366, 20));
    form->RunCommand([this] { form->CropToSelectionClick(); });
    const int w = form->PaintBox1->width();
    EXPECT_EQ(form->ZoomOutEd->value(), std::max(1, form->Document().SampleIndexCount() / w));
    const std::int32_t z = form->ZoomOutEd->value();
    EXPECT_EQ(form->RxSlider1->maximum(), std::max(1, (form->Document().SampleIndexCount() - w * z) / z));
    EXPECT_EQ(form->RxSlider1->value(), 0);
}

TEST_F(MainFormTest, ScrollRangeFollowsEveryClipChangeEvenWhenTheZoomStays) {
    // At zoom 1, scrolled far right on a long clip, a crop to 100 samples
    // leaves the zoom at 1: the scroll range must still shrink to the new
    // clip, or nothing would be drawn.
    form->Document().Replace({Stereo16Tone(100000), {44100, true, true}}, "Öffnen");
    form->ZoomInFullClick();
    form->RxSlider1->setValue(form->RxSlider1->maximum());
    ASSERT_GT(form->RxSlider1->value(), 1000);
    form->Document().SetSelection({1000, 1100});
    form->RunCommand([this] { form->CropToSelectionClick(); });
    EXPECT_EQ(form->ZoomOutEd->value(), 1);
    EXPECT_EQ(form->RxSlider1->maximum(), 1);
    EXPECT_LE(form->RxSlider1->value(), 1);

    // The same after a cut and after opening a short file at an unchanged zoom.
    form->Document().Replace({Stereo16Tone(100000), {44100, true, true}}, "Öffnen");
    form->ZoomInFullClick();
    form->RxSlider1->setValue(form->RxSlider1->maximum());
    form->Document().SetSelection({0, 199800});
    form->RunCommand([this] { form->CutSelectionBtnClick(); });
    EXPECT_EQ(form->RxSlider1->maximum(), 1);
    EXPECT_LE(form->RxSlider1->value(), 1);

    const std::string wav = TempPath("short.wav");
    ASSERT_TRUE(zirpel::WriteWaveFile(wav, zirpel::ClipSpan{Stereo16Tone(50).data(), 200, {8000, true, true}}));
    form->Document().Replace({Stereo16Tone(100000), {44100, true, true}}, "Öffnen");
    form->ZoomInFullClick();
    form->RxSlider1->setValue(5000);
    OpenFile(wav);
    EXPECT_EQ(form->RxSlider1->maximum(), 1);
    EXPECT_LE(form->RxSlider1->value(), 1);
}
