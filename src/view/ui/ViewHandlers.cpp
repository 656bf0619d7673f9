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

    if (FViewBitmap.size() != QSize(w, h)) FViewBitmap = QImage(w, h, QImage::Format_RGB32);
    FViewBitmap.fill(QColor(96, 0, 0));
    {
        QPainter p(&FViewBitmap);
        if (g.hasBand)
            p.fillRect(QRect(QPoint(g.bandLeft, 0), QPoint(g.bandRight - 1, h - 1)),
                       QColor(128, 128, 255));
        p.setPen(QColor(0, 255, 0));
        QPoint at(g.start.x, g.start.y);
        for (const zirpel::ViewPoint& pt : g.lineTo) {
            const QPoint to(pt.x, pt.y);
            p.drawLine(at, to);
            at = to;
        }
        p.setPen(QColor(0, 255, 255));
        p.drawLine(g.anchorColumn, 0, g.anchorColumn, h - 1);
    }
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
