// Readable texts for SCSI sense data: the sense key names and the
// additional sense texts (English, lower case), and geterrorMessage, which
// turns the three sense bytes of a failed read into one line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zirpel {

inline constexpr std::size_t kSenseKeyCount = 16;
inline constexpr std::size_t kAdditionalSenseCount = 310;

// Indexed by the sense key 0..15.
extern const std::array<const char*, kSenseKeyCount> kSenseKeyNames;

// Sorted by ASC, then ASCQ. Each text starts with an 8-character key: a
// backslash, the ASC as three octal digits, a backslash, the ASCQ as three
// octal digits ("\044\000invalid field in cdb" for ASC 0x24, ASCQ 0x00);
// the description follows directly. A pair may have more than one entry.
extern const std::array<const char*, kAdditionalSenseCount> kAdditionalSenseTexts;

// The key of an ASC/ASCQ pair as it starts its table entries.
std::string SenseTableKey(std::uint8_t asc, std::uint8_t ascq);

// "<sense key name>:" (or "Fehler:" when the byte is 16 or more, flags
// included), then a blank and the description of every table entry of the
// ASC/ASCQ pair, in table order.
std::string geterrorMessage(std::uint8_t senseKey, std::uint8_t asc, std::uint8_t ascq);

}  // namespace zirpel
