// Opening MP3 files through the real main window: the MP3 kinds a user
// meets, the temporary file, the failure messages, no codec, and closing the
// window during a conversion.
#include <QColor>
#include <QDir>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "GuiFixture.h"
#include "codec/Acm.h"
#include "codec/Mp3Fixtures.h"

namespace {

namespace fs = std::filesystem;
using zirpel::test::Mp3Options;
using zirpel::test::ToneMp3;
using zirpel::test::WriteBytes;

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Points the system's temporary folder (TMPDIR) at a folder of the test's own.
class OpenMp3Test : public MainFormTest {
protected:
    QTemporaryDir tempFolder;
    QByteArray oldTmpDir;
    bool hadTmpDir = false;

    void SetUp() override {
        hadTmpDir = qEnvironmentVariableIsSet("TMPDIR");
        oldTmpDir = qgetenv("TMPDIR");
        MainFormTest::SetUp();
        qputenv("TMPDIR", tempFolder.path().toUtf8());
        ASSERT_EQ(QDir::tempPath(), QDir(tempFolder.path()).canonicalPath());
    }
    void TearDown() override {
        MainFormTest::TearDown();
        if (hadTmpDir)
            qputenv("TMPDIR", oldTmpDir);
        else
            qunsetenv("TMPDIR");
    }

    std::vector<std::string> TempFolderFiles() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(tempFolder.path().toStdString()))
            names.push_back(e.path().filename().string());
        return names;
    }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> t;
        for (const auto& m : dialogs.messages) t.push_back(m.text);
        return t;
    }

    // Rows of the view that the waveform's line touches.
    int WaveformRows() const {
        const QImage& img = form->FViewBitmap;
        int rows = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) == QColor(0, 255, 0)) {
                    ++rows;
                    break;
                }
        return rows;
    }
};

}  // namespace

TEST_F(OpenMp3Test, OpensEachKindOfMp3File) {
    const auto stereo = ToneMp3({44100, 2, 128, 1.0, 1000});
    std::vector<std::uint8_t> id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 40};
    id3.resize(10 + 40, 'T');
    id3.resize(id3.size() + 32, 0);
    std::vector<std::uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 30, 0, 0, 0,
                                      85, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x80, 0x3E, 0, 0, 1, 0, 0, 0, 12, 0};
    riff.resize(20 + 30);
    for (char c : std::string("fact\0\0\0\0data\0\0\0\0", 16)) riff.push_back(static_cast<std::uint8_t>(c));

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int rate;
        bool stereo;
    };
    const Case cases[] = {
        {"stereo.mp3", stereo, 44100, true},
        {"MONO22.MP3", ToneMp3({22050, 1, 32, 1.0, 1000}), 22050, false},
        {"low.Mp3", ToneMp3({11025, 2, 24, 1.0, 440}), 11025, true},
        {"tagged.mp3", Concat(id3, stereo), 44100, true},
        {"zeros.mp3", Concat(std::vector<std::uint8_t>(700, 0), stereo), 44100, true},
        {"junk.mp3", Concat(std::vector<std::uint8_t>(300, '#'), stereo), 44100, true},
        {"wrapped.mp3", Concat(riff, stereo), 44100, true},
    };
    EXPECT_GT(form->FMP3FormatCount, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = TempPath(c.name);
        WriteBytes(path, c.bytes);
        form->Document().Replace({{}, form->Document().Format()}, "Öffnen");
        form->Document().SetSelection({7, form->Document().SelCaret()});
        form->PaintBox1Paint();
        ASSERT_LE(WaveformRows(), 1);
        OpenFile(path);
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text;
        EXPECT_EQ(form->Document().SampleRate(), c.rate);
        EXPECT_EQ(form->Document().Stereo(), c.stereo);
        EXPECT_TRUE(form->Document().Is16Bit());
        const int frames = form->Document().SampleSize() / (c.stereo ? 4 : 2);
        EXPECT_GE(frames, c.rate - 2 * 1152);
        EXPECT_LE(frames, c.rate + 3 * 1152);
        EXPECT_EQ(form->Document().SelAnchor(), 0);
        EXPECT_EQ(form->FProgress, 0);
        EXPECT_GT(WaveformRows(), 20);  // a loud tone spans many rows
        EXPECT_TRUE(TempFolderFiles().empty());
    }
}

TEST_F(OpenMp3Test, UsesTheNextFreeTemporaryName) {
    const std::string taken = (tempFolder.path() + "/tempwav0.wav").toStdString();
    WriteBytes(taken, {'m', 'i', 'n', 'e'});
    WriteBytes(TempPath("a.mp3"), ToneMp3({22050, 1, 32, 0.5, 1000}));
    OpenFile(TempPath("a.mp3"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->Document().SampleRate(), 22050);
    EXPECT_EQ(TempFolderFiles(), std::vector<std::string>{"tempwav0.wav"});
    EXPECT_EQ(zirpel::test::ReadBytes(taken), (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));
}

TEST_F(OpenMp3Test, FilesThatAreNoMp3EndWithTheOpenFailure) {
    const std::string wav = TempPath("good.wav");
    WriteBytes(TempPath("first.mp3"), ToneMp3({11025, 1, 16, 0.5, 440}));
    OpenFile(TempPath("first.mp3"));
    ASSERT_EQ(form->Document().SampleRate(), 11025);
    const auto before = form->Document().SampleData();

    // Text named .mp3: no frame anywhere, nothing converted.
    std::ofstream(TempPath("text.mp3")) << "Das ist ein Brief, keine Musik.\n";
    dialogs.messages.clear();
    OpenFile(TempPath("text.mp3"));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Konnte Datei nicht öffnen"});
    EXPECT_EQ(dialogs.messages[0].icon, zirpel::MsgIcon::Error);
    EXPECT_EQ(dialogs.messages[0].caption, "");

    // A file that is not there.
    dialogs.messages.clear();
    OpenFile(TempPath("missing.mp3"));
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Konnte Datei nicht öffnen!", "Konnte Datei nicht öffnen"}));
    EXPECT_EQ(dialogs.messages[0].icon, zirpel::MsgIcon::Error);
    EXPECT_EQ(dialogs.messages[0].caption, "");

    // A temporary folder that takes no new files, not even from root.
    ASSERT_TRUE(fs::is_directory("/proc"));
    qputenv("TMPDIR", "/proc");
    dialogs.messages.clear();
    OpenFile(TempPath("first.mp3"));
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Konnte Ausgabedatei nicht erstellen!",
                                                        "Konnte Datei nicht öffnen"}));
    qputenv("TMPDIR", tempFolder.path().toUtf8());

    // A RIFF file cut inside its headers: the input error reaches the
    // general error display.
    WriteBytes(TempPath("cut.mp3"), {'R', 'I', 'F', 'F', 1, 0, 0, 0, 'W', 'A'});
    dialogs.messages.clear();
    OpenFile(TempPath("cut.mp3"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Read beyond end of file.");

    EXPECT_EQ(form->Document().SampleData(), before);
    EXPECT_EQ(form->Document().SampleRate(), 11025);
    EXPECT_TRUE(TempFolderFiles().empty());
    EXPECT_FALSE(form->mp3wav.Active());
}

namespace {

class NoCodecTest : public OpenMp3Test {
protected:
    zirpel::acm::AcmRegistry none;
    void AddServices(MainFormServices& s) override { s.codecs = &none; }
};

}  // namespace

TEST_F(NoCodecTest, OpeningAnMp3ShowsTheCodecManagersError) {
    EXPECT_EQ(form->FMP3FormatCount, 0);
    EXPECT_TRUE(form->FMP3Formats.empty());
    WriteBytes(TempPath("song.mp3"), ToneMp3({44100, 2, 128, 0.3, 1000}));
    OpenFile(TempPath("song.mp3"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "acmStreamOpen: The requested operation cannot be performed.");
    EXPECT_EQ(dialogs.messages[0].icon, zirpel::MsgIcon::Error);
    EXPECT_TRUE(form->Document().SampleData().empty());
    EXPECT_TRUE(TempFolderFiles().empty());
    EXPECT_FALSE(form->mp3wav.Active());
}

TEST_F(OpenMp3Test, ClosingTheWindowEndsALongConversion) {
    WriteBytes(TempPath("long.mp3"), ToneMp3({44100, 2, 128, 20.0, 1000}));
    // The close request arrives while the conversion lets events run; the
    // confirmation is answered with OK.
    QTimer::singleShot(0, form.get(), [this] { form->close(); });
    OpenFile(TempPath("long.mp3"));
    EXPECT_TRUE(form->FStopRequested);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages[0].caption, "Programm beenden");
    EXPECT_GT(form->Document().SampleSize(), 0);
    EXPECT_LT(form->Document().SampleSize(), 20 * 44100 * 4 / 2);
    EXPECT_TRUE(TempFolderFiles().empty());
}

TEST_F(OpenMp3Test, FoldersPipesAndHugeJunkAreAnsweredWithTheOpenFailure) {
    // None of these may block the window: a folder and a FIFO are refused
    // before any read, and a gigabyte without a single MPEG frame is scanned
    // at memory speed.
    fs::create_directory(TempPath("folder.mp3"));
    ASSERT_EQ(::mkfifo(TempPath("pipe.wav").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(TempPath("pipe.mp3").c_str(), 0600), 0);
    {
        std::ofstream junk(TempPath("zeros.mp3"));
    }
    fs::resize_file(TempPath("zeros.mp3"), std::uintmax_t{1} << 30);  // sparse: no disk used
    for (const char* name : {"folder.mp3", "pipe.wav", "pipe.mp3", "zeros.mp3"}) {
        SCOPED_TRACE(name);
        dialogs.messages.clear();
        OpenFile(TempPath(name));
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Konnte Datei nicht öffnen"});
        EXPECT_TRUE(form->Document().SampleData().empty());
    }
    EXPECT_TRUE(TempFolderFiles().empty());
}
