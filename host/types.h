// Plain data types and opaque handles shared between the host and modules.
#pragma once

#include <cstdint>

// A vector of three doubles: positions in metres, directions, moments.
struct VECTOR3 {
    double x;
    double y;
    double z;
};

// Handles are opaque pointers owned by the host. Each kind is a distinct
// incomplete type so that one cannot be passed where another is expected.
using OBJHANDLE = struct HostObject_*;
using THRUSTER_HANDLE = struct HostThruster_*;
using THGROUP_HANDLE = struct HostThrusterGroup_*;
using PROPELLANT_HANDLE = struct HostPropellant_*;
using ANIMATIONCOMPONENT_HANDLE = struct HostAnimComponent_*;
using SURFHANDLE = struct HostSurface_*;
using FILEHANDLE = struct HostFile_*;
using VISHANDLE = struct HostVisual_*;
using PANELHANDLE = struct HostPanel_*;
using DEVICECONTEXT = struct HostDeviceContext_*;

// The operating system's handle of a loaded module (its instance).
using MODULEINSTANCE = void*;

// Roles of a thruster group; the value is what the host receives.
enum THGROUP_TYPE : int {
    THGROUP_MAIN = 0,
    THGROUP_RETRO = 1,
    THGROUP_HOVER = 2,
    THGROUP_ATT_PITCHUP = 3,
    THGROUP_ATT_PITCHDOWN = 4,
    THGROUP_ATT_YAWLEFT = 5,
    THGROUP_ATT_YAWRIGHT = 6,
    THGROUP_ATT_BANKLEFT = 7,
    THGROUP_ATT_BANKRIGHT = 8,
    THGROUP_ATT_RIGHT = 9,
    THGROUP_ATT_LEFT = 10,
    THGROUP_ATT_UP = 11,
    THGROUP_ATT_DOWN = 12,
    THGROUP_ATT_FORWARD = 13,
    THGROUP_ATT_BACK = 14,
    THGROUP_USER = 0x40
};

// Keplerian elements of an orbit at an epoch (metres, radians).
struct ELEMENTS {
    double semi_major_axis;  // [m]
    double eccentricity;     // [-]
    double inclination;      // [rad]
    double ascending_node;   // [rad] longitude of the ascending node
    double periapsis_lon;    // [rad] longitude of periapsis (node + argument)
    double mean_lon_epoch;   // [rad] mean longitude at the epoch
};

// Derived orbit figures at the time of the query.
struct ORBITPARAM {
    double semi_minor_axis;    // [m]
    double periapsis_dist;     // [m]
    double apoapsis_dist;      // [m]
    double mean_anomaly;       // [rad]
    double true_anomaly;       // [rad]
    double eccentric_anomaly;  // [rad]
    double mean_lon;           // [rad] node + argument of periapsis + mean anomaly, [0, 2pi)
    double true_lon;           // [rad]
    double period;             // [s]
    double time_to_periapsis;  // [s]
    double time_to_apoapsis;   // [s]
};

// What the host tells a vessel about the HUD it is about to draw on.
struct HUDPAINTSPEC {
    int width;   // [px]
    int height;  // [px]
    int center_x;
    int center_y;
    double scale;  // [px] per degree of the HUD's field
    int marker_size;
};
