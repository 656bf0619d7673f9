// The ringtone helpers of the main window: the exact selection, the
// suggested pick and the readout. Loudness is a row of the effect table
// (EffectCommands.cpp); the seam audition is in PlayCommands.cpp beside PLAY.
#include <QComboBox>
#include <QDialog>
#include <QScrollBar>

#include <algorithm>

#include "app/MainUnit.h"
#include "effects/SuggestPick.h"
#include "view/SelectionTime.h"
#include "view/ui/PaintBox.h"
#include "view/ui/SelectionDialog.h"

void TMainForm::ShowSelection(zirpel::Selection sel) {
    const std::int64_t z = std::max(ZoomFactor(), 1);
    const std::int64_t first = RxSlider1->value();
    const std::int64_t columns = std::max(PaintBox1->width(), 1);
    const std::int64_t lo = std::min(sel.anchor, sel.caret) / z;
    const std::int64_t hi = std::max(sel.anchor, sel.caret) / z;
    if (lo < first || hi > first + columns) {
        // The start a tenth of the view in from the left (the scroll bar holds it in range).
        RxSlider1->setValue(static_cast<int>(std::clamp<std::int64_t>(lo - columns / 10, 0, RxSlider1->maximum())));
    }
    FDocument.SetSelection(sel);  // redraws
}

void TMainForm::AuswahlFestlegenClick() {
    const zirpel::ClipSpan clip = FDocument.Span();
    const std::int32_t rate = clip.format.sampleRate;
    const zirpel::SelectionFrames f = zirpel::FramesOfSelection(FDocument.CurrentSelection(), clip);
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
    const zirpel::ClipSpan clip = FDocument.Span();
    if (clip.empty()) return;
    const zirpel::FrameSpan pick = zirpel::SuggestPick(clip, FPickSeconds);
    ShowSelection(zirpel::HeldSelection(zirpel::FrameToSampleIndex(pick.first, clip.format),
                                        zirpel::FrameToSampleIndex(pick.end, clip.format), clip));
}
