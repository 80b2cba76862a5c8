// Values more than one part of the vessel uses, declared once: the circle
// constants of its angles and the propulsion figures that set-up declares,
// the tank top-up restores and the HUD's delta-v reads.
#pragma once

namespace krvconst {

constexpr double kPi = 3.141592653589793;         // [rad] half a turn
constexpr double kTwoPi = 6.283185307179586;      // [rad] a full turn
constexpr double kHalfPi = 1.5707963267948966;    // [rad] a quarter turn
constexpr double kDegPerRad = 57.29577951308232;  // [deg/rad]

constexpr double kIsp = 2800.0;           // [m/s] specific impulse of every thruster
constexpr double kTankCapacity = 1450.0;  // [kg] the one propellant tank, full

}  // namespace krvconst
