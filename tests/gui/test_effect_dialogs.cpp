// The effect dialogs' wiring: presets, typed points and commas, clamping on
// OK with the focus still in the field, cancel, tab order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "clip/ClipFormat.h"
#include "effects/FormatChange.h"
#include "effects/ui/EchoFUnit.h"
#include "effects/ui/SampleFormatFUnit.h"
#include "effects/ui/SpinFields.h"

namespace {

// Replaces the field's text by typing, with the focus in the field.
void Type(QWidget& dialog, TextSpinField* field, const char* text) {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, QString::fromLatin1(text));
}

TEST(EchoFormTest, TimeIsReadFromTheTypedTextWithPointOrComma) {
    TEchoForm form(nullptr);
    EXPECT_EQ(form.Time(), 0.5L);
    form.SetTime(QStringLiteral("2,00"));
    EXPECT_EQ(form.Time(), 2.0L);
    Type(form, form.ZeitEd, "0.7");
    EXPECT_EQ(form.Time(), 0.7L);  // the extended value, no double in between
    Type(form, form.ZeitEd, "x0,7");  // letters cannot be typed
    EXPECT_EQ(form.ZeitEd->text(), QStringLiteral("0,7"));
    EXPECT_EQ(form.Time(), 0.7L);
    form.ZeitEd->stepBy(1);
    EXPECT_EQ(form.ZeitEd->text(), QStringLiteral("1,70"));
    // Leaving the field brings it into range.
    Type(form, form.ZeitEd, "-3");
    QTest::keyClick(form.ZeitEd, Qt::Key_Tab);
    EXPECT_EQ(form.ZeitEd->text(), QStringLiteral("0,00"));
    EXPECT_EQ(form.Time(), 1e-06L);
}

TEST(EchoFormTest, EnterInTheFieldClampsAndAcceptsAndCancelRejects) {
    TEchoForm form(nullptr);
    Type(form, form.ZeitEd, "250");
    ASSERT_TRUE(form.ZeitEd->hasFocus());
    QTest::keyClick(form.ZeitEd, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.ZeitEd->text(), QStringLiteral("100,00"));
    EXPECT_EQ(form.Time(), 100.0L);

    form.open();
    QTest::mouseClick(form.BitBtnXP2, Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    form.open();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST(SampleFormatTest, PresetsSetTheFieldAndKeepTheDialogOpen) {
    TSampleFormat form(nullptr);
    EXPECT_EQ(form.Rate(), 44100);
    form.open();
    const std::pair<QPushButton*, std::int32_t> presets[] = {
        {form.BitBtnXP3, 8000}, {form.BitBtnXP4, 11025}, {form.BitBtnXP5, 22050}, {form.BitBtnXP6, 44100}};
    for (const auto& [button, rate] : presets) {
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(form.isVisible()) << rate;
        EXPECT_EQ(form.Rate(), rate);
    }
    QTest::mouseClick(form.BitBtnXP2, Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST(SampleFormatTest, PrefillAndOkHoldTheRateInRange) {
    TSampleFormat form(nullptr);
    form.Prefill({250000, true, false});
    EXPECT_TRUE(form.stereocheck->isChecked());
    EXPECT_FALSE(form.bit16check->isChecked());
    EXPECT_EQ(form.SamplesEd->text(), QStringLiteral("200000"));

    Type(form, form.SamplesEd, "0");
    QTest::keyClick(form.SamplesEd, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.SamplesEd->text(), QStringLiteral("1"));
    EXPECT_EQ(form.Settings().sampleRate, 1);
    EXPECT_TRUE(form.Settings().stereo);
}

TEST(SampleFormatTest, TabOrderRunsThroughTheFieldsThenTheButtons) {
    TSampleFormat form(nullptr);
    const QWidget* expected[] = {form.stereocheck, form.bit16check, form.SamplesEd,
                                 form.BitBtnXP1,   form.BitBtnXP2,  form.BitBtnXP3,
                                 form.BitBtnXP4,   form.BitBtnXP5,  form.BitBtnXP6};
    Type(form, form.SamplesEd, "");
    form.stereocheck->setFocus();
    for (const QWidget* w : expected) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus == w || w->isAncestorOf(focus)) << w->objectName().toStdString();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
}

}  // namespace
