// The "Effekte" menu and "Sampleformat ändern..." on the real main window:
// menu order, the dialogs' presets and cancel paths, what each command
// redraws or replaces, the errors through the general error display, and
// effects run while PLAY loops. The arithmetic itself is tested in the core.
#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <cstring>

#include "GuiFixture.h"
#include "effects/ui/EchoFUnit.h"
#include "effects/ui/SampleFormatFUnit.h"
#include "playback/FakeSoundDevice.h"
#include "playback/TestClips.h"

namespace {

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

void Trigger(QMenu* menu, const char* text) {
    for (QAction* a : menu->actions())
        if (a->text() == QString::fromUtf8(text)) return a->trigger();
    ADD_FAILURE() << "no menu entry " << text;
}

std::int16_t Sample(const TMainForm& f, int index) {
    std::int16_t s;
    std::memcpy(&s, f.Document().SampleData().data() + 2 * index, 2);
    return s;
}

// 16-bit mono at 8000 Hz, every sample 1000.
zirpel::Clip Level(int frames) {
    std::vector<std::uint8_t> b(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) zirpel::PutSample16(b.data() + 2 * i, 1000);
    return {b, {8000, false, true}};
}

class EffectsWindowTest : public MainFormTest {
protected:
    std::vector<QString> presetsSeen;  // the time field's text when the dialog opened
    QString typedTime = QStringLiteral("0,5");
    bool acceptTime = true;

    void SetUp() override {
        MainFormTest::SetUp();
        dialogAction = [this](QDialog& d) {
            if (auto* echo = qobject_cast<TEchoForm*>(&d)) {
                presetsSeen.push_back(echo->findChild<QAbstractSpinBox*>()->text());
                if (!acceptTime) return int(QDialog::Rejected);
                echo->SetTime(typedTime);
                return int(QDialog::Accepted);
            }
            return int(QDialog::Rejected);
        };
        form->Document().Replace(Level(16000), "Öffnen");
    }
};

}  // namespace

TEST_F(EffectsWindowTest, MenusListTheEntriesInOrderAndOpeningEffekteScrollsBack) {
    EXPECT_EQ(MenuTexts(form->MenuEffekte).mid(0, 13),
              (QStringList{"Echo...", "Weich einblenden", "Weich ausblenden",
                           QString::fromUtf8("Ende auf Anfang überblenden"), "-",
                           QString::fromUtf8("Maximale Lautstärke"), "Lauter 10%", "Leiser 10%", "-",
                           QString::fromUtf8("Rückwärts"), "-", "Schneller 10%", "Langsamer 10%"}));
    // "Bearbeiten" opens with "Rückgängig", "Wiederherstellen" and a separator.
    EXPECT_EQ(MenuTexts(form->MenuBearbeiten).mid(3, 6),
              (QStringList{"Zur Auswahl zurechtschneiden", "Die Auswahl wegschneiden", "-",
                           QString::fromUtf8("Nichts auswählen"), "-", QString::fromUtf8("Sampleformat ändern...")}));
    // Later entries stand behind a separator.
    EXPECT_EQ(MenuTexts(form->MenuEffekte).value(13, "-"), "-");
    EXPECT_EQ(MenuTexts(form->MenuBearbeiten).value(9, "-"), "-");
    EXPECT_TRUE(MenuTexts(form->MenuDatei).contains("Von Musik-CD einlesen..."));
    for (QAction* a : form->MenuEffekte->actions()) EXPECT_TRUE(a->shortcut().isEmpty());
    EXPECT_TRUE(form->ChangeFormat->isEnabled());
    EXPECT_TRUE(form->MusikCDBtn->isEnabled());

    form->ZoomInFullClick();
    form->RxSlider1->setValue(25);
    form->MenuEffekte->popup(QPoint(0, 0));  // opening the menu is the title's click
    form->MenuEffekte->hide();
    EXPECT_EQ(form->RxSlider1->value(), 15);
}

TEST_F(EffectsWindowTest, TimeDialogPresetsCancelAndTheFloatingPointError) {
    // Each command writes its own preset, whatever was typed last time.
    Trigger(form->MenuEffekte, "Echo...");
    Trigger(form->MenuEffekte, "Weich einblenden");
    ASSERT_EQ(presetsSeen.size(), 2u);
    EXPECT_EQ(presetsSeen[0], QStringLiteral("0,50"));
    EXPECT_EQ(presetsSeen[1], QStringLiteral("2,00"));
    EXPECT_EQ(Sample(*form, 0), 0);  // faded in from silence

    // Cancel: nothing changes.
    const auto before = form->Document().SampleData();
    acceptTime = false;
    Trigger(form->MenuEffekte, "Weich ausblenden");
    EXPECT_EQ(form->Document().SampleData(), before);

    // A time too short for one frame at this rate is the general error.
    acceptTime = true;
    typedTime = QStringLiteral("0,00001");
    Trigger(form->MenuEffekte, "Weich ausblenden");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Invalid floating point operation.");
    EXPECT_EQ(dialogs.messages[0].caption, "Zirpel-Editor");
    EXPECT_EQ(form->Document().SampleData(), before);
}

TEST_F(EffectsWindowTest, EachEntryReachesItsEffect) {
    form->Document().SetSelection({100, 200});
    Trigger(form->MenuEffekte, "Lauter 10%");
    EXPECT_EQ(Sample(*form, 150), 1100);
    EXPECT_EQ(Sample(*form, 50), 1000);  // outside the selection
    Trigger(form->MenuEffekte, "Leiser 10%");
    EXPECT_EQ(Sample(*form, 150), 1000);
    Trigger(form->MenuEffekte, "Maximale Lautstärke");
    EXPECT_EQ(Sample(*form, 150), 32767);
    EXPECT_EQ(form->Document().SelAnchor(), 100);  // in-place effects keep the selection

    std::vector<std::uint8_t> poked = form->Document().SampleData();
    zirpel::PutSample16(poked.data() + 2 * 300, -5);
    form->Document().Replace({poked, form->Document().Format()}, "Öffnen");
    form->Document().SetSelection({0, 0});
    Trigger(form->MenuEffekte, QString::fromUtf8("Rückwärts").toUtf8().constData());
    EXPECT_EQ(Sample(*form, 16000 - 1 - 300), -5);

    Trigger(form->MenuEffekte, "Schneller 10%");
    EXPECT_EQ(form->Document().SampleRate(), 8800);
    Trigger(form->MenuEffekte, "Langsamer 10%");
    EXPECT_EQ(form->Document().SampleRate(), 8000);

    // The crossfade shortens the clip by the fade and clears the selection.
    typedTime = QStringLiteral("0,5");  // 4000 frames
    form->Document().SetSelection({10, 20});
    Trigger(form->MenuEffekte, QString::fromUtf8("Ende auf Anfang überblenden").toUtf8().constData());
    EXPECT_EQ(form->Document().SampleSize(), (16000 - 4000) * 2);
    EXPECT_EQ(form->Document().SelAnchor(), 0);
    EXPECT_EQ(form->Document().SelCaret(), 0);
    EXPECT_EQ(form->Label2->text(), QStringLiteral("23 KBytes"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(EffectsWindowTest, FormatDialogIsPrefilledAndItsOkReplacesTheClip) {
    form->Document().SetSelection({5, 9});
    bool shownPrefilled = false;
    dialogAction = [&](QDialog& d) {
        auto* f = qobject_cast<TSampleFormat*>(&d);
        if (!f) return int(QDialog::Rejected);
        shownPrefilled = !f->stereocheck->isChecked() && f->bit16check->isChecked() && f->Rate() == 8000;
        f->stereocheck->setChecked(true);
        f->bit16check->setChecked(false);
        f->SetRate(22050);
        QTest::mouseClick(f->BitBtnXP3, Qt::LeftButton);  // "->8000 Hz" only sets the field
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(form->ChangeFormat, Qt::LeftButton);
    EXPECT_TRUE(shownPrefilled);
    EXPECT_TRUE(form->Document().Stereo());
    EXPECT_FALSE(form->Document().Is16Bit());
    EXPECT_EQ(form->Document().SampleSize(), 16000 * 2);  // 8-bit stereo, same rate
    EXPECT_EQ(form->Document().SampleData()[0], 131);     // 1000 >> 8 = 3, + 128
    EXPECT_EQ(form->Document().SelAnchor(), 0);

    // Cancel changes nothing; an empty clip does not even show the dialog.
    const auto before = form->Document().SampleData();
    dialogAction = [](QDialog&) { return int(QDialog::Rejected); };
    form->RunCommand([this] { form->ChangeFormatClick(); });
    EXPECT_EQ(form->Document().SampleData(), before);
    form->Document().Replace({}, "Öffnen");
    shownDialogs.clear();
    form->RunCommand([this] { form->ChangeFormatClick(); });
    EXPECT_TRUE(shownDialogs.empty());
}

namespace {

class EffectsWhilePlayingTest : public EffectsWindowTest {
protected:
    std::shared_ptr<zirpel::testing::FakeAudio> audio = std::make_shared<zirpel::testing::FakeAudio>();
    void AddServices(MainFormServices& s) override {
        s.openSoundDevice = [this](std::unique_ptr<zirpel::SoundDevice>& out) {
            out = std::make_unique<zirpel::testing::FakeSoundDevice>(audio);
            return zirpel::SoundResult::Ok;
        };
    }
};

}  // namespace

TEST_F(EffectsWhilePlayingTest, TheLoopReadsTheChangedClipSafely) {
    // A long looping play; while it runs (the loop lets events through) the
    // crossfade and the format change replace the clip with shorter ones,
    // undo brings the longer one back and redo the short one again, and the
    // next rounds must read only the clip of the moment.
    form->Document().Replace({NonZeroClip(44100), {44100, true, true}}, "Öffnen");
    form->Document().SetSelection({0, 2 * 40000});  // the range reaches past the clips to come
    ASSERT_TRUE(form->SchleifeCheck->isChecked());
    typedTime = QStringLiteral("0,5");
    int round = 0;
    std::vector<std::int32_t> sizes;
    std::function<void()> step = [&] {
        ++round;
        if (round == 2) Trigger(form->MenuEffekte, QString::fromUtf8("Ende auf Anfang überblenden").toUtf8().constData());
        if (round == 4) {
            dialogAction = [](QDialog& d) {
                if (auto* f = qobject_cast<TSampleFormat*>(&d)) {
                    f->stereocheck->setChecked(false);
                    f->SetRate(8000);
                    return int(QDialog::Accepted);
                }
                return int(QDialog::Rejected);
            };
            form->RunCommand([this] { form->ChangeFormatClick(); });
        }
        if (round == 5) form->UndoAction->trigger();
        if (round == 6) form->RedoAction->trigger();
        sizes.push_back(form->Document().SampleSize());
        if (round == 7) {
            form->StopBTNClick();
            return;
        }
        QTimer::singleShot(60, form.get(), step);
    };
    QTimer::singleShot(0, form.get(), step);
    QTest::mouseClick(form->PlayBtn, Qt::LeftButton);  // returns when the play has ended
    EXPECT_GE(round, 7);
    const std::int32_t faded = (44100 - 22050) * 4, mono = faded / 4 * 8000 / 44100 * 2;
    EXPECT_EQ(sizes, (std::vector<std::int32_t>{44100 * 4, faded, faded, mono, faded, mono, mono}));
    EXPECT_FALSE(form->Document().Stereo());
    EXPECT_EQ(form->Document().SampleRate(), 8000);
    EXPECT_TRUE(form->PlayBtn->isEnabled());
    EXPECT_TRUE(dialogs.messages.empty());
}
