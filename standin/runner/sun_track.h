// The Sun's position about the Earth for every step of a run without the
// ephemeris's cost on every step: exact at whole hours of the date, linear
// between them (the chord is off the Sun's path by under 1e-8 rad).
#pragma once

#include "host/types.h"

namespace standin {

class SunTrack {
public:
    // [m] global frame, from the Earth's centre.
    VECTOR3 position(double mjd);

private:
    double from_mjd_ = -1.0;
    VECTOR3 from_{};
    VECTOR3 to_{};
};

}  // namespace standin
