// The file commands through Qt's real file dialog (its own widget, offscreen),
// answered by a timer as a user would: choose the file type, type a name,
// press Enter, confirm the overwrite question. The saved files are checked
// byte for byte, so a filter the dialog reports in another form than the
// program expects can never again turn a WAV save into an MP3 file.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "GuiFixture.h"
#include "app/Readout.h"
#include "codec/ToolCorpus.h"
#include "wave/WavBuilder.h"
#include "export/Mp3Check.h"
#include "wave/WaveFile.h"

namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

std::vector<std::uint8_t> Tone(int frames) {
    std::vector<std::uint8_t> d(static_cast<std::size_t>(frames) * 4);
    for (int i = 0; i < frames; ++i) {
        const auto s = static_cast<std::int16_t>(std::lround(9000 * std::sin(i * 0.07)));
        std::memcpy(&d[4 * static_cast<std::size_t>(i)], &s, 2);
        std::memcpy(&d[4 * static_cast<std::size_t>(i) + 2], &s, 2);
    }
    return d;
}

// What the "user" does in the next file dialog; `overwrite` answers the
// dialog's own question whether to replace an existing file.
struct DialogAnswer {
    QString filterLabel;  // empty: leave the filter as offered
    QString name;         // typed into the name field
    bool overwrite = true;
};

class RealDialogTest : public MainFormTest {
protected:
    RealFileDialogs realDialogs;
    bool askedToReplace = false;
    // Context of every answering timer: a timer still pending when the test
    // ends dies with it instead of firing into the next test.
    QObject timers;

    void AddServices(MainFormServices& s) override {
        // Message boxes stay scripted; file dialogs are the real ones.
        s.dialogs = &realDialogs;
        s.programFolder = tmp.path().toStdString();
    }

    // Runs `command`; a timer answers the file dialog it opens.
    void Answer(const DialogAnswer& a, const std::function<void()>& command) {
        QTimer::singleShot(50, &timers, [this, a] { AnswerFileDialog(a); });
        form->RunCommand(command);
    }

    void AnswerFileDialog(const DialogAnswer& a) {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(20, &timers, [this, a] { AnswerFileDialog(a); });
            return;
        }
        if (!a.filterLabel.isEmpty()) {
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            ASSERT_NE(types, nullptr);
            const int i = types->findText(a.filterLabel, Qt::MatchStartsWith);
            ASSERT_GE(i, 0) << a.filterLabel.toStdString();
            types->setCurrentIndex(i);
            // What a click in the list sends.
            emit types->activated(i);
            emit types->textActivated(types->itemText(i));
        }
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(a.name);
        QTimer::singleShot(20, &timers, [this, a] { AnswerReplaceQuestion(a.overwrite); });
        QTest::keyClick(name, Qt::Key_Return);
    }

    // Waits for the dialog's question (if it asks one) and answers it; after
    // "No" the dialog stays open for another name, and the user gives up.
    void AnswerReplaceQuestion(bool overwrite) {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            QAbstractButton* answer = box->button(overwrite ? QMessageBox::Yes : QMessageBox::No);
            if (!answer) {
                ADD_FAILURE() << "unexpected message: " << box->text().toStdString();
                box->reject();
                QTimer::singleShot(20, &timers, [this] { RejectFileDialog(); });
                return;
            }
            askedToReplace = true;
            answer->click();
            if (!overwrite) QTimer::singleShot(20, &timers, [this] { RejectFileDialog(); });
            return;
        }
        if (qobject_cast<QFileDialog*>(modal))
            QTimer::singleShot(20, &timers, [this, overwrite] { AnswerReplaceQuestion(overwrite); });
    }

    void RejectFileDialog() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                d->reject();
                return;
            }
        }
        QTimer::singleShot(20, &timers, [this] { RejectFileDialog(); });
    }

    void LoadTone() { form->Document().Replace({Tone(22050), {44100, true, true}}, "Öffnen"); }
};

zirpel::test::FrameHeader FirstFrame(const std::vector<std::uint8_t>& mp3) {
    zirpel::test::FrameHeader h;
    EXPECT_GE(mp3.size(), 4u);
    if (mp3.size() >= 4) {
        EXPECT_TRUE(zirpel::test::ParseHeader(mp3.data(), h)) << "no MP3 frame at the start";
    }
    return h;
}

}  // namespace

TEST_F(RealDialogTest, WavFilterWritesAWaveFileWithOrWithoutExtension) {
    LoadTone();
    for (const QString& name : {QStringLiteral("typed.wav"), QStringLiteral("bare")}) {
        SCOPED_TRACE(name.toStdString());
        Answer({QStringLiteral("WAV-Datei"), name}, [this] { form->SaveBtnClick(); });
        const std::string path = TempPath(name.endsWith(QStringLiteral(".wav")) ? name.toStdString()
                                                                                 : name.toStdString() + ".wav");
        const zirpel::WaveRead saved = zirpel::ReadWaveFile(path);
        ASSERT_TRUE(saved.ok()) << "not a WAV file: " << path;
        EXPECT_EQ(saved.clip.bytes, form->Document().SampleData());
        EXPECT_EQ(saved.clip.format, (zirpel::ClipFormat{44100, true, true}));
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RealDialogTest, Mp3FilterAndTheSmallRingtoneWriteMp3Frames) {
    LoadTone();
    Answer({QStringLiteral("MP3-Datei"), QStringLiteral("song")}, [this] { form->SaveBtnClick(); });
    auto h = FirstFrame(ReadAll(TempPath("song.mp3")));
    EXPECT_EQ(h.rate, 44100);
    EXPECT_EQ(h.kbps, 128);

    // The dialog offers the filter used last; the small export forces 11025 Hz, 8 kbit/s.
    Answer({QString(), QStringLiteral("ring")}, [this] { form->SaveSmallBtnClick(); });
    h = FirstFrame(ReadAll(TempPath("ring.mp3")));
    EXPECT_EQ(h.rate, 11025);
    EXPECT_EQ(h.kbps, 8);
    EXPECT_EQ(form->mp3format->currentText(), "44100");
}

TEST_F(RealDialogTest, ACompletedNameThatExistsIsReplacedOnlyAfterTheQuestion) {
    LoadTone();
    const std::string path = TempPath("old.wav");
    std::ofstream(path) << "keep me";
    Answer({QStringLiteral("WAV-Datei"), QStringLiteral("old"), false}, [this] { form->SaveBtnClick(); });
    EXPECT_TRUE(askedToReplace);
    EXPECT_EQ(ReadAll(path), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));

    askedToReplace = false;
    Answer({QStringLiteral("WAV-Datei"), QStringLiteral("old"), true}, [this] { form->SaveBtnClick(); });
    EXPECT_TRUE(askedToReplace);
    EXPECT_TRUE(zirpel::ReadWaveFile(path).ok());
}

TEST_F(RealDialogTest, OpenTakesABareNameWhoseFileHasALowerCaseExtension) {
    const auto tone = Tone(1000);
    ASSERT_TRUE(zirpel::WriteWaveFile(TempPath("song.wav"), zirpel::ClipSpan{tone.data(), 4000, {8000, true, true}}));
    Answer({QString(), QStringLiteral("song")}, [this] { form->OpenBtnClick(); });
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->Document().SampleData(), tone);
    EXPECT_EQ(form->Document().SampleRate(), 8000);
}

TEST_F(RealDialogTest, AFlacTrackIsOpenedCroppedAndSavedAsOgg) {
    ZIRPEL_REQUIRE_TOOL("flac");
    ZIRPEL_REQUIRE_TOOL("oggdec");
    std::vector<std::uint8_t> pcm24;  // one second of a 24-bit stereo tone at 48000 Hz
    for (int i = 0; i < 2 * 48000; ++i) {
        const auto s = static_cast<std::int32_t>(std::lround(4e6 * std::sin(i * 0.03)));
        for (int b = 0; b < 3; ++b) pcm24.push_back(static_cast<std::uint8_t>(s >> (8 * b)));
    }
    const auto wav = zirpel::test::WavBuilder().RiffWave().Fmt(1, 2, 48000, 24).Chunk("data", pcm24).Finish();
    std::ofstream(TempPath("src.wav"), std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    ASSERT_TRUE(zirpel::test::RunTool("flac -s -o " + TempPath("track.flac") + " " + TempPath("src.wav")));

    Answer({QString(), QStringLiteral("track.flac")}, [this] { form->OpenBtnClick(); });
    ASSERT_EQ(form->Document().SampleSize(), 4 * 48000);
    EXPECT_EQ(form->Document().Format(), (zirpel::ClipFormat{48000, true, true}));
    EXPECT_TRUE(form->Readout->isVisible());
    EXPECT_EQ(form->Readout->Note(), QString::fromUtf8("24 Bit → 16 Bit"));
    EXPECT_TRUE(form->Readout->text().endsWith(QString::fromUtf8("<i>24 Bit → 16 Bit</i>")));

    form->Document().SetSelection({2 * 12000, 2 * 36000});  // frames 12000 .. 36000
    form->RunCommand([this] { form->CropToSelectionClick(); });
    Answer({QStringLiteral("Ogg-Vorbis-Datei"), QStringLiteral("cut")}, [this] { form->SaveBtnClick(); });
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(form->Readout->Note().isEmpty()) << "the note of the Open is gone";
    EXPECT_FALSE(form->Readout->text().contains(QStringLiteral("<i>")));
    ASSERT_TRUE(zirpel::test::RunTool("oggdec -Q -b 16 -o " + TempPath("cut.wav") + " " + TempPath("cut.ogg")));
    const zirpel::WaveRead back = zirpel::ReadWaveFile(TempPath("cut.wav"));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.clip.format.sampleRate, 44100);  // the rate list's choice
    EXPECT_NEAR(back.clip.span().frames(), 24000.0 * 44100 / 48000, 2.0);
}
