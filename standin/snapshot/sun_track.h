// The Sun's position about the Earth for every step of a run without the
// ephemeris's cost on every step: exact at whole hours of the date, linear
// between them (the direction within 1e-8 rad, the distance within 1e-7 of
// itself).
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
