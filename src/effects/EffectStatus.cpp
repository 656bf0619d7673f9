#include "effects/EffectStatus.h"

namespace zirpel {

Notice NoticeFor(EffectStatus status) {
    switch (status) {
        case EffectStatus::Done:
        case EffectStatus::Unchanged:
            return {};
        case EffectStatus::InvalidFloatingPointOperation:
            return {"Invalid floating point operation", NoticeStyle::GeneralError};
        case EffectStatus::DivisionByZero:
            return {"Division by zero", NoticeStyle::GeneralError};
        case EffectStatus::OutOfMemory:
            return {"Out of memory", NoticeStyle::GeneralError};
        case EffectStatus::BadParameter:
            return {"Ungültiger Parameter für den Effekt", NoticeStyle::ErrorIcon};
    }
    return {};
}

}  // namespace zirpel
