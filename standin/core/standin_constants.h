// The stand-in host's shared constants, declared once.
#pragma once

namespace standin {

constexpr double kSiderealDay = 86164.09;  // [s] the Earth's rotation period
constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegPerRad = 57.29577951308232;  // [deg/rad]

}  // namespace standin
