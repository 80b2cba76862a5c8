// Reaching the krv object behind a vessel that the real module created.
#pragma once

#include "standin/core/session.h"
#include "vessel/krv.h"

namespace krvtest {

// The module builds every vessel of its class as a krv; its fields are
// plain data, so a test reads and sets them directly.
inline krv& as_krv(standin::SessionVessel& v) {
    return *static_cast<krv*>(v.object);
}

// The state the host shows for one of the vessel's animations.
inline double animation_state(const standin::SessionVessel& v, std::uint32_t anim) {
    return v.record->animations.at(anim).state;
}

}  // namespace krvtest
