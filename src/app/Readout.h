// The readout above the waveform: the selection's times (or the clip's
// length), and what "Speichern..." with the MP3 box and "Als kleiner Zirpel
// Speichern..." will really write, with a plain warning where the encoder
// replaces the chosen pair; under it a note other commands set (SetNote:
// what Open converted, a bit rate a save had to change). The window calls
// Update after every change.
//
// The readout is always four lines high, whether the warning and the note
// are there or not, so the waveform under it never moves. Lines do not
// wrap; one too long for a narrow window is cut at the right and shown whole
// in the tool tip.
#pragma once

#include <QEvent>
#include <QLabel>
#include <QStringList>

#include <optional>
#include <tuple>

#include "clip/Clip.h"
#include "clip/Selection.h"
#include "export/Mp3Prediction.h"

class TReadout : public QLabel {
    Q_OBJECT
public:
    explicit TReadout(QWidget* parent);

    void Update(const zirpel::ClipSpan& clip, const zirpel::Selection& sel, std::int32_t mp3Rate,
                std::int32_t bitRate);
    // The note line (empty: none), kept until replaced.
    void SetNote(const QString& text);

    // What the lines say, for the window's tests.
    const QStringList& Lines() const { return lines_; }
    const zirpel::Mp3Prediction& SavePrediction() const { return save_; }
    const zirpel::Mp3Prediction& SmallPrediction() const { return small_; }
    const QString& Warning() const { return warning_; }
    const QString& Note() const { return note_; }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // A prediction is asked of the encoder only when what it depends on changed.
    using Key = std::tuple<std::int32_t, bool, bool, std::int64_t, std::int32_t, std::int32_t>;
    const zirpel::Mp3Prediction& Predict(std::optional<Key>& key, zirpel::Mp3Prediction& cache,
                                         const zirpel::ClipFormat& f, std::int64_t frames,
                                         std::int32_t rate, std::int32_t kbps);
    void Show();
    // Fixes the height at that of the two lines, the warning and the note
    // (styled: in their bold and italic faces; else all in the plain one).
    void ReserveLines(bool styled);

    std::optional<Key> saveKey_, smallKey_;
    zirpel::Mp3Prediction save_, small_;
    QStringList lines_;
    QString warning_;
    QString note_;
    bool styledReserved_ = false;
};
