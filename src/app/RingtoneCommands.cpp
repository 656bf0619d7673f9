// The ringtone helpers of the main window: the exact selection, the
// suggested pick, loudness to a target and the readout. The seam audition
// is in PlayCommands.cpp beside PLAY.
#include <QComboBox>
#include <QDialog>
#include <QScrollBar>

#include <algorithm>

#include "app/MainUnit.h"
#include "app/Readout.h"
#include "effects/Loudness.h"
#include "effects/SuggestPick.h"
#include "effects/ui/LoudnessDialog.h"
#include "view/SelectionTime.h"
#include "view/ui/PaintBox.h"
#include "view/ui/SelectionDialog.h"

void TMainForm::RefreshReadout() {
    if (Readout)
        Readout->Update(CurrentClip(), CurrentSelection(), mp3format->currentText().toInt(),
                        BitRate->currentText().toInt());
}

void TMainForm::ShowSelection(zirpel::Selection sel) {
    FSelAnchor = sel.anchor;
    FSelCaret = sel.caret;
    const std::int64_t z = std::max(ZoomFactor(), 1);
    const std::int64_t first = RxSlider1->value();
    const std::int64_t columns = std::max(PaintBox1->width(), 1);
    const std::int64_t lo = std::min(sel.anchor, sel.caret) / z;
    const std::int64_t hi = std::max(sel.anchor, sel.caret) / z;
    if (lo < first || hi > first + columns) {
        // The start a tenth of the view in from the left (the scroll bar holds it in range).
        RxSlider1->setValue(static_cast<int>(std::clamp<std::int64_t>(lo - columns / 10, 0, RxSlider1->maximum())));
    }
    PaintBox1Paint();
}

void TMainForm::AuswahlFestlegenClick() {
    const zirpel::ClipSpan clip = CurrentClip();
    const std::int32_t rate = clip.format.sampleRate;
    const zirpel::SelectionFrames f = zirpel::FramesOfSelection(CurrentSelection(), clip);
    // Nothing selected: from the start, for the length last used.
    const zirpel::Extended start = f.whole ? 0 : zirpel::SecondsOfFrames(f.start, rate);
    const zirpel::Extended length = f.whole ? FPickSeconds : zirpel::SecondsOfFrames(f.end - f.start, rate);
    SelectionForm->Prefill(start, length);
    if (ExecDialog(*SelectionForm) != QDialog::Accepted) return;
    const auto s = SelectionForm->Start();
    const auto l = SelectionForm->Length();
    if (!s || !l) return;
    if (*l > 0) FPickSeconds = static_cast<double>(*l);
    ShowSelection(zirpel::SelectionFromTimes(*s, *l, clip));
}

void TMainForm::KlingeltonVorschlagenClick() {
    const zirpel::ClipSpan clip = CurrentClip();
    if (clip.empty()) return;
    const zirpel::FrameSpan pick = zirpel::SuggestPick(clip, FPickSeconds);
    ShowSelection(zirpel::HeldSelection(zirpel::FrameToSampleIndex(pick.start, clip.format),
                                        zirpel::FrameToSampleIndex(pick.end, clip.format), clip));
}

void TMainForm::LautheitAngleichenClick() {
    const zirpel::ClipSpan clip = CurrentClip();
    const zirpel::FrameSpan span = zirpel::LoudnessFrames(clip, CurrentSelection());
    const zirpel::LoudnessMeasurement measured = zirpel::MeasureLoudness(clip, span);
    LoudnessForm->Prefill(measured, clip.format.is16Bit, FLoudnessTarget);
    if (ExecDialog(*LoudnessForm) != QDialog::Accepted || !measured.valid) return;
    FLoudnessTarget = LoudnessForm->Target();
    zirpel::ApplyGain(ClipSamples(), span, LoudnessForm->Plan().gain);
    PaintBox1Paint();
}
