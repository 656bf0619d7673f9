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

// The readout's text: the lines, the warning in red and the note in italics,
// each on a line of its own (an absent one leaves its line empty).
QString Html(const QStringList& lines, const QString& warning, const QString& note) {
    QStringList html;
    for (const QString& line : lines) html << line.toHtmlEscaped();
    html << (warning.isEmpty() ? QString()
                               : QStringLiteral("<span style=\"color:#b00000\"><b>%1</b></span>")
                                     .arg(warning.toHtmlEscaped()));
    html << (note.isEmpty() ? QString() : QStringLiteral("<i>%1</i>").arg(note.toHtmlEscaped()));
    return html.join(QStringLiteral("<br>"));
}

}  // namespace

TReadout::TReadout(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("Readout"));
    setTextFormat(Qt::RichText);
    setWordWrap(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A long line must not widen the window: it is cut instead.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    // Four lines in the label's own face now; in the warning's bold and
    // the note's italic faces when the label is first drawn, as loading
    // those two faces is most of what this label costs the window's start.
    ReserveLines(false);
}

void TReadout::paintEvent(QPaintEvent* event) {
    if (!styledReserved_) ReserveLines(true);
    QLabel::paintEvent(event);
}

void TReadout::ReserveLines(bool styled) {
    // Laid out as the real text is, with every line in use.
    const QString x = QStringLiteral("Xg");
    styledReserved_ = styled;
    if (styled) {
        setText(Html({x, x}, x, x));
        setFixedHeight(sizeHint().height());
    } else {
        // Plain text spares the rich-text machinery until the first drawing.
        setTextFormat(Qt::PlainText);
        setText(QStringList{x, x, x, x}.join(QLatin1Char('\n')));
        setFixedHeight(sizeHint().height());
        setTextFormat(Qt::RichText);
    }
    Show();
}

void TReadout::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) ReserveLines(true);
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
    setText(Html(lines_, warning_, note_));
    QStringList all = lines_;
    for (const QString* extra : {&warning_, &note_})
        if (!extra->isEmpty()) all << *extra;
    setToolTip(all.join(QLatin1Char('\n')));
}
