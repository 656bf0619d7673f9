#include "view/Progress.h"

namespace zirpel {

std::int32_t ProgressBoundary(std::int32_t left, std::int32_t right, std::int32_t percent) {
    // 64-bit so that no panel width can overflow; for real widths this is
    // the same as the 32-bit product.
    const std::int64_t width = std::int64_t{right} - left;
    return static_cast<std::int32_t>(left + width * percent / 100);
}

bool ProgressIsValid(std::int32_t percent) { return percent >= 0 && percent <= 100; }

}  // namespace zirpel
