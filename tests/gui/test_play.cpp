// PLAY and STOP on the real main window, with the lock-step fake sound
// device (what it plays is recorded) and with real SDL audio.
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

#include "playback/TestClips.h"
#include "GuiFixture.h"
#include "playback/FakeSoundDevice.h"
#include "view/ui/PaintBox.h"
#include "wave/WaveFile.h"

using zirpel::SoundResult;
using zirpel::kChunkBytes;
using zirpel::kHalfBufferBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {

const char* const kNoSound = "Konnte DirectSound (DirectX) nicht initialisieren...";


// Chunk c of a 44100 Hz stereo clip played over frames [start, end).
Bytes ExpectedChunk(const Bytes& clip, int start, int end, int c) {
    Bytes chunk(kChunkBytes, 0);
    const int frames = static_cast<int>(clip.size() / 4);
    for (int k = 0; k < static_cast<int>(zirpel::kChunkFrames); ++k) {
        const int j = start + c * static_cast<int>(zirpel::kChunkFrames) + k;
        if (j < end && j < frames) std::copy_n(clip.begin() + 4 * j, 4, chunk.begin() + 4 * k);
    }
    return chunk;
}

// The recording starts with the buffer's silent first pass; then come the
// chunks, then at most one half of silence before the output stopped.
void ExpectPlayed(const Bytes& captured, const std::vector<Bytes>& chunks) {
    Bytes head(kChunkBytes, 0);
    for (const Bytes& c : chunks) head.insert(head.end(), c.begin(), c.end());
    ASSERT_GE(captured.size(), head.size());
    ASSERT_LE(captured.size(), head.size() + kHalfBufferBytes);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), captured.begin()));
    EXPECT_TRUE(std::all_of(captured.begin() + head.size(), captured.end(),
                            [](std::uint8_t b) { return b == 0; }));
}

// Runs `action` the first time the play loop pumps events.
void DuringFirstRound(QObject* context, std::function<void()> action) {
    QTimer::singleShot(0, context, std::move(action));
}

}  // namespace

class PlayTest : public MainFormTest {
protected:
    std::shared_ptr<zirpel::testing::FakeAudio> audio = std::make_shared<zirpel::testing::FakeAudio>();
    int quitRequests = 0;
    bool realDevice = false;

    void AddServices(MainFormServices& s) override {
        if (!realDevice)
            s.openSoundDevice = [this](std::unique_ptr<zirpel::SoundDevice>& out) {
                out = std::make_unique<zirpel::testing::FakeSoundDevice>(audio);
                return SoundResult::Ok;
            };
        s.quitApplication = [this] { ++quitRequests; };
    }

    void ClickPlay() { QTest::mouseClick(form->PlayBtn, Qt::LeftButton); }
};

TEST_F(PlayTest, PlaysTheSelectionOnceWithoutTheLoopBox) {
    const Bytes clip = NonZeroClip(30000);
    form->Document().Replace({clip, {44100, true, true}}, "Öffnen");
    form->Document().SetSelection({2 * 20000, 2 * 1000});  // sample indices: frames 1000 up to 20000
    form->SchleifeCheck->setChecked(false);

    bool playBtnDuring = true, stopBtnDuring = false;
    DuringFirstRound(form.get(), [&] {
        playBtnDuring = form->PlayBtn->isEnabled();
        stopBtnDuring = form->StopBTN->isEnabled();
    });
    ClickPlay();

    EXPECT_FALSE(playBtnDuring);
    EXPECT_TRUE(stopBtnDuring);
    EXPECT_TRUE(form->PlayBtn->isEnabled());
    EXPECT_FALSE(form->StopBTN->isEnabled());
    EXPECT_EQ(form->PaintBox1->PlayCursor(), -1);
    EXPECT_EQ(form->Document().SelAnchor(), 40000);  // the selection stays
    ExpectPlayed(audio->Captured(), {ExpectedChunk(clip, 1000, 20000, 0),
                                     ExpectedChunk(clip, 1000, 20000, 1)});
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PlayTest, StopButtonEndsALoopingPlay) {
    const Bytes clip = NonZeroClip(5000);
    form->Document().Replace({clip, {44100, true, true}}, "Öffnen");
    ASSERT_TRUE(form->SchleifeCheck->isChecked());
    DuringFirstRound(form.get(), [&] {
        ASSERT_TRUE(form->StopBTN->isEnabled());
        QTest::mouseClick(form->StopBTN, Qt::LeftButton);
    });
    ClickPlay();  // returns only when the play has ended

    EXPECT_TRUE(form->FStopRequested);
    EXPECT_TRUE(form->PlayBtn->isEnabled());
    EXPECT_FALSE(form->StopBTN->isEnabled());
    // Stopped within the first round: at most that round's first half was heard.
    const Bytes captured = audio->Captured();
    EXPECT_LE(captured.size(), kChunkBytes + kHalfBufferBytes);

    // PLAY clears the stop request and plays again.
    form->SchleifeCheck->setChecked(false);
    ClickPlay();
    EXPECT_FALSE(form->FStopRequested);
    EXPECT_GE(audio->Captured().size(), captured.size() + kChunkBytes);
}

TEST_F(PlayTest, ClosingTheWindowWhilePlayingEndsThePlay) {
    form->Document().Replace({NonZeroClip(5000), {44100, true, true}}, "Öffnen");
    DuringFirstRound(form.get(), [&] { form->close(); });  // the scripted box answers OK
    ClickPlay();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->FStopRequested);
    EXPECT_TRUE(form->PlayBtn->isEnabled());
    form.reset();  // destruction releases the sound objects in order
    EXPECT_FALSE(audio->deviceAlive);
}

TEST_F(PlayTest, CropWhilePlayingPlaysTheNewClipAndNeverReadsTheOld) {
    const Bytes clip = NonZeroClip(30000);
    form->Document().Replace({clip, {44100, true, true}}, "Öffnen");
    DuringFirstRound(form.get(), [&] {
        form->Document().SetSelection({2 * 2000, 2 * 7000});
        form->CropToSelectionClick();  // the old buffer is freed here
        form->SchleifeCheck->setChecked(false);
    });
    ClickPlay();
    ASSERT_EQ(form->Document().SampleSize(), 5000 * 4);
    // The round reads the new clip (frames 0..4999 of it) from the play's start.
    const Bytes cropped(clip.begin() + 4 * 2000, clip.begin() + 4 * 7000);
    ExpectPlayed(audio->Captured(), {ExpectedChunk(cropped, 0, 30000, 0)});
}

TEST_F(PlayTest, CursorMovesEachRoundAndRepaintsNeverLeaveAStrayLine) {
    const Bytes clip = NonZeroClip(4 * 11025);
    form->Document().Replace({clip, {44100, true, true}}, "Öffnen");
    form->SchleifeCheck->setChecked(false);
    const int zoom = form->ZoomFactor();

    // Whatever the paint box shows must be the view bitmap, with exactly
    // the cursor column inverted when there is a cursor.
    std::vector<int> columns;
    int checks = 0;
    auto check = [&] {
        const QImage shown = form->PaintBox1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage view = form->FViewBitmap.convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), view.size());
        const int cursor = form->PaintBox1->PlayCursor();
        for (int y = 0; y < view.height(); ++y)
            for (int x = 0; x < view.width(); ++x) {
                const QRgb v = view.pixel(x, y) & 0xFFFFFF;
                const QRgb s = shown.pixel(x, y) & 0xFFFFFF;
                ASSERT_EQ(s, x == cursor ? (v ^ 0xFFFFFF) : v) << x << "," << y;
            }
        ++checks;
    };
    QTimer probe;
    int ticks = 0;
    QObject::connect(&probe, &QTimer::timeout, form.get(), [&] {
        const int c = form->PaintBox1->PlayCursor();
        if (c >= 0 && (columns.empty() || columns.back() != c)) columns.push_back(c);
        check();
        if (++ticks == 2) {
            form->PaintBox1Paint();  // a repaint between two rounds
            QApplication::processEvents();
            check();
        }
    });
    probe.start(0);
    ClickPlay();
    probe.stop();

    ASSERT_FALSE(columns.empty());
    for (int c : columns) {
        const bool expected = c == 2 * 11024 / zoom || c == 2 * 22049 / zoom ||
                              c == 2 * 33074 / zoom || c == 2 * 44099 / zoom;
        EXPECT_TRUE(expected) << c;
    }
    EXPECT_GE(checks, 2);
    EXPECT_EQ(form->PaintBox1->PlayCursor(), -1);
    check();  // after the play: the plain view
}

TEST_F(PlayTest, EmptyClipPlaysOneRoundOfSilence) {
    ClickPlay();
    ExpectPlayed(audio->Captured(), {Bytes(kChunkBytes, 0)});
    EXPECT_TRUE(form->PlayBtn->isEnabled());
}

struct FailingStep {
    const char* name;
    std::function<void(zirpel::testing::FakeAudio&)> arrange;
    bool deviceOpens;
};

class PlaySetUpFailureTest : public PlayTest, public ::testing::WithParamInterface<FailingStep> {
protected:
    void AddServices(MainFormServices& s) override {
        PlayTest::AddServices(s);
        GetParam().arrange(*audio);
        if (!GetParam().deviceOpens)
            s.openSoundDevice = [](std::unique_ptr<zirpel::SoundDevice>&) { return SoundResult::NoDriver; };
    }
};

TEST_P(PlaySetUpFailureTest, ShowsTheMessageOnceAndAsksTheProgramToEnd) {
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, kNoSound);
    EXPECT_EQ(dialogs.messages[0].caption, "");
    EXPECT_EQ(dialogs.messages[0].buttons, zirpel::MsgButtons::Ok);
    EXPECT_EQ(dialogs.messages[0].icon, zirpel::MsgIcon::None);
    EXPECT_EQ(quitRequests, 1);
    // The window was still created completely; PLAY does nothing.
    EXPECT_EQ(form->BitRate->currentText(), "128");
    ClickPlay();
    EXPECT_TRUE(form->PlayBtn->isEnabled());
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, PlaySetUpFailureTest,
    ::testing::Values(
        FailingStep{"NoDevice", [](zirpel::testing::FakeAudio&) {}, false},
        FailingStep{"CooperativeLevel",
                    [](zirpel::testing::FakeAudio& a) { a.cooperativeResult = SoundResult::InvalidCall; },
                    true},
        FailingStep{"SoundBuffer",
                    [](zirpel::testing::FakeAudio& a) { a.createResult = SoundResult::BadFormat; }, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The real SDL device (the suite runs with SDL_AUDIODRIVER=dummy).
class RealSoundTest : public PlayTest {
protected:
    std::optional<QByteArray> oldDriver;
    void SetUp() override {
        realDevice = true;
        if (qEnvironmentVariableIsSet("SDL_AUDIODRIVER")) oldDriver = qgetenv("SDL_AUDIODRIVER");
        ArrangeDriver();
        PlayTest::SetUp();
    }
    void TearDown() override {
        PlayTest::TearDown();
        if (oldDriver) qputenv("SDL_AUDIODRIVER", *oldDriver);
        else qunsetenv("SDL_AUDIODRIVER");
    }
    virtual void ArrangeDriver() { qputenv("SDL_AUDIODRIVER", "dummy"); }
};

TEST_F(RealSoundTest, PlaysAShortSelectionThroughSdl) {
    form->Document().Replace({NonZeroClip(3000), {22050, false, true}}, "Öffnen");
    form->SchleifeCheck->setChecked(false);
    ClickPlay();  // one round and the play-out: about half a second
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(form->PlayBtn->isEnabled());
    EXPECT_EQ(quitRequests, 0);
}

class NoSoundDriverTest : public RealSoundTest {
    void ArrangeDriver() override { qputenv("SDL_AUDIODRIVER", "no-such-driver"); }
};

TEST_F(NoSoundDriverTest, StartUpWithoutADeviceShowsTheMessageAndEnds) {
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, kNoSound);
    EXPECT_EQ(quitRequests, 1);
}

// As a user would: open a WAV, drag a selection, PLAY without and with the
// loop box, STOP; SDL's disk driver records what was played.
class DiskSoundTest : public RealSoundTest {
protected:
    std::optional<QByteArray> oldFile;
    QString file;
    void ArrangeDriver() override {
        qputenv("SDL_AUDIODRIVER", "disk");
        if (qEnvironmentVariableIsSet("SDL_DISKAUDIOFILE")) oldFile = qgetenv("SDL_DISKAUDIOFILE");
        file = QString::fromStdString(TempPath("played.raw"));
        qputenv("SDL_DISKAUDIOFILE", file.toLocal8Bit());
    }
    void TearDown() override {
        RealSoundTest::TearDown();
        if (oldFile) qputenv("SDL_DISKAUDIOFILE", *oldFile);
        else qunsetenv("SDL_DISKAUDIOFILE");
    }
};

TEST_F(DiskSoundTest, RecordsTheSelectionOnceThenRepeatedUntilStop) {
    const Bytes clip = NonZeroClip(30000);
    const std::string wav = TempPath("tone.wav");
    ASSERT_TRUE(zirpel::WriteWaveFile(wav, zirpel::ClipSpan{clip.data(), static_cast<std::int32_t>(clip.size()), {44100, true, true}}));
    OpenFile(wav);
    ASSERT_EQ(form->Document().SampleSize(), static_cast<std::int32_t>(clip.size()));
    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, QPoint(100, 40));
    QTest::mouseMove(form->PaintBox1, QPoint(150, 40));
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, QPoint(200, 40));
    const int start = std::min(form->Document().SelAnchor(), form->Document().SelCaret()) / 2;
    const int end = std::max(form->Document().SelAnchor(), form->Document().SelCaret()) / 2;
    ASSERT_GT(end - start, 1000);
    ASSERT_LT(end - start, 11025);  // one chunk per pass
    const Bytes pass = ExpectedChunk(clip, start, end, 0);

    form->SchleifeCheck->setChecked(false);
    ClickPlay();
    form->SchleifeCheck->setChecked(true);
    QTimer::singleShot(1200, form.get(), [&] { QTest::mouseClick(form->StopBTN, Qt::LeftButton); });
    ClickPlay();
    EXPECT_TRUE(dialogs.messages.empty());
    form.reset();  // closes the device and the recording

    std::ifstream in(file.toStdString(), std::ios::binary);
    const Bytes stream{std::istreambuf_iterator<char>(in), {}};
    const auto sound = [&](Bytes::const_iterator from) {
        return std::find_if(from, stream.end(), [](std::uint8_t b) { return b != 0; });
    };
    const auto matchesPass = [&](Bytes::const_iterator at) {
        return stream.end() - at >= static_cast<std::ptrdiff_t>(pass.size()) &&
               std::equal(pass.begin(), pass.end(), at);
    };
    // The single play: the pass once, then silence until the second play.
    auto at = sound(stream.begin());
    ASSERT_TRUE(matchesPass(at));
    at = sound(at + static_cast<std::ptrdiff_t>(pass.size()));
    // The looping play: the pass again and again (each ends in the silence
    // up to its chunk's end), until STOP cut it off.
    int passes = 0;
    while (matchesPass(at)) {
        ++passes;
        at += static_cast<std::ptrdiff_t>(pass.size());
    }
    EXPECT_GE(passes, 2);
    const auto cut = std::mismatch(pass.begin(), pass.end(), at, stream.end()).second;
    EXPECT_TRUE(std::all_of(cut, stream.end(), [](std::uint8_t b) { return b == 0; }));
}
