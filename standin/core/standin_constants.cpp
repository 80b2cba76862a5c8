#include "standin/core/standin_constants.h"

#include <cmath>

namespace standin {

double geostationary_radius() {
    const double n = kTwoPi / kSiderealDay;  // [rad/s]
    return std::cbrt(kEarthMu / (n * n));
}

}  // namespace standin
