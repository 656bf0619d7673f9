// libmp3lame set up from the encoder record, in one place: the save's
// encoder and the prediction of what a save writes use the same settings.
#pragma once

#include <cstdint>

#include "export/BeConfig.h"

struct lame_global_struct;

namespace zirpel {

// Checks the record and hands its values to `gf` (input and output rate,
// mono or plain stereo, constant bit rate, quality, header bits, no VBR
// header and no tags), then runs lame_init_params. `channels` becomes 1 or
// 2. BE_ERR_SUCCESSFUL, or the code beInitStream reports.
BE_ERR SetUpLame(lame_global_struct* gf, const BE_CONFIG& config, std::uint32_t& channels);

}  // namespace zirpel
