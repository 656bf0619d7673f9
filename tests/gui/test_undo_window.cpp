// Undo and redo through the real window: the "Bearbeiten" entries, their
// keys from wherever the mouse work leaves the focus, and the bytes saved
// after undoing and redoing. Undo while PLAY loops: test_effects_window.
#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <fstream>
#include <iterator>

#include "GuiFixture.h"
#include "effects/ui/EchoFUnit.h"
#include "effects/ui/SampleFormatFUnit.h"
#include "playback/TestClips.h"
#include "view/ui/PaintBox.h"
#include "export/SaveClip.h"
#include "wave/WaveFile.h"

namespace {

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

void Trigger(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text() == text) return a->trigger();
    ADD_FAILURE() << "no menu entry " << text.toStdString();
}

std::vector<char> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class UndoWindowTest : public MainFormTest {
protected:
    bool cancelTime = false;

    void SetUp() override {
        MainFormTest::SetUp();
        dialogAction = [this](QDialog& d) {
            if (auto* echo = qobject_cast<TEchoForm*>(&d)) {
                if (cancelTime) return int(QDialog::Rejected);
                echo->SetTime(QStringLiteral("0,25"));
                return int(QDialog::Accepted);
            }
            if (auto* f = qobject_cast<TSampleFormat*>(&d)) {
                f->stereocheck->setChecked(false);
                f->bit16check->setChecked(false);
                f->SetRate(8000);
                return int(QDialog::Accepted);
            }
            return int(QDialog::Rejected);
        };
    }

    void SaveWav(const std::string& path) {
        dialogs.saveAnswers.push_back(zirpel::FileChoice{path, zirpel::kSaveFilterWav});
        form->RunCommand([this] { form->SaveBtnClick(); });
    }
    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers, int times) {
        for (int i = 0; i < times; ++i) QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
};

}  // namespace

TEST_F(UndoWindowTest, KeysUndoCropFadeAndFormatFromTheZoomFieldAndRedoThem) {
    EXPECT_EQ(MenuTexts(form->MenuBearbeiten).mid(0, 9),
              (QStringList{QString::fromUtf8("Rückgängig"), "Wiederherstellen", "-",
                           "Zur Auswahl zurechtschneiden", "Die Auswahl wegschneiden", "-",
                           QString::fromUtf8("Nichts auswählen"), "-", QString::fromUtf8("Sampleformat ändern...")}));
    EXPECT_FALSE(form->UndoAction->isEnabled());
    EXPECT_FALSE(form->RedoAction->isEnabled());

    const std::string song = TempPath("song.wav");
    ASSERT_TRUE(zirpel::WriteWaveFile(song, zirpel::Clip(NonZeroClip(22050), {22050, true, true}).span()));
    OpenFile(song);
    EXPECT_EQ(form->UndoAction->text().toStdString(), "Rückgängig: Öffnen");

    // A drag over the waveform, then crop, fade out and the format change.
    QTest::mousePress(form->PaintBox1, Qt::LeftButton, {}, QPoint(60, 50));
    QTest::mouseMove(form->PaintBox1, QPoint(500, 50));
    QTest::mouseRelease(form->PaintBox1, Qt::LeftButton, {}, QPoint(500, 50));
    ASSERT_NE(form->Document().SelAnchor(), form->Document().SelCaret());
    QTest::mouseClick(form->CropToSelection, Qt::LeftButton);
    Trigger(form->MenuEffekte, QStringLiteral("Weich ausblenden"));
    cancelTime = true;  // a cancelled command is no step
    Trigger(form->MenuEffekte, QStringLiteral("Echo..."));
    form->RunCommand([this] { form->ChangeFormatClick(); });
    ASSERT_FALSE(form->Document().Stereo());
    EXPECT_EQ(form->UndoAction->text().toStdString(), "Rückgängig: Sampleformat ändern");
    EXPECT_FALSE(form->RedoAction->isEnabled());

    // Saving is no step and keeps the history.
    SaveWav(TempPath("edited.wav"));
    EXPECT_EQ(form->UndoAction->text().toStdString(), "Rückgängig: Sampleformat ändern");

    // The zoom field holds the focus: its own Ctrl+Z must not win.
    QApplication::setActiveWindow(form.get());
    form->ZoomOutEd->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(form->ZoomOutEd->hasFocus());
    Keys(Qt::Key_Z, Qt::ControlModifier, 2);
    EXPECT_EQ(form->UndoAction->text().toStdString(), "Rückgängig: Zur Auswahl zurechtschneiden");
    EXPECT_EQ(form->RedoAction->text().toStdString(), "Wiederherstellen: Weich ausblenden");
    Keys(Qt::Key_Z, Qt::ControlModifier, 1);
    EXPECT_EQ(form->UndoAction->text().toStdString(), "Rückgängig: Öffnen");
    EXPECT_EQ(form->ZoomOutEd->value(), 22050 * 2 / form->PaintBox1->width());  // zoomed as after Open
    SaveWav(TempPath("undone.wav"));
    EXPECT_EQ(FileBytes(TempPath("undone.wav")), FileBytes(song));

    Keys(Qt::Key_Y, Qt::ControlModifier, 2);
    Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, 1);
    EXPECT_FALSE(form->RedoAction->isEnabled());
    EXPECT_EQ(form->RedoAction->text().toStdString(), "Wiederherstellen");
    SaveWav(TempPath("redone.wav"));
    EXPECT_EQ(FileBytes(TempPath("redone.wav")), FileBytes(TempPath("edited.wav")));
    EXPECT_TRUE(dialogs.messages.empty());
}
