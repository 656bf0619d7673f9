// The lines the CD drive discovery and the track import write to the CD
// dialog's log. The dialog never shows a message box: every failure of
// the CD import is one of these lines.
#pragma once

#include <cstdint>
#include <string>

#include "cdrom/CdTransport.h"

namespace zirpel {

// Discovery and transport set-up.
std::string AspiNotLoadedLine();        // during discovery
std::string AspiNotLoadedImportLine();  // during an import: where to get the driver
std::string AspiNotInitializedLine();
std::string AspiCommandFailedLine(std::uint8_t status);
std::string SptiNoAccessLine();
std::string NoDriveLine();

// The import run, in the order they appear.
std::string TocReadLine();
std::string TocFailedLine(bool useSpti, std::uint8_t status);
std::string InvalidTrackLine();
std::string TracksFoundLine(std::int32_t trackCount);
std::string RipStartLine();
std::string ReadFailedLine(bool useSpti, const CommandResult& result);
std::string RipTooLongLine();
std::string RipOutOfMemoryLine();
std::string RipEndLine();

}  // namespace zirpel
