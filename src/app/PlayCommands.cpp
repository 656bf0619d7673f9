// Playback commands of the main window: the sound output set-up at start,
// PLAY and STOP, and the release at the end. The loop itself is the
// Qt-free RunPlayLoop; this file connects it to the window.
#include <QCheckBox>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <limits>

#include "app/MainUnit.h"
#include "app/WindowTask.h"
#include "playback/PlayLoop.h"
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
    // Without a sound output the program is on its way out; a nested click
    // cannot start a second loop on the same buffer.
    if (FPlaying || !FPlayBuffer || !FFirstHalfEvent || !FSecondHalfEvent) return;

    const zirpel::ClipSpan clip = FDocument.Span();
    const zirpel::FrameRange range = zirpel::PlayFrames(FDocument.CurrentSelection(), clip.frames(), clip.format);
    PlayBtn->setEnabled(false);
    StopBTN->setEnabled(true);
    FStopRequested = false;
    FPlaying = true;

    // The loop keeps its own references, so nothing it uses can vanish
    // under it even if the window is destroyed while events are pumped.
    const auto buffer = FPlayBuffer;
    const auto firstHalf = FFirstHalfEvent;
    const auto secondHalf = FSecondHalfEvent;
    const QPointer<TMainForm> alive(this);
    WindowPlaySource source(*this);
    WindowTask task(*this);
    const auto finish = [this] {
        FPlaying = false;
        PlayBtn->setEnabled(true);
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
