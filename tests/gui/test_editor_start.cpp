// How the editor starts and ends as a desktop program: the command line,
// a file dropped on the window, and a termination signal or a file-size
// limit in the middle of an MP3 import (the real program, run as a separate
// process).
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QUrl>

#include <sys/resource.h>

#include <csignal>
#include <functional>

#include "GuiFixture.h"
#include "app/EditorArguments.h"
#include "codec/Mp3Fixtures.h"
#include "wave/WaveFile.h"

namespace {

std::vector<std::uint8_t> Tone16(int frames) {
    std::vector<std::uint8_t> d(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) zirpel::PutSample16(d.data() + 2 * i, static_cast<std::int16_t>(i * 7));
    return d;
}

QProcessEnvironment OffscreenEnvironment(const QString& tmp) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    env.insert(QStringLiteral("TMPDIR"), tmp);
    return env;
}

}  // namespace

TEST(EditorArgumentsTest, FileHelpVersionAndMistakes) {
    EXPECT_EQ(ParseEditorArguments({}).action, EditorArguments::Action::Run);
    EXPECT_EQ(ParseEditorArguments({"song.mp3"}).file, QStringLiteral("song.mp3"));
    EXPECT_EQ(ParseEditorArguments({"--", "-odd.wav"}).file, QStringLiteral("-odd.wav"));
    EXPECT_EQ(ParseEditorArguments({"a.wav", "--help"}).action, EditorArguments::Action::Help);
    EXPECT_EQ(ParseEditorArguments({"--version"}).action, EditorArguments::Action::Version);
    EXPECT_EQ(ParseEditorArguments({"--laut"}).action, EditorArguments::Action::Error);
    EXPECT_EQ(ParseEditorArguments({"a.wav", "b.wav"}).action, EditorArguments::Action::Error);
    // Qt's own options, with one dash or two, before "--" only.
    EXPECT_TRUE(MayHoldQtOptions({"-platform", "offscreen", "a.wav"}));
    EXPECT_TRUE(MayHoldQtOptions({"a.wav", "--style=fusion"}));
    EXPECT_FALSE(MayHoldQtOptions({"--laut", "a.wav", "b.wav"}));
    EXPECT_FALSE(MayHoldQtOptions({"--", "-platform"}));
}

TEST_F(MainFormTest, ADroppedWaveFileIsOpenedAndOtherDropsAreRefused) {
    const std::string wav = TempPath("drop.wav");
    ASSERT_TRUE(zirpel::WriteWaveFile(wav, zirpel::ClipSpan{Tone16(500).data(), 1000, {8000, false, true}}));
    const auto dropOn = [this](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        return true;
    };
    EXPECT_FALSE(dropOn(QString::fromStdString(TempPath("notes.txt"))));
    EXPECT_TRUE(dropOn(QString::fromStdString(wav)));
    EXPECT_EQ(form->Document().SampleSize(), 1000);
    EXPECT_EQ(form->Document().SampleRate(), 8000);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(EditorProcessTest, HelpAndVersionAnswerWithoutAWindow) {
    QProcess p;
    p.setProcessEnvironment(OffscreenEnvironment(QDir::tempPath()));
    p.start(QStringLiteral(ZIRPEL_EDITOR_PATH), {QStringLiteral("--version")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), QStringLiteral("Zirpel-Editor 1.0\n"));
    p.start(QStringLiteral(ZIRPEL_EDITOR_PATH), {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).startsWith(QStringLiteral("Aufruf: zirpel-editor")));
    p.start(QStringLiteral(ZIRPEL_EDITOR_PATH), {QStringLiteral("--gibtsnicht")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    // A mistake is told without a display as well (an ssh session), not
    // left to Qt, which cannot start there.
    QProcessEnvironment none = OffscreenEnvironment(QDir::tempPath());
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) none.remove(QString::fromLatin1(name));
    p.setProcessEnvironment(none);
    p.start(QStringLiteral(ZIRPEL_EDITOR_PATH), {QStringLiteral("a.wav"), QStringLiteral("--gibtsnicht")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
              QStringLiteral("zirpel-editor: Unbekannte Option: --gibtsnicht\nMehr mit: zirpel-editor --help\n"));
}

// The real editor started on a long MP3 (`seconds`, in 4-second pieces) with
// a temporary folder of its own, `prepare` run in the child before it starts.
struct EditorOnALongMp3 {
    zirpel::test::ScratchDir dir;
    std::string tmp = dir.file("tmp");
    QString temp = QString::fromStdString(tmp + "/tempwav0.wav");
    QProcess p;

    EditorOnALongMp3(int seconds, std::function<void()> prepare = {}) {
        QDir().mkpath(QString::fromStdString(tmp));
        const auto piece = zirpel::test::ToneMp3({44100, 2, 128, 4.0, 440});
        std::vector<std::uint8_t> mp3;
        for (int i = 0; i < seconds / 4; ++i) mp3.insert(mp3.end(), piece.begin(), piece.end());
        zirpel::test::WriteBytes(dir.file("long.mp3"), mp3);
        p.setProcessEnvironment(OffscreenEnvironment(QString::fromStdString(tmp)));
        if (prepare) p.setChildProcessModifier(prepare);
        p.start(QStringLiteral(ZIRPEL_EDITOR_PATH), {QString::fromStdString(dir.file("long.mp3"))});
    }
    bool Ended() const { return p.state() == QProcess::NotRunning; }
    // SIGTERM: the program must end normally with status 0.
    void Terminate() {
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
    }
};

TEST(EditorProcessTest, TerminationDuringAnImportLeavesNoTemporaryFile) {
    // A long MP3 named on the command line is being imported when SIGTERM
    // arrives: the import ends, its temporary file is deleted, and the
    // program ends without asking.
    EditorOnALongMp3 run(600);
    ASSERT_TRUE(run.p.waitForStarted(30000));
    const bool importing = QTest::qWaitFor([&] { return QFileInfo(run.temp).size() > 0; }, 60000);
    ASSERT_TRUE(importing) << "the import never started";
    run.Terminate();
    EXPECT_TRUE(QDir(QString::fromStdString(run.tmp)).entryList({QStringLiteral("tempwav*")}, QDir::AllEntries).isEmpty());
}

TEST(EditorProcessTest, AFileSizeLimitEndsTheImportNotTheProgram) {
    // `ulimit -f`: the temporary file reaches the limit, the write fails, the
    // file is deleted and the message waits for OK; a SIGTERM then ends it.
    EditorOnALongMp3 run(120, [] {
        const rlimit limit{4 << 20, 4 << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    ASSERT_TRUE(run.p.waitForStarted(30000));
    // (Should a poll miss the file's short life, the second wait ends at once.)
    (void)QTest::qWaitFor([&] { return QFileInfo::exists(run.temp) || run.Ended(); }, 30000);
    (void)QTest::qWaitFor([&] { return !QFileInfo::exists(run.temp) || run.Ended(); }, 60000);
    ASSERT_FALSE(run.Ended()) << "killed, exit status " << run.p.exitCode();
    EXPECT_FALSE(QFileInfo::exists(run.temp));
    run.Terminate();
}
