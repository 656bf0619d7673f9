// The "Effekte" menu and "Sampleformat ändern...": read the dialog, hand the
// Qt-free effect to the document (which reports what it changed), and show
// the error, if any.
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

#include <algorithm>
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

void TMainForm::FinishEffect(zirpel::EffectStatus status) {
    // The document has redrawn what changed; an error changed nothing.
    const zirpel::Notice notice = zirpel::NoticeFor(status);
    if (!notice.empty()) ShowNotice(notice);
}

namespace {

// The frames an in-place effect may write: the effect range, with frame hi
// itself when it lies inside the clip.
zirpel::FrameSpan RangeFrames(const zirpel::EditorDocument& doc) {
    const zirpel::ClipSpan clip = doc.Span();
    const std::int32_t n = clip.frames();
    const zirpel::EffectRange r = zirpel::EffectFrames(doc.CurrentSelection(), n, clip.format);
    return {r.lo, std::min<std::int64_t>(std::int64_t{r.hi} + 1, n)};
}

}  // namespace

void TMainForm::RunInPlace(const char* step, const zirpel::EditorDocument::InPlaceEffect& effect) {
    FinishEffect(FDocument.ChangeSamples(step, RangeFrames(FDocument), effect));
}

void TMainForm::Echo1Click() {
    const auto seconds = AskEffectTime(kEchoPreset);
    if (!seconds) return;
    RunInPlace("Echo", [&](zirpel::MutableClipSpan c, const zirpel::Selection& s) {
        return zirpel::Echo(c, s, *seconds);
    });
}

void TMainForm::Weicheinblenden1Click() {
    const auto seconds = AskEffectTime(kFadePreset);
    if (!seconds) return;
    RunInPlace("Weich einblenden", [&](zirpel::MutableClipSpan c, const zirpel::Selection& s) {
        return zirpel::FadeIn(c, s, *seconds);
    });
}

void TMainForm::Weichausblenden1Click() {
    const auto seconds = AskEffectTime(kFadePreset);
    if (!seconds) return;
    RunInPlace("Weich ausblenden", [&](zirpel::MutableClipSpan c, const zirpel::Selection& s) {
        return zirpel::FadeOut(c, s, *seconds);
    });
}

void TMainForm::EndeaufAnfangberblenden1Click() {
    const auto seconds = AskEffectTime(kFadePreset);
    if (!seconds) return;
    FinishEffect(FDocument.BuildClip("Ende auf Anfang überblenden",
                                     [&](zirpel::ClipSpan in, const zirpel::Selection&, zirpel::Clip& out) {
                                         return zirpel::Crossfade(in, *seconds, out);
                                     }));
}

void TMainForm::MaximaleLautstrke1Click() { RunInPlace("Maximale Lautstärke", zirpel::Maximize); }

void TMainForm::Lauter101Click() { RunInPlace("Lauter 10%", zirpel::Louder); }

void TMainForm::Leiser101Click() { RunInPlace("Leiser 10%", zirpel::Quieter); }

void TMainForm::Rckwrts1Click() { RunInPlace("Rückwärts", zirpel::Reverse); }

// The speed commands change the rate alone: the bytes, the selection and the
// view stay, and nothing is redrawn.
void TMainForm::Schneller101Click() { FDocument.SetRate(zirpel::FasterRate(FDocument.SampleRate()), "Schneller 10%"); }

void TMainForm::Langsamer101Click() {
    FDocument.SetRate(zirpel::SlowerRate(FDocument.SampleRate()), "Langsamer 10%");
}

void TMainForm::ChangeFormatClick() {
    SampleFormat->Prefill(FDocument.Format());
    if (FDocument.SampleSize() == 0) return;
    if (ExecDialog(*SampleFormat) != QDialog::Accepted) return;
    const zirpel::FormatChangeSettings settings = SampleFormat->Settings();
    FinishEffect(FDocument.BuildClip("Sampleformat ändern",
                                     [&](zirpel::ClipSpan in, const zirpel::Selection&, zirpel::Clip& out) {
                                         return zirpel::ChangeFormat(in, settings, out);
                                     }));
}
