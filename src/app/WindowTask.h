// How the main window runs a long task (MP3 import, MP3 save, playback):
// progress in the status bar, pending events let through once per step, and
// STOP, closing the window or a termination signal as the stop request.
#pragma once

#include <QCoreApplication>
#include <QPointer>

#include "app/MainUnit.h"
#include "clip/LongTask.h"

class WindowTask final : public zirpel::LongTask {
public:
    explicit WindowTask(TMainForm& form) : FForm(&form) {}

    void Progress(std::int32_t percent) override {
        if (FForm) FForm->SetProStatus(percent);
    }
    // False once the window is gone: the task must then touch nothing.
    bool Pump() override {
        QCoreApplication::processEvents();
        return !FForm.isNull();
    }
    void ClearStop() override {
        if (FForm) FForm->FStopRequested = false;
    }
    bool StopRequested() const override { return FForm.isNull() || FForm->FStopRequested; }

private:
    QPointer<TMainForm> FForm;
};
