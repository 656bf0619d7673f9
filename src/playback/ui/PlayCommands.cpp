// Playback commands of the main window: the sound output set-up at start,
// PLAY and STOP, and the release at the end. The loop itself is the
// Qt-free RunPlayLoop; this file connects it to the window.
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

#include "app/MainUnit.h"
#include "playback/PlayLoop.h"
#include "playback/SdlSoundDevice.h"
#include "view/ui/PaintBox.h"

using zirpel::SoundResult;

namespace {

// Ends the program as soon as its main event loop runs. The start-up goes
// on first (and may pump events or show a modal box itself), so a plain
// queued quit could be spent before the loop starts; this one waits until
// the main loop runs with no modal window open. It exits directly: the
// close confirmation is not asked.
void EndOnceRunning() {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer] {
        if (QThread::currentThread()->loopLevel() != 1 || QApplication::activeModalWidget()) return;
        timer->stop();
        QCoreApplication::exit(0);
    });
    timer->start(10);
}

}  // namespace

void TMainForm::SetUpPlayback() {
    const auto failed = [this] {
        FDialogs->messageBox("Konnte DirectSound (DirectX) nicht initialisieren...", "",
                             zirpel::MsgButtons::Ok, zirpel::MsgIcon::None);
        if (FServices.quitApplication)
            FServices.quitApplication();
        else
            EndOnceRunning();
    };

    FDSResult = FServices.openSoundDevice ? FServices.openSoundDevice(FDirectSound)
                                          : zirpel::CreateSdlSoundDevice(FDirectSound);
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

zirpel::ClipView TMainForm::CurrentClipView() const {
    return {FSampleData.empty() ? nullptr : FSampleData.data(), FSampleSize, ClipFormat()};
}

void TMainForm::PlayBtnClick() {
    // Without a sound output the program is on its way out; a nested click
    // cannot start a second loop on the same buffer.
    if (FPlaying || !FPlayBuffer || !FFirstHalfEvent || !FSecondHalfEvent) return;

    const zirpel::PlayRange range = zirpel::PlayRangeFor(CurrentClipView(), FSelAnchor, FSelCaret);
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
    const zirpel::PlayCallbacks callbacks{
        [alive] {
            QCoreApplication::processEvents();
            return !alive.isNull();
        },
        [this] { return CurrentClipView(); },
        [this] { return SchleifeCheck->isChecked(); },
        [this] { return FStopRequested; },
        [this](std::int64_t sampleIndex) {
            PaintBox1->SetPlayCursor(
                zirpel::CursorColumn(sampleIndex, RxSlider1->value(), ZoomFactor()));
        },
    };
    const auto finish = [this] {
        FPlaying = false;
        PlayBtn->setEnabled(true);
        StopBTN->setEnabled(false);
        PaintBox1Paint();  // also removes the play cursor
    };

    zirpel::SoundResult result = SoundResult::Ok;
    zirpel::PlayEnd end;
    try {
        end = zirpel::RunPlayLoop({*buffer, *firstHalf, *secondHalf}, range, callbacks, result);
    } catch (...) {
        if (!alive.isNull()) finish();
        throw;
    }
    if (end == zirpel::PlayEnd::WindowGone) return;
    FDSResult = result;
    finish();
}

void TMainForm::StopBTNClick() { FStopRequested = true; }
