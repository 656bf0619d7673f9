#include "effects/CropCut.h"

namespace zirpel {

EffectStatus CropSelection(ClipSpan in, const Selection& sel, Clip& out) {
    const auto range = SelectedBytes(sel, in.size, in.format);
    if (!range) return EffectStatus::Unchanged;
    out = CropBytes(in, *range);
    return EffectStatus::Done;
}

EffectStatus CutSelection(ClipSpan in, const Selection& sel, Clip& out) {
    const auto range = SelectedBytes(sel, in.size, in.format);
    if (!range) return EffectStatus::Unchanged;
    out = CutBytes(in, *range);
    return EffectStatus::Done;
}

}  // namespace zirpel
