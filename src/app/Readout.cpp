#include "app/Readout.h"

#include "export/Mp3Lists.h"
#include "view/SelectionTime.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Clock(std::int64_t frames, std::int32_t rate) {
    return Q(zirpel::FormatClockTime(zirpel::SecondsOfFrames(frames, rate)));
}

QString Mp3Text(const zirpel::Mp3Prediction& p) {
    if (!p.accepted) return QString::fromUtf8("der Encoder nimmt diese Werte nicht");
    return QString::fromUtf8("%1 Hz, %2 kbit/s, %3").arg(p.outRate).arg(p.kbps).arg(Q(zirpel::DescribeMp3Bytes(p)));
}

}  // namespace

TReadout::TReadout(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("Readout"));
    setTextFormat(Qt::RichText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

const zirpel::Mp3Prediction& TReadout::Predict(std::optional<Key>& key, zirpel::Mp3Prediction& cache,
                                               const zirpel::ClipFormat& f, std::int64_t frames,
                                               std::int32_t rate, std::int32_t kbps) {
    const Key wanted{f.sampleRate, f.stereo, f.is16Bit, frames, rate, kbps};
    if (key != wanted) {
        cache = zirpel::PredictMp3(f, frames, rate, kbps);
        key = wanted;
    }
    return cache;
}

void TReadout::Update(const zirpel::ClipSpan& clip, const zirpel::Selection& sel, std::int32_t mp3Rate,
                      std::int32_t bitRate) {
    lines_.clear();
    warning_.clear();
    if (clip.empty() || clip.format.sampleRate <= 0) {
        lines_ << QString::fromUtf8("Keine Datei geladen");
        Show();
        return;
    }
    const std::int32_t rate = clip.format.sampleRate;
    const zirpel::SelectionFrames f = zirpel::FramesOfSelection(sel, clip);
    if (f.whole)
        lines_ << QString::fromUtf8("Nichts ausgewählt · ganze Datei %1").arg(Clock(f.end, rate));
    else
        lines_ << QString::fromUtf8("Auswahl %1 – %2 (Länge %3 s) · ganze Datei %4")
                      .arg(Clock(f.start, rate), Clock(f.end, rate),
                           Q(zirpel::FormatSeconds(zirpel::SecondsOfFrames(f.end - f.start, rate))),
                           Clock(clip.frames(), rate));
    const auto& save = Predict(saveKey_, save_, clip.format, clip.frames(), mp3Rate, bitRate);
    const auto& small = Predict(smallKey_, small_, clip.format, clip.frames(), zirpel::kRingtoneRate,
                                zirpel::kRingtoneBitRate);
    lines_ << QString::fromUtf8("Speichern... (MP3): %1 · kleiner Zirpel: %2").arg(Mp3Text(save), Mp3Text(small));
    const std::string replaced = zirpel::DescribeReplacement(save);
    if (!replaced.empty()) warning_ = QString::fromUtf8("Achtung: ") + Q(replaced);
    Show();
}

void TReadout::SetNote(const QString& text) {
    note_ = text;
    Show();
}

void TReadout::Show() {
    QStringList html;
    for (const QString& line : lines_) html << line.toHtmlEscaped();
    if (!warning_.isEmpty()) html << QStringLiteral("<span style=\"color:#b00000\"><b>%1</b></span>").arg(warning_.toHtmlEscaped());
    if (!note_.isEmpty()) html << QStringLiteral("<i>%1</i>").arg(note_.toHtmlEscaped());
    setText(html.join(QStringLiteral("<br>")));
}
