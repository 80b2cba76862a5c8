// The host's own lines in a vessel's scenario block: the orbit, the
// attitude, the rotation rate and the tanks' contents. Keys never begin with
// the letters of a vessel's own keys, which the vessel takes before it hands
// anything to the host.
#pragma once

#include <string>
#include <variant>

#include "standin/world/quaternion.h"
#include "standin/world/state_vector.h"

namespace standin {

// ELEMENTS a e i node lon_periapsis mean_lon: [m], [-], then degrees.
struct ElementsLine {
    double a = 0.0;              // [m]
    double e = 0.0;              // [-]
    double inclination = 0.0;    // [rad]
    double node = 0.0;           // [rad]
    double periapsis_lon = 0.0;  // [rad]
    double mean_lon = 0.0;       // [rad]
};

// STATE x y z vx vy vz: global frame, [m] and [m/s].
struct StateLine {
    StateVector state;
};

// ATTITUDE SUN | PROGRADE | RETROGRADE | QUAT w x y z
struct AttitudeLine {
    enum class Mode { sun, prograde, retrograde, quaternion };
    Mode mode = Mode::sun;
    Quaternion q;  // normalised; for Mode::quaternion
};

// RATE wx wy wz: body rates [rad/s] about the vessel's axes.
struct RateLine {
    VECTOR3 omega{0.0, 0.0, 0.0};
};

// PROPELLANT tank mass: tank index from 0 and its content [kg].
struct PropellantLine {
    int tank = 0;
    double mass = 0.0;
};

struct HostLineError {
    std::string message;
};

using HostLine =
    std::variant<ElementsLine, StateLine, AttitudeLine, RateLine, PropellantLine, HostLineError>;

// Reads one line; what it cannot take becomes a HostLineError saying why.
// Ranges that need the vessel (tank count and capacity) are checked later.
HostLine parse_host_line(const std::string& line);

// The lines as the writer puts them, with round-trip precision.
std::string format_state_line(const StateVector& s);
std::string format_attitude_line(const Quaternion& q);
std::string format_rate_line(const VECTOR3& omega);
std::string format_propellant_line(int tank, double mass);

}  // namespace standin
