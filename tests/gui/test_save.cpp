// "Speichern..." and "Als kleiner Zirpel Speichern..." driven through the
// main window: the dialog request, the format chosen by the filter, the
// messages of every failure, and the small export's restore of the lists.
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>

#include "GuiFixture.h"
#include "app/TerminationSignals.h"
#include "export/FakeEncoder.h"
#include "export/Mp3Check.h"
#include "wave/WaveFile.h"

namespace {

using zirpel::FileChoice;
using zirpel::MsgIcon;

// The recording fake, also noting what the window shows while it encodes.
class WatchingEncoder : public zirpel::test::FakeEncoder {
public:
    TMainForm* form = nullptr;
    std::vector<std::string> listsAtInit;
    std::vector<std::int32_t> progressAtChunk;
    std::function<void()> duringSecondChunk;

    zirpel::BE_ERR beInitStream(const zirpel::BE_CONFIG* config, std::uint32_t* samples,
                                std::uint32_t* size, zirpel::HBE_STREAM* stream) override {
        listsAtInit.push_back(form->mp3format->currentText().toStdString() + "/" +
                              form->BitRate->currentText().toStdString());
        return FakeEncoder::beInitStream(config, samples, size, stream);
    }
    zirpel::BE_ERR beEncodeChunk(zirpel::HBE_STREAM stream, std::uint32_t count,
                                 const std::int16_t* samples, std::uint8_t* out,
                                 std::uint32_t* written) override {
        progressAtChunk.push_back(form->FProgress);
        if (progressAtChunk.size() == 2 && duringSecondChunk) duringSecondChunk();
        return FakeEncoder::beEncodeChunk(stream, count, samples, out, written);
    }

    std::uint32_t ConfigField(std::size_t offset) const {
        std::uint32_t v = 0;
        std::memcpy(&v, configBytes.data() + offset, 4);
        return v;
    }
};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Stereo16Tone(int frames) {
    std::vector<std::uint8_t> d(static_cast<std::size_t>(frames) * 4);
    for (int i = 0; i < frames; ++i) {
        const auto l = static_cast<std::int16_t>(std::lround(12000 * std::sin(i * 0.05)));
        std::memcpy(&d[4 * static_cast<std::size_t>(i)], &l, 2);
        std::memcpy(&d[4 * static_cast<std::size_t>(i) + 2], &l, 2);
    }
    return d;
}

class SaveTest : public MainFormTest {
protected:
    WatchingEncoder encoder;
    std::vector<std::uint8_t> clip = Stereo16Tone(3000);  // 12,000 bytes

    void AddServices(MainFormServices& s) override { s.encoder = &encoder; }

    void SetUp() override {
        MainFormTest::SetUp();
        encoder.form = form.get();
        form->Document().Replace({clip, {44100, true, true}}, "Öffnen");
    }

    void Save(const std::string& path, int filter) {
        dialogs.saveAnswers.push_back(FileChoice{path, filter});
        QTest::mouseClick(form->SaveBtn, Qt::LeftButton);
    }
    void SaveSmall(const std::string& path, int filter) {
        dialogs.saveAnswers.push_back(FileChoice{path, filter});
        QTest::mouseClick(form->SaveSmallBtn, Qt::LeftButton);
    }
    std::vector<std::uint8_t> FakeMp3() const {
        std::vector<std::uint8_t> out;
        for (std::size_t i = 0; i < encoder.chunks.size(); ++i) {
            const auto b = zirpel::test::FakeEncoder::ChunkBytes(i, encoder.chunks[i]);
            out.insert(out.end(), b.begin(), b.end());
        }
        out.insert(out.end(), encoder.flushBytes.begin(), encoder.flushBytes.end());
        return out;
    }
    void ExpectOneMessage(const std::string& text, const std::string& caption, MsgIcon icon) {
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, text);
        EXPECT_EQ(dialogs.messages[0].caption, caption);
        EXPECT_EQ(dialogs.messages[0].icon, icon);
        EXPECT_EQ(dialogs.messages[0].buttons, zirpel::MsgButtons::Ok);
        dialogs.messages.clear();
    }
};

TEST_F(SaveTest, DialogRequestAndCancel) {
    QTest::mouseClick(form->SaveBtn, Qt::LeftButton);  // no answer queued: cancelled
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    const auto& req = dialogs.saveRequests[0];
    EXPECT_EQ(req.filter, "MP3-Datei|*.MP3|WAV-Datei|*.WAV");
    EXPECT_EQ(req.defaultExt, "WAV");
    EXPECT_EQ(req.filterIndex, 1);
    EXPECT_TRUE(req.confirmOverwrite);
    EXPECT_EQ(req.initialDir, QCoreApplication::applicationDirPath().toStdString());
    EXPECT_TRUE(encoder.calls.empty());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files).size(), 0);
}

TEST_F(SaveTest, FilterChoosesTheFormatAndCompletesTheName) {
    form->Document().SetSelection({100, 900});

    // MP3 filter, no extension typed: name.mp3 with the encoder's bytes, the
    // whole clip (the selection is ignored), progress shown and reset.
    Save(TempPath("lied"), 1);
    EXPECT_EQ(ReadAll(TempPath("lied.mp3")), FakeMp3());
    EXPECT_EQ(encoder.chunks.size(), 3u);
    EXPECT_EQ(encoder.ConfigField(16), 44100u);
    EXPECT_EQ(encoder.ConfigField(24), 128u);
    EXPECT_EQ(encoder.ConfigField(20), 0u);  // stereo
    EXPECT_EQ(encoder.progressAtChunk, (std::vector<std::int32_t>{0, 41, 83}));
    EXPECT_EQ(form->FProgress, 0);
    EXPECT_TRUE(dialogs.messages.empty());

    // WAV filter: name.wav, the same bytes as the WAV writer produces.
    Save(TempPath("lied"), 2);
    const std::string direct = TempPath("direct.bin");
    ASSERT_TRUE(zirpel::WriteWaveFile(direct, zirpel::ClipSpan{clip.data(), 12000, {44100, true, true}}));
    EXPECT_EQ(ReadAll(TempPath("lied.wav")), ReadAll(direct));
    EXPECT_EQ(dialogs.saveRequests.back().filterIndex, 1);

    // The filter, not the typed extension, decides: MP3 data under ".wav".
    encoder.chunks.clear();
    Save(TempPath("anders.wav"), 1);
    EXPECT_EQ(ReadAll(TempPath("anders.wav")), FakeMp3());
    // The dialog comes back with the filter chosen last.
    EXPECT_EQ(dialogs.saveRequests.back().filterIndex, 2);

    // Saving changed neither the clip nor the selection.
    EXPECT_EQ(form->Document().SampleData(), clip);
    EXPECT_EQ(form->Document().SelAnchor(), 100);
    EXPECT_EQ(form->Document().SelCaret(), 900);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SaveTest, FailuresShowTheirMessagesAndKeepTheOldFile) {
    const std::string target = TempPath("alt.mp3");
    const std::vector<std::uint8_t> old{'a', 'l', 't'};
    WriteAll(target, old);

    encoder.initResult = zirpel::BE_ERR_INVALID_FORMAT;
    Save(target, 1);
    ExpectOneMessage("Konnte LAME Encoder nicht initialisieren...", "", MsgIcon::None);
    EXPECT_EQ(ReadAll(target), old);

    encoder.initResult = zirpel::BE_ERR_SUCCESSFUL;
    encoder.failChunk = 1;
    Save(target, 1);
    ExpectOneMessage("Fehler beim MP3 Codieren.", "Zirpel-Editor", MsgIcon::Error);
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(form->FProgress, 41);  // left where the error stopped it

    encoder.failChunk = -1;
    encoder.deinitResult = zirpel::BE_ERR_INVALID_HANDLE;
    Save(target, 1);
    ExpectOneMessage("Echec à la sortie.", "Zirpel-Editor", MsgIcon::Error);
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(encoder.openStreams, 0);

    Save(TempPath("fehlt/neu.mp3"), 1);
    ExpectOneMessage("Konnte Datei nicht erstellen...", "", MsgIcon::None);
    Save(TempPath("fehlt/neu.wav"), 2);
    ExpectOneMessage("Konnte Datei nicht speichern", "", MsgIcon::Error);

    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("alt.mp3")});
    EXPECT_EQ(form->Document().SampleData(), clip);
}

TEST_F(SaveTest, ATerminationSignalStopsTheSaveAndKeepsTheOldFile) {
    // During the MP3 encoding, and (for the WAV save) while the dialog shows:
    // the old file stays, nothing is shown, and the window's handler runs
    // once the events do.
    int handled = 0;
    TerminationSignals termination([&] { ++handled; });
    const std::vector<std::uint8_t> old{'a', 'l', 't'};
    WriteAll(TempPath("alt.mp3"), old);
    WriteAll(TempPath("alt.wav"), old);
    encoder.duringSecondChunk = [] { std::raise(SIGTERM); };
    Save(TempPath("alt.mp3"), 1);
    EXPECT_EQ(encoder.chunks.size(), 2u);
    dialogs.whileSaveDialogShows = [] { std::raise(SIGTERM); };
    Save(TempPath("alt.wav"), 2);
    EXPECT_EQ(ReadAll(TempPath("alt.mp3")), old);
    EXPECT_EQ(ReadAll(TempPath("alt.wav")), old);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return handled > 0; }, 5000));
}

TEST_F(SaveTest, SmallExportForcesTheSmallestSettingsAndRestoresTheLists) {
    form->mp3format->setCurrentIndex(4);  // 22050
    form->BitRate->setCurrentIndex(7);    // 64

    SaveSmall(TempPath("klein"), 1);
    EXPECT_EQ(encoder.listsAtInit, std::vector<std::string>{"11025/8"});
    EXPECT_EQ(encoder.ConfigField(16), 11025u);
    EXPECT_EQ(encoder.ConfigField(24), 8u);
    EXPECT_EQ(encoder.ConfigField(28), 8u);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(TempPath("klein.mp3"))));
    EXPECT_EQ(form->mp3format->currentText(), "22050");
    EXPECT_EQ(form->BitRate->currentText(), "64");

    // A following ordinary save uses the user's choice again.
    Save(TempPath("normal"), 1);
    EXPECT_EQ(encoder.ConfigField(16), 22050u);
    EXPECT_EQ(encoder.ConfigField(24), 64u);

    // Cancelled, and ended by an encoder error: restored as well.
    QTest::mouseClick(form->SaveSmallBtn, Qt::LeftButton);
    EXPECT_EQ(form->mp3format->currentText(), "22050");
    EXPECT_EQ(form->BitRate->currentText(), "64");
    encoder.failChunk = 0;
    encoder.chunks.clear();
    SaveSmall(TempPath("klein2"), 1);
    ExpectOneMessage("Fehler beim MP3 Codieren.", "Zirpel-Editor", MsgIcon::Error);
    EXPECT_EQ(form->mp3format->currentText(), "22050");
    EXPECT_EQ(form->BitRate->currentText(), "64");

    // With the WAV filter the lists play no part: the same file as a normal save.
    SaveSmall(TempPath("klein"), 2);
    Save(TempPath("gross"), 2);
    EXPECT_EQ(ReadAll(TempPath("klein.wav")), ReadAll(TempPath("gross.wav")));

    // The menu entries run the same commands.
    QAction* small = nullptr;
    for (QAction* a : form->MenuDatei->actions())
        if (a->text() == QString::fromUtf8("Als kleiner Zirpel Speichern...")) small = a;
    ASSERT_NE(small, nullptr);
    const auto requests = dialogs.saveRequests.size();
    small->trigger();
    EXPECT_EQ(dialogs.saveRequests.size(), requests + 1);
    EXPECT_EQ(form->BitRate->currentText(), "64");
}

// The real encoder, as a user would get it: the files decode at the
// expected rate, channel count and bit rate.
class RealSaveTest : public MainFormTest {};

TEST_F(RealSaveTest, SavedMp3FilesDecode) {
    form->Document().Replace({Stereo16Tone(44100), {44100, true, true}}, "Öffnen");

    auto check = [&](const std::string& path, int rate, int kbps) {
        const auto mp3 = ReadAll(path);
        std::vector<zirpel::test::FrameHeader> frames;
        ASSERT_TRUE(zirpel::test::WalkFrames(mp3, frames));
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames[0].rate, rate);
        EXPECT_EQ(frames[0].kbps, kbps);
        EXPECT_EQ(frames[0].mode, 0);
        const auto decoded = zirpel::test::DecodeMp3(mp3);
        EXPECT_EQ(decoded.rate, rate);
        EXPECT_EQ(decoded.channels, 2);
        EXPECT_GE(decoded.pcm.size() / 2, static_cast<std::size_t>(rate));
    };

    dialogs.saveAnswers.push_back(FileChoice{TempPath("voll"), 1});
    QTest::mouseClick(form->SaveBtn, Qt::LeftButton);
    check(TempPath("voll.mp3"), 44100, 128);

    dialogs.saveAnswers.push_back(FileChoice{TempPath("klein"), 1});
    QTest::mouseClick(form->SaveSmallBtn, Qt::LeftButton);
    check(TempPath("klein.mp3"), 11025, 8);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->BitRate->currentText(), "128");
}

TEST_F(RealSaveTest, NothingToSaveBeforeAClipIsOpen) {
    // No clip yet (rate 0): the encoder refuses, the WAV writer too; no file appears.
    dialogs.saveAnswers.push_back(FileChoice{TempPath("leer"), 1});
    QTest::mouseClick(form->SaveBtn, Qt::LeftButton);
    dialogs.saveAnswers.push_back(FileChoice{TempPath("leer"), 2});
    QTest::mouseClick(form->SaveBtn, Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Konnte LAME Encoder nicht initialisieren...");
    EXPECT_EQ(dialogs.messages[1].text, "Konnte Datei nicht speichern");
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

}  // namespace

TEST_F(SaveTest, TheThirdEntryWritesOggAndTheSmallRingtoneOffersOnlyTheFirstTwo) {
    Save(TempPath("ring"), 3);  // the entry after the two fixed ones
    EXPECT_EQ(dialogs.saveRequests.back().moreFilters, "Ogg-Vorbis-Datei|*.OGG");
    const auto ogg = ReadAll(TempPath("ring.ogg"));
    ASSERT_GE(ogg.size(), 4u);
    EXPECT_EQ(std::string(ogg.begin(), ogg.begin() + 4), "OggS");
    EXPECT_TRUE(encoder.calls.empty()) << "Ogg does not go through the MP3 encoder";
    EXPECT_TRUE(dialogs.messages.empty());

    form->SaveSmallBtnClick();  // cancelled: no answer queued
    EXPECT_EQ(dialogs.saveRequests.back().filter, "MP3-Datei|*.MP3|WAV-Datei|*.WAV");
    EXPECT_EQ(dialogs.saveRequests.back().moreFilters, "");
    EXPECT_EQ(dialogs.saveRequests.back().filterIndex, 1);  // Ogg is not among its entries
}
