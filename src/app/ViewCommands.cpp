// The waveform view's commands: repaint, zoom, scrolling, mouse selection,
// and what the view does when the document changes. The
// arithmetic lives in the Qt-free view core.
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QSpinBox>

#include <algorithm>
#include <limits>

#include "app/MainUnit.h"
#include "app/Readout.h"
#include "view/Selection.h"
#include "view/WaveformGeometry.h"
#include "view/Zoom.h"
#include "view/ui/PaintBox.h"
#include "view/ui/RenderWaveform.h"

void TMainForm::DocumentChanged(const zirpel::DocumentChange& change) {
    using Kind = zirpel::DocumentChange::Kind;
    UpdateUndoCommands();
    // Every change of the clip, its rate or the selection shows in the readout.
    RefreshReadout();
    switch (change.kind) {
        case Kind::ClipReplaced:
            UpdateForClip();
            return;
        case Kind::SamplesChanged:
        case Kind::SelectionChanged:
            PaintBox1Paint();
            return;
        case Kind::RateChanged:
            // Nothing drawn depends on the rate.
            return;
    }
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
        FDocument.Span(), FDocument.CurrentSelection(), {ZoomFactor(), RxSlider1->value(), w, h});
    Label2->setText(QString::fromStdString(g.sizeLabel));

    RenderWaveform(FViewBitmap, QSize(w, h), g);
    // A full repaint removes the play cursor; playback draws it again.
    PaintBox1->ClearPlayCursor();
    PaintBox1->update();
}

void TMainForm::UpdateScrollRange() {
    const std::int32_t z = ZoomFactor();
    const std::int64_t m64 = zirpel::ScrollMaximum(FDocument.SampleIndexCount(), PaintBox1->width(), z);
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

void TMainForm::ZoomOutFullClick() { SetZoomFactor(zirpel::ZoomFullValue(FDocument.SampleIndexCount(), PaintBox1->width())); }

void TMainForm::ZoomInFullClick() { SetZoomFactor(1); }

void TMainForm::ZoomSelClick() {
    const std::int32_t a = FDocument.SelAnchor(), c = FDocument.SelCaret();
    SetZoomFactor(zirpel::ZoomSelValue(a, c, PaintBox1->width()));
    RxSlider1->setValue(zirpel::ZoomSelScrollPosition(a, c, ZoomFactor()));
}

void TMainForm::ZoomKleinerBtnClick() { ZoomOutEd->setValue(zirpel::ZoomKleiner(ZoomFactor())); }

void TMainForm::ZoomGroesserBtnClick() { ZoomOutEd->setValue(zirpel::ZoomGroesser(ZoomFactor())); }

void TMainForm::BackBtnClick() { RxSlider1->setValue(RxSlider1->value() - 10); }

std::int32_t TMainForm::IndexUnderMouse(int x) const {
    return zirpel::IndexUnderMouse(x, ZoomFactor(), RxSlider1->value(), FDocument.SampleIndexCount());
}

void TMainForm::PaintBox1MouseDown(int x) {
    const std::int32_t i = IndexUnderMouse(x);
    FDocument.SetSelection({i, i});
}

void TMainForm::PaintBox1MouseMove(int x, bool leftButtonHeld) {
    if (!leftButtonHeld) return;
    FDocument.SetSelection({FDocument.SelAnchor(), IndexUnderMouse(x)});
}

void TMainForm::PaintBox1MouseUp(int x) { FDocument.SetSelection({FDocument.SelAnchor(), IndexUnderMouse(x)}); }

void TMainForm::SelectNothingBtnClick() { FDocument.SetSelection({0, 0}); }

void TMainForm::RefreshReadout() {
    if (Readout)
        Readout->Update(FDocument.Span(), FDocument.CurrentSelection(), mp3format->currentText().toInt(),
                        BitRate->currentText().toInt());
}
