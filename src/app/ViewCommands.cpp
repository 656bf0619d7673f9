// The waveform view's commands: repaint, zoom, scrolling, mouse selection,
// crop and cut, and the clip replacement they share. The arithmetic lives in
// the Qt-free view core.
#include <QLabel>
#include <QScrollBar>
#include <QSpinBox>

#include <algorithm>
#include <limits>

#include "app/MainUnit.h"
#include "view/Selection.h"
#include "view/WaveformGeometry.h"
#include "view/Zoom.h"
#include "view/ui/PaintBox.h"
#include "view/ui/RenderWaveform.h"

void TMainForm::ReplaceClip(zirpel::Clip clip) {
    FSampleData = std::move(clip.bytes);
    FSampleSize = static_cast<std::int32_t>(FSampleData.size());
    FSampleRate = clip.format.sampleRate;
    FStereo = clip.format.stereo;
    F16Bit = clip.format.is16Bit;
    FSelAnchor = 0;
    FSelCaret = 0;
    UpdateForClip();
}

void TMainForm::UpdateForClip() {
    ZoomOutFullClick();
    // The zoom value may not have changed (and then fired nothing), but the
    // scroll range depends on the clip's length as well.
    UpdateScrollRange();
    PaintBox1Paint();
}

std::int32_t TMainForm::ZoomFactor() const {
    return zirpel::ReadZoomText(ZoomOutEd->cleanText().toStdString());
}

void TMainForm::SetZoomFactor(zirpel::Extended value) {
    // Writing the edit fires ZoomOutEdChange only when its value changes.
    ZoomOutEd->setValue(zirpel::ClampRoundZoom(value));
}

void TMainForm::PaintBox1Paint() {
    const int w = std::max(1, PaintBox1->width());
    const int h = std::max(1, PaintBox1->height());
    const zirpel::WaveformGeometry g = zirpel::ComputeWaveform(
        CurrentClip(), CurrentSelection(), {ZoomFactor(), RxSlider1->value(), w, h});
    Label2->setText(QString::fromStdString(g.sizeLabel));

    RenderWaveform(FViewBitmap, QSize(w, h), g);
    // A full repaint removes the play cursor; playback draws it again.
    PaintBox1->ClearPlayCursor();
    PaintBox1->update();
}

void TMainForm::UpdateScrollRange() {
    const std::int32_t z = ZoomFactor();
    const std::int64_t m64 = zirpel::ScrollMaximum(SampleIndexCount(), PaintBox1->width(), z);
    const auto m = static_cast<std::int32_t>(std::min<std::int64_t>(m64, std::numeric_limits<int>::max()));
    const std::int32_t p0 = RxSlider1->value();
    const std::int32_t m0 = RxSlider1->maximum();
    RxSlider1->setMaximum(m);
    RxSlider1->setValue(zirpel::ProportionalScrollPosition(p0, m, m0));
}

void TMainForm::ZoomOutEdChange() {
    UpdateScrollRange();
    PaintBox1Paint();
}

void TMainForm::RxSlider1Change() { PaintBox1Paint(); }

void TMainForm::ZoomOutFullClick() { SetZoomFactor(zirpel::ZoomFullValue(SampleIndexCount(), PaintBox1->width())); }

void TMainForm::ZoomInFullClick() { SetZoomFactor(1); }

void TMainForm::ZoomSelClick() {
    SetZoomFactor(zirpel::ZoomSelValue(FSelAnchor, FSelCaret, PaintBox1->width()));
    RxSlider1->setValue(zirpel::ZoomSelScrollPosition(FSelAnchor, FSelCaret, ZoomFactor()));
}

void TMainForm::ZoomKleinerBtnClick() { ZoomOutEd->setValue(zirpel::ZoomKleiner(ZoomFactor())); }

void TMainForm::ZoomGroesserBtnClick() { ZoomOutEd->setValue(zirpel::ZoomGroesser(ZoomFactor())); }

void TMainForm::BackBtnClick() { RxSlider1->setValue(RxSlider1->value() - 10); }

void TMainForm::PaintBox1MouseDown(int x) {
    FSelAnchor = zirpel::IndexUnderMouse(x, ZoomFactor(), RxSlider1->value(), SampleIndexCount());
    FSelCaret = FSelAnchor;
    PaintBox1Paint();
}

void TMainForm::PaintBox1MouseMove(int x, bool leftButtonHeld) {
    if (!leftButtonHeld) return;
    FSelCaret = zirpel::IndexUnderMouse(x, ZoomFactor(), RxSlider1->value(), SampleIndexCount());
    PaintBox1Paint();
}

void TMainForm::PaintBox1MouseUp(int x) {
    FSelCaret = zirpel::IndexUnderMouse(x, ZoomFactor(), RxSlider1->value(), SampleIndexCount());
    PaintBox1Paint();
}

void TMainForm::CropToSelectionClick() {
    const auto range = zirpel::SelectedBytes(CurrentSelection(), FSampleSize, ClipFormat());
    if (!range) return;
    ReplaceClip(zirpel::CropBytes(CurrentClip(), *range));
}

void TMainForm::CutSelectionBtnClick() {
    const auto range = zirpel::SelectedBytes(CurrentSelection(), FSampleSize, ClipFormat());
    if (!range) return;
    ReplaceClip(zirpel::CutBytes(CurrentClip(), *range));
}

void TMainForm::SelectNothingBtnClick() {
    FSelAnchor = 0;
    FSelCaret = 0;
    PaintBox1Paint();
}
