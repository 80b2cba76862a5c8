// Keeps both dishes pointed at the Earth while the booms are open: one
// rotation shared by both dishes and a tilt for each, every one moving at a
// fixed angular rate and landing on its target once within one step of it.
#include <cmath>

#include "vessel/krv.h"
#include "vessel/tracking_steps.h"

void krv::TrackEarth() {
    char earth_name[] = "Earth";
    const OBJHANDLE earth = zapiGetObjectByName(earth_name);
    // No Earth, or no usable direction to it: leave the dishes as they are
    // rather than drive them from an undefined angle.
    if (earth == nullptr) return;
    VECTOR3 global{0.0, 0.0, 0.0};
    zapiGetGlobalPos(earth, &global);
    VECTOR3 local{0.0, 0.0, 0.0};
    Global2Local(global, local);
    const double x = local.x;
    const double y = local.y;
    const double z = local.z;
    const double distance = std::sqrt(y * y + x * x + z * z);  // [m]
    if (!(distance > 0.0) || !std::isfinite(distance)) return;

    const double dt = last_simdt;

    // Rotation of both dishes: the Earth's azimuth about the vessel's y axis.
    krvcalc::track_rotation(std::atan2(x, -z), dt, hga_rot_pos, hga_rot_dir);
    SetAnimation(anim_hga_rot, hga_rot_pos);

    // Each tilt follows the Earth's height above the x-z plane on its own
    // antenna's side: antenna 1 looks along +y, antenna 2 along -y.
    krvcalc::track_tilt(std::acos(y / distance), dt, hga_tilt1_pos, hga_tilt1_dir);
    SetAnimation(anim_hga_tilt1, hga_tilt1_pos);

    krvcalc::track_tilt(std::acos(-y / distance), dt, hga_tilt2_pos, hga_tilt2_dir);
    SetAnimation(anim_hga_tilt2, hga_tilt2_pos);
}
