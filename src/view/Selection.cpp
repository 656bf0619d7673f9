#include "view/Selection.h"

#include <algorithm>

namespace zirpel {

std::int32_t IndexUnderMouse(std::int32_t x, std::int32_t zoom, std::int32_t scrollPos,
                             std::int32_t n) {
    if (zoom < 1) zoom = 1;
    std::int64_t i = std::int64_t{zoom} * x + std::int64_t{zoom} * scrollPos;
    if (i < 0) i = 0;
    if (i >= n) i = std::int64_t{n} - 1;
    return static_cast<std::int32_t>(i);
}

}  // namespace zirpel
