#include "cdrom/CdTexts.h"

#include <cstdio>

#include "cdrom/scsierrs.h"

namespace zirpel {

namespace {

// Capitals, as few digits as needed.
std::string Hex(std::uint8_t v) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(v));
    return buf;
}

}  // namespace

std::string AspiNotLoadedLine() { return "Konnte ASPI Layer nicht laden..."; }

std::string AspiNotLoadedImportLine() {
    return "Konnte ASPI Layer nicht laden. Downloaden Sie den ASPI-Treiber von "
           "der Webseite Ihres Linux-Systems!";
}

std::string AspiNotInitializedLine() { return "Konnte ASPI Layer nicht initialisieren..."; }

std::string AspiCommandFailedLine(std::uint8_t status) {
    return "Fehler " + std::to_string(status) + " beim Ausführen des SCSI Kommandos...";
}

std::string SptiNoAccessLine() { return "Kein Laufwerkszugriff über SPTI möglich..."; }

std::string NoDriveLine() { return "Kein CD-Laufwerk gefunden..."; }

std::string TocReadLine() { return "TOC eingelesen..."; }

std::string TocFailedLine(bool useSpti, std::uint8_t status) {
    if (useSpti) return "Konnte TOC nicht lesen...";
    return "Fehler " + std::to_string(status) + "! Konnte TOC nicht lesen...";
}

std::string InvalidTrackLine() { return "Ungültige Track-Nummer..."; }

std::string TracksFoundLine(std::int32_t trackCount) {
    return std::to_string(trackCount) + " Tracks gefunden...";
}

std::string RipStartLine() { return "Starte Ripping..."; }

std::string ReadFailedLine(bool useSpti, const CommandResult& r) {
    if (!useSpti) return AspiCommandFailedLine(r.status);
    return "Fehler: SCSI Status " + std::to_string(r.status) + "; Code:" + Hex(r.senseKey) + ";" +
           Hex(r.asc) + ";" + Hex(r.ascq) + " \"" + geterrorMessage(r.senseKey, r.asc, r.ascq) +
           "\"";
}

std::string RipTooLongLine() { return "Track zu lang für einen Clip, Ripping abgebrochen..."; }

std::string RipOutOfMemoryLine() { return "Nicht genug Speicher, Ripping abgebrochen..."; }

std::string RipEndLine() { return "Ripping beendet..."; }

}  // namespace zirpel
