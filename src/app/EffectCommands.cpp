// Every clip command of the effect table: crop and cut, the "Effekte" menu
// and "Sampleformat ändern...". One handler asks for the row's parameter
// (the time dialog or the format dialog), hands the row to the document,
// which reports what it changed, and shows the error, if any. The named
// handlers are the menu entries' and buttons' names for their rows.
#include "app/MainUnit.h"
#include "effects/EffectTable.h"
#include "effects/ui/EchoFUnit.h"
#include "effects/ui/LoudnessDialog.h"
#include "effects/ui/SampleFormatFUnit.h"

#include <QDialog>

#include <algorithm>

namespace {

template <std::size_t I>
const zirpel::EffectEntry& Row() {
    return zirpel::EffectRow<I>();
}

}  // namespace

std::optional<zirpel::Extended> TMainForm::AskEffectTime(const zirpel::TimeLimits& time) {
    // The preset is written before every show, so nothing carries over.
    EchoForm->SetTime(QString::fromUtf8(time.preset.data(), static_cast<qsizetype>(time.preset.size())));
    if (ExecDialog(*EchoForm) != QDialog::Accepted) return std::nullopt;
    return std::clamp(EchoForm->Time(), time.min, time.max);
}

void TMainForm::RunEffect(const zirpel::EffectEntry& effect) {
    zirpel::EffectArgument argument;
    switch (effect.parameter) {
        case zirpel::EffectParameter::None:
            break;
        case zirpel::EffectParameter::Time: {
            const auto seconds = AskEffectTime(effect.time);
            if (!seconds) return;  // cancelled: nothing changes, nothing is drawn
            argument.seconds = *seconds;
            break;
        }
        case zirpel::EffectParameter::Format:
            // The dialog shows the clip's format; an empty clip gets no dialog.
            SampleFormat->Prefill(FDocument.Format());
            if (FDocument.SampleSize() == 0) return;
            if (ExecDialog(*SampleFormat) != QDialog::Accepted) return;
            argument.format = SampleFormat->Settings();
            break;
        case zirpel::EffectParameter::Loudness: {
            // The dialog shows what it measured and what the target will reach.
            const zirpel::ClipSpan clip = FDocument.Span();
            const zirpel::LoudnessMeasurement measured =
                zirpel::MeasureLoudness(clip, zirpel::LoudnessFrames(clip, FDocument.CurrentSelection()));
            LoudnessForm->Prefill(measured, clip.format.is16Bit, FLoudnessTarget);
            if (ExecDialog(*LoudnessForm) != QDialog::Accepted || !measured.valid) return;
            FLoudnessTarget = LoudnessForm->Target();
            argument.lufs = FLoudnessTarget;
            break;
        }
    }
    // The document has redrawn what changed; an error changed nothing.
    const zirpel::Notice notice = zirpel::NoticeFor(FDocument.Apply(effect, argument));
    if (!notice.empty()) ShowNotice(notice);
}

void TMainForm::CropToSelectionClick() { RunEffect(Row<zirpel::EffectIndex("crop")>()); }
void TMainForm::CutSelectionBtnClick() { RunEffect(Row<zirpel::EffectIndex("cut")>()); }
void TMainForm::Echo1Click() { RunEffect(Row<zirpel::EffectIndex("echo")>()); }
void TMainForm::Weicheinblenden1Click() { RunEffect(Row<zirpel::EffectIndex("fade-in")>()); }
void TMainForm::Weichausblenden1Click() { RunEffect(Row<zirpel::EffectIndex("fade-out")>()); }
void TMainForm::EndeaufAnfangberblenden1Click() { RunEffect(Row<zirpel::EffectIndex("crossfade")>()); }
void TMainForm::MaximaleLautstrke1Click() { RunEffect(Row<zirpel::EffectIndex("maximize")>()); }
void TMainForm::Lauter101Click() { RunEffect(Row<zirpel::EffectIndex("louder")>()); }
void TMainForm::Leiser101Click() { RunEffect(Row<zirpel::EffectIndex("quieter")>()); }
void TMainForm::Rckwrts1Click() { RunEffect(Row<zirpel::EffectIndex("reverse")>()); }
void TMainForm::Schneller101Click() { RunEffect(Row<zirpel::EffectIndex("faster")>()); }
void TMainForm::Langsamer101Click() { RunEffect(Row<zirpel::EffectIndex("slower")>()); }
void TMainForm::ChangeFormatClick() { RunEffect(Row<zirpel::EffectIndex("format")>()); }
void TMainForm::LautheitAngleichenClick() { RunEffect(Row<zirpel::EffectIndex("loudness")>()); }
