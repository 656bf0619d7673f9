// The "Effekte" menu and "Sampleformat ändern...": read the dialog, call the
// Qt-free effect, then either redraw (samples changed in place), install
// the new clip (crossfade, format change) or show the error.
#include "app/MainUnit.h"
#include "effects/Crossfade.h"
#include "effects/Echo.h"
#include "effects/EffectStatus.h"
#include "effects/Fade.h"
#include "effects/FormatChange.h"
#include "effects/Reverse.h"
#include "effects/Speed.h"
#include "effects/Volume.h"
#include "effects/ui/EchoFUnit.h"
#include "effects/ui/SampleFormatFUnit.h"

#include <QDialog>

#include <optional>

namespace {

constexpr const char* kFadePreset = "2,00";
constexpr const char* kEchoPreset = "0,50";

}  // namespace

std::optional<zirpel::Extended> TMainForm::AskEffectTime(const char* preset) {
    // The preset is written before every show, so nothing carries over.
    EchoForm->SetTime(QString::fromUtf8(preset));
    if (ExecDialog(*EchoForm) != QDialog::Accepted) return std::nullopt;
    return EchoForm->Time();
}

void TMainForm::FinishInPlaceEffect(zirpel::EffectStatus status) {
    const zirpel::Notice notice = zirpel::NoticeFor(status);
    // An error leaves every sample as it was: nothing to redraw.
    if (!notice.empty()) return ShowNotice(notice);
    PaintBox1Paint();
}

void TMainForm::FinishNewClipEffect(zirpel::EffectStatus status, zirpel::Clip clip) {
    const zirpel::Notice notice = zirpel::NoticeFor(status);
    if (!notice.empty()) return ShowNotice(notice);
    if (status == zirpel::EffectStatus::Done)
        ReplaceClip(std::move(clip));
    else
        PaintBox1Paint();  // nothing to change (a clip too short to crossfade)
}

void TMainForm::Echo1Click() {
    const auto seconds = AskEffectTime(kEchoPreset);
    if (!seconds) return;
    FinishInPlaceEffect(zirpel::Echo(ClipSamples(), CurrentSelection(), *seconds));
}

void TMainForm::Weicheinblenden1Click() {
    const auto seconds = AskEffectTime(kFadePreset);
    if (!seconds) return;
    FinishInPlaceEffect(zirpel::FadeIn(ClipSamples(), CurrentSelection(), *seconds));
}

void TMainForm::Weichausblenden1Click() {
    const auto seconds = AskEffectTime(kFadePreset);
    if (!seconds) return;
    FinishInPlaceEffect(zirpel::FadeOut(ClipSamples(), CurrentSelection(), *seconds));
}

void TMainForm::EndeaufAnfangberblenden1Click() {
    const auto seconds = AskEffectTime(kFadePreset);
    if (!seconds) return;
    zirpel::Clip out;
    const zirpel::EffectStatus status = zirpel::Crossfade(CurrentClip(), *seconds, out);
    FinishNewClipEffect(status, std::move(out));
}

void TMainForm::MaximaleLautstrke1Click() {
    FinishInPlaceEffect(zirpel::Maximize(ClipSamples(), CurrentSelection()));
}

void TMainForm::Lauter101Click() { FinishInPlaceEffect(zirpel::Louder(ClipSamples(), CurrentSelection())); }

void TMainForm::Leiser101Click() { FinishInPlaceEffect(zirpel::Quieter(ClipSamples(), CurrentSelection())); }

void TMainForm::Rckwrts1Click() { FinishInPlaceEffect(zirpel::Reverse(ClipSamples(), CurrentSelection())); }

// The speed commands change the rate alone: the bytes, the selection and the
// view stay, and nothing is redrawn.
void TMainForm::Schneller101Click() { FSampleRate = zirpel::FasterRate(FSampleRate); }

void TMainForm::Langsamer101Click() { FSampleRate = zirpel::SlowerRate(FSampleRate); }

void TMainForm::ChangeFormatClick() {
    SampleFormat->Prefill(ClipFormat());
    if (FSampleSize == 0) return;
    if (ExecDialog(*SampleFormat) != QDialog::Accepted) return;
    zirpel::Clip out;
    const zirpel::EffectStatus status = zirpel::ChangeFormat(CurrentClip(), SampleFormat->Settings(), out);
    FinishNewClipEffect(status, std::move(out));
}
