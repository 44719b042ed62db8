#include "device/part_description.h"

namespace tarnwell {

check_set checksOf(const part_description& part) {
    if (part.check)
        return *part.check;
    return {!part.pairs.empty(), !part.buttons.empty(), !part.pads.empty()};
}

}  // namespace tarnwell
