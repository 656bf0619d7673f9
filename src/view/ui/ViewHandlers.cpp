// Handlers of the waveform view: repaint, zoom, scrolling, mouse selection,
// crop and cut. The arithmetic lives in the Qt-free view core.
#include <QLabel>
#include <QPainter>
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

std::int32_t TMainForm::ZoomFactor() const {
    return zirpel::ReadZoomText(ZoomOutEd->cleanText().toStdString());
}

void TMainForm::SetZoomFactor(long double value) {
    // Writing the edit fires ZoomOutEdChange only when its value changes.
    ZoomOutEd->setValue(zirpel::ClampRoundZoom(value));
}

void TMainForm::PaintBox1Paint() {
    const int w = std::max(1, PaintBox1->width());
    const int h = std::max(1, PaintBox1->height());
    const zirpel::WaveformGeometry g = zirpel::ComputeWaveform(
        FSampleData.data(), FSampleSize, ClipFormat(), FSelAnchor, FSelCaret, ZoomFactor(),
        RxSlider1->value(), w, h);
    Label2->setText(QString::fromStdString(g.sizeLabel));

    RenderWaveform(FViewBitmap, QSize(w, h), g);
    // A full repaint removes the play cursor; playback draws it again.
    PaintBox1->ClearPlayCursor();
    PaintBox1->update();
}

void TMainForm::ZoomOutEdChange() {
    const std::int32_t z = ZoomFactor();
    const std::int64_t m64 = zirpel::ScrollMaximum(SampleIndexCount(), PaintBox1->width(), z);
    const auto m = static_cast<std::int32_t>(std::min<std::int64_t>(m64, std::numeric_limits<int>::max()));
    const std::int32_t p0 = RxSlider1->value();
    const std::int32_t m0 = RxSlider1->maximum();
    RxSlider1->setMaximum(m);
    RxSlider1->setValue(zirpel::ProportionalScrollPositionWide(p0, m, m0));
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
    const auto range = zirpel::SelectedBytes(FSelAnchor, FSelCaret, FSampleSize, ClipFormat());
    if (!range) return;
    ReplaceClip(zirpel::CropBytes(FSampleData.data(), FSampleSize, *range));
}

void TMainForm::CutSelectionBtnClick() {
    const auto range = zirpel::SelectedBytes(FSelAnchor, FSelCaret, FSampleSize, ClipFormat());
    if (!range) return;
    ReplaceClip(zirpel::CutBytes(FSampleData.data(), FSampleSize, *range));
}

void TMainForm::SelectNothingBtnClick() {
    FSelAnchor = 0;
    FSelCaret = 0;
    PaintBox1Paint();
}
