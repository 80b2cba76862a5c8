// A body's position and velocity about the Earth, in the global frame.
#pragma once

#include "host/types.h"

namespace standin {

struct StateVector {
    VECTOR3 r{0.0, 0.0, 0.0};  // [m]
    VECTOR3 v{0.0, 0.0, 0.0};  // [m/s]
};

}  // namespace standin
