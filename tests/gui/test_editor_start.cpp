// How the editor starts and ends as a desktop program: the command line,
// a file dropped on the window, and a termination signal in the middle of
// an MP3 import (the real program, run as a separate process).
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QUrl>

#include <csignal>

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
}

TEST(EditorProcessTest, TerminationDuringAnImportLeavesNoTemporaryFile) {
    // A long MP3 named on the command line is being imported when SIGTERM
    // arrives: the import ends, its temporary file is deleted, and the
    // program ends without asking.
    zirpel::test::ScratchDir dir;
    const std::string tmp = dir.file("tmp");
    QDir().mkpath(QString::fromStdString(tmp));
    const auto second = zirpel::test::ToneMp3({44100, 2, 128, 4.0, 440});
    std::vector<std::uint8_t> mp3;
    for (int i = 0; i < 150; ++i) mp3.insert(mp3.end(), second.begin(), second.end());  // 10 minutes
    zirpel::test::WriteBytes(dir.file("long.mp3"), mp3);

    QProcess p;
    p.setProcessEnvironment(OffscreenEnvironment(QString::fromStdString(tmp)));
    p.start(QStringLiteral(ZIRPEL_EDITOR_PATH), {QString::fromStdString(dir.file("long.mp3"))});
    ASSERT_TRUE(p.waitForStarted(30000));
    const QString temp = QString::fromStdString(tmp + "/tempwav0.wav");
    const bool importing = QTest::qWaitFor([&] { return QFileInfo(temp).size() > 0; }, 60000);
    ASSERT_TRUE(importing) << "the import never started";
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QDir(QString::fromStdString(tmp)).entryList({QStringLiteral("tempwav*")}, QDir::AllEntries).isEmpty());
}
