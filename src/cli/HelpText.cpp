#include "cli/HelpText.h"

#include <string_view>

#include "effects/EffectTable.h"

#ifndef ZIRPEL_VERSION
#define ZIRPEL_VERSION "unbekannt"
#endif

namespace zirpel::cli {
namespace {

constexpr std::size_t kDescriptionColumn = 21;
constexpr std::size_t kLineWidth = 78;

// Characters, not bytes: the texts are UTF-8 with umlauts.
std::size_t Width(std::string_view s) {
    std::size_t n = 0;
    for (const char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

// "  word               description", the description wrapped at the
// line width and continued under itself.
void AppendItem(std::string& out, std::string_view word, std::string_view description) {
    std::string line = "  " + std::string(word);
    const std::size_t wordWidth = Width(line);
    line.append(wordWidth + 1 < kDescriptionColumn ? kDescriptionColumn - wordWidth : 1, ' ');
    std::size_t used = Width(line);
    bool first = true;
    while (!description.empty()) {
        const std::size_t space = description.find(' ');
        const std::string_view w = description.substr(0, space);
        description = space == std::string_view::npos ? std::string_view{} : description.substr(space + 1);
        if (!first && used + 1 + Width(w) > kLineWidth) {
            out += line + "\n";
            line.assign(kDescriptionColumn, ' ');
            used = kDescriptionColumn;
            first = true;
        }
        if (!first) {
            line += ' ';
            ++used;
        }
        line += w;
        used += Width(w);
        first = false;
    }
    out += line + "\n";
}

// One item per row of the effect table, in its order.
std::string OperationItems() {
    std::string out;
    for (const EffectEntry& e : EffectTable()) {
        std::string word(e.name);
        const std::string_view placeholder = ParameterPlaceholder(e.parameter);
        if (!placeholder.empty()) word += "=" + std::string(placeholder);
        AppendItem(out, word, e.help);
    }
    return out;
}

}  // namespace

std::string UsageLine() {
    return "Aufruf: zirpel DATEI... [OPERATION...] (-o AUSGABE | --out-dir ORDNER) [OPTION...]\n"
           "Mehr mit „zirpel --help“.\n";
}

std::string VersionText() { return "zirpel (Zirpel-Editor) " ZIRPEL_VERSION "\n"; }

std::string HelpText() {
    return std::string(R"(Aufruf: zirpel DATEI... [OPERATION...] (-o AUSGABE | --out-dir ORDNER) [OPTION...]

Bearbeitet Audiodateien ohne Fenster, genau wie der Zirpel-Editor:
öffnen, auswählen, zurechtschneiden, Effekte anwenden, speichern. Die
Operationen laufen in der angegebenen Reihenfolge, für jede Datei von vorn.
Eine Datei, deren Name auf .mp3 endet (groß oder klein), wird als MP3
geöffnet, jede andere als WAV; WAV-Arten, die der WAV-Leser nicht kennt
(24 Bit, Gleitkomma, mehr Kanäle, komprimiert), FLAC, Ogg Vorbis, Opus und
AIFF werden in 16 Bit Mono oder Stereo umgewandelt (gemeldet wird, was
umgewandelt wurde).

Auswahl:
  --select A:C       wählt aus wie die Maus: A ist der Anker, C das andere
                     Ende. Beide als Sample-Index (in Stereo zählt jedes
                     Frame zwei Indizes) oder in Sekunden mit „s“ (4.5s oder
                     4,5s; Frame = abgeschnitten t × Samplerate). Die Werte
                     werden wie bei der Maus auf 0 bis zum letzten Index
                     begrenzt; Sekunden sind nicht auf 100 begrenzt. Darf
                     mehrmals stehen. Nach dem Öffnen ist nichts ausgewählt.
  --select S+L       wählt ab S für die Länge L aus, wie „Auswahl
                     festlegen...“ (z. B. 45s+30s oder 1:23,450+30s); Zeiten
                     auch als Minuten:Sekunden. Das Ende darf bis zum Ende
                     der Datei reichen.
  --select suggest   wählt den Klingelton-Vorschlag: die lauteste Stelle
                     (Länge von --suggest, sonst 30 s), die Enden in eine
                     leise Stelle bis 0,25 s daneben gerückt

Operationen:
)") +
           OperationItems() + R"(  T liest sich wie das Feld „Zeitspanne:“: Sekunden mit Komma oder Punkt,
  0,000001 bis 100. L ist die Ziel-Lautheit in LUFS (-60 bis 0, z. B. -14).
  Ein T oder R außerhalb seiner Grenzen ist ein Aufruffehler. Die Effekte
  wirken auf die Auswahl, ohne Auswahl auf die ganze Datei. Nach crop, cut,
  crossfade und format ist nichts ausgewählt.

Ausgabe:
  -o, --output DATEI  schreibt das Ergebnis einer Eingabedatei nach DATEI;
                     die Endung .wav, .mp3 oder .ogg wählt das Format
  --out-dir ORDNER   schreibt jede Eingabedatei unter ihrem Namen in ORDNER
                     (wird angelegt); die Endung wird ersetzt: .mp3 mit
                     --mp3, --ringtone, --rate oder --bitrate, .wav mit
                     --wav, .ogg mit --ogg, sonst bleibt es beim Format der
                     Eingabe (wo es sich nicht schreiben lässt: .wav)
  --wav, --mp3, --ogg  Format der Ausgaben in --out-dir
  --rate HZ          Samplefrequenz für MP3 und Ogg Vorbis: 48000, 44100,
                     32000, 24000, 22050, 16000 oder 11025 (Vorgabe 44100)
  --bitrate KBIT     Bitrate in kBit/Sekunde: 8, 16, 24, 32, 40, 48, 56,
                     64, 80, 96, 112, 128, 144 oder 160 (Vorgabe 128); für
                     Ogg Vorbis die Nennrate, oder die nächste, die der
                     Encoder bei dieser Samplefrequenz kennt (wird gemeldet)
  --ringtone         als kleiner Zirpel: MP3 mit 11025 Hz und 8 kBit/s
  --dither           beim Öffnen mit Dreieck-Dither auf 16 Bit runden
  Eine Ausgabedatei wird erst ersetzt, wenn sie ganz geschrieben ist.

Berichte (auf der Standardausgabe; mit ihnen darf die Ausgabe fehlen):
  --dry-run          schreibt nichts; zeigt Länge, Auswahl und was gespeichert
                     würde: Samplefrequenz und Bitrate, die der Encoder
                     wirklich nimmt, Frames und Größe
  --measure          integrierte Lautheit, Lautheitsumfang und Spitzenwert
                     der Auswahl (sonst der ganzen Datei)
  --suggest T        zeigt den Klingelton-Vorschlag der Länge T (z. B. 30s)
  Ersetzt der Encoder eine gewählte Bitrate (8 kBit/s bei 44100 Hz wird
  32 kBit/s), steht eine Warnung auf der Fehlerausgabe.

Sonstiges:
  -q, --quiet        keine Fortschrittsanzeige (sie erscheint ohnehin nur,
                     wenn die Fehlerausgabe ein Terminal ist)
  -j, --jobs N       bearbeitet bis zu N Dateien zugleich (Vorgabe: eine je
                     Prozessorkern); die Meldungen kommen in der Reihenfolge
                     der Eingaben, -j 1 bearbeitet eine nach der anderen
  -h, --help         diese Hilfe
  --version          Version
  --                 alles danach sind Dateinamen

Rückgabewert:
  0  alles erledigt
  1  Aufruf fehlerhaft; nichts wurde gelesen oder geschrieben
  2  eine Datei konnte nicht gelesen oder geschrieben werden, oder Abbruch
     durch Strg+C oder SIGTERM (die laufende Ausgabe bleibt, wie sie war)
  3  eine Operation ist fehlgeschlagen (etwa „Invalid floating point
     operation.“)
  Bei mehreren Dateien laufen die übrigen weiter; es gilt der höchste Wert.

Beispiele:
  zirpel lied.mp3 --select 4.5s:34.5s crop fade-in=0.5 fade-out=2 maximize \
         -o klingelton.mp3 --rate 44100 --bitrate 128
  zirpel *.mp3 --select 0s:30s crop maximize --ringtone --out-dir klingeltoene/
)";
}

}  // namespace zirpel::cli
