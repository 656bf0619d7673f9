// Playback commands of the main window: the sound output set-up at start,
// PLAY and STOP, and the release at the end. The loop itself is the
// Qt-free RunPlayLoop; this file connects it to the window.
#include <QCheckBox>
#include <QPushButton>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>
#include <limits>

#include "app/MainUnit.h"
#include "app/WindowTask.h"
#include "playback/PlayLoop.h"
#include "playback/Seam.h"
#include "view/WaveformGeometry.h"
#include "view/ui/PaintBox.h"

using zirpel::SoundResult;

namespace {

// What the play loop reads from the window each round. It is asked only
// between pumps, while the window exists (the loop stops asking once a
// Pump reports the window gone).
class WindowPlaySource final : public zirpel::PlaySource {
public:
    explicit WindowPlaySource(TMainForm& form) : FForm(form) {}
    zirpel::ClipSpan CurrentClip() const override { return FForm.Document().Span(); }
    bool LoopChecked() const override { return FForm.SchleifeCheck->isChecked(); }
    void DrawCursor(std::int64_t sampleIndex) override {
        const std::int64_t index = std::clamp<std::int64_t>(
            sampleIndex, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
        FForm.PaintBox1->SetPlayCursor(zirpel::ColumnOfIndex(static_cast<std::int32_t>(index),
                                                             FForm.ZoomFactor(), FForm.RxSlider1->value()));
    }

private:
    TMainForm& FForm;
};

// The seam: a short clip of its own, played once; the cursor shows where
// in the real clip each part comes from.
class SeamPlaySource final : public zirpel::PlaySource {
public:
    SeamPlaySource(TMainForm& form, zirpel::SeamClip seam) : FWindow(form), FSeam(std::move(seam)) {}
    std::int32_t Frames() const { return FSeam.clip.span().frames(); }
    zirpel::ClipSpan CurrentClip() const override { return FSeam.clip.span(); }
    bool LoopChecked() const override { return false; }
    void DrawCursor(std::int64_t sampleIndex) override {
        // The loop's position may run past the seam's end into silence.
        const std::int64_t frame = FSeam.clip.format.stereo ? sampleIndex / 2 : sampleIndex;
        const std::int64_t last = std::max<std::int64_t>(Frames() - 1, 0);
        FWindow.DrawCursor(FSeam.SourceSampleIndex(std::clamp<std::int64_t>(frame, 0, last)));
    }

private:
    WindowPlaySource FWindow;
    zirpel::SeamClip FSeam;
};

}  // namespace

void TMainForm::SetUpPlayback() {
    const auto failed = [this] {
        ShowNotice({"Konnte DirectSound (DirectX) nicht initialisieren...", zirpel::NoticeStyle::Plain});
        FServices.quitApplication();
    };

    FDSResult = FServices.openSoundDevice(FDirectSound);
    if (FDSResult != SoundResult::Ok || !FDirectSound) return failed();

    FDSResult = FDirectSound->SetCooperativeLevel(zirpel::kCooperativePriority);
    if (FDSResult != SoundResult::Ok) return failed();

    FPlayFormat = zirpel::MakePlayFormat();
    FDSBufferSize = zirpel::kPlayBufferBytes;
    FPlayBufferDesc = zirpel::MakePlayBufferDesc(FDSBufferSize, &FPlayFormat);
    FDSResult = FDirectSound->CreateSoundBuffer(FPlayBufferDesc, FPlayBuffer);
    if (FDSResult != SoundResult::Ok || !FPlayBuffer) return failed();

    FDSResult = FPlayBuffer->QueryNotify(FPlayNotify);
    if (FDSResult != SoundResult::Ok || !FPlayNotify) return failed();

    FFirstHalfEvent = std::make_shared<zirpel::PlayEvent>();
    FSecondHalfEvent = std::make_shared<zirpel::PlayEvent>();

    FNotifyPositions[0] = {zirpel::kFirstHalfNotifyOffset, FFirstHalfEvent};
    FNotifyPositions[1] = {zirpel::kSecondHalfNotifyOffset, FSecondHalfEvent};
    // Without its notifications the play loop would wait for ever, so a
    // failure here counts like the others.
    FDSResult = FPlayNotify->SetNotificationPositions(2, FNotifyPositions);
    if (FDSResult != SoundResult::Ok) {
        FPlayNotify.reset();
        FPlayBuffer.reset();
        return failed();
    }
}

void TMainForm::ReleasePlayback() {
    FPlayNotify.reset();
    FPlayBuffer.reset();
    FDirectSound.reset();
}

void TMainForm::PlayBtnClick() {
    const zirpel::ClipSpan clip = FDocument.Span();
    WindowPlaySource source(*this);
    RunPlay(zirpel::PlayFrames(FDocument.CurrentSelection(), clip.frames(), clip.format), source);
}

void TMainForm::UebergangAnhoerenClick() {
    if (FPlaying) return;
    const zirpel::ClipSpan clip = FDocument.Span();
    SeamPlaySource source(
        *this, zirpel::BuildSeam(clip, zirpel::PlayFrames(FDocument.CurrentSelection(), clip.frames(), clip.format)));
    RunPlay({0, source.Frames()}, source);
}

void TMainForm::RunPlay(zirpel::FrameRange range, zirpel::PlaySource& source) {
    // Without a sound output the program is on its way out; a nested click
    // cannot start a second loop on the same buffer.
    if (FPlaying || !FPlayBuffer || !FFirstHalfEvent || !FSecondHalfEvent) return;

    PlayBtn->setEnabled(false);
    SeamBtn->setEnabled(false);
    StopBTN->setEnabled(true);
    FStopRequested = false;
    FPlaying = true;

    // The loop keeps its own references, so nothing it uses can vanish
    // under it even if the window is destroyed while events are pumped.
    const auto buffer = FPlayBuffer;
    const auto firstHalf = FFirstHalfEvent;
    const auto secondHalf = FSecondHalfEvent;
    const QPointer<TMainForm> alive(this);
    WindowTask task(*this);
    const auto finish = [this] {
        FPlaying = false;
        PlayBtn->setEnabled(true);
        SeamBtn->setEnabled(true);
        StopBTN->setEnabled(false);
        PaintBox1Paint();  // also removes the play cursor
    };

    zirpel::PlayResult result;
    try {
        result = zirpel::RunPlayLoop({*buffer, *firstHalf, *secondHalf}, range, source, task);
    } catch (...) {
        if (!alive.isNull()) finish();
        throw;
    }
    if (result.end == zirpel::PlayEnd::WindowGone) return;
    FDSResult = result.lastCall;
    finish();
}

void TMainForm::StopBTNClick() { FStopRequested = true; }
