// Flies one vessel in the orbital world under a force list and prints its
// start and end states (global frame), for the independent propagation in
// Python to compare with.
//   krv_propagate FORCES MJD DAYS LON_DEG [TOLERANCE]
// starts geostationary over east longitude LON_DEG; TOLERANCE: the
// integrator's relative error per step.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "standin/core/standin_constants.h"
#include "standin/core/vessel_record.h"
#include "standin/world/orbital_world.h"

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: krv_propagate FORCES MJD DAYS LON_DEG [TOLERANCE]\n");
        return 2;
    }
    using namespace standin;
    const double mjd = std::atof(argv[2]), days = std::atof(argv[3]);
    OrbitalWorld w(mjd);
    VesselRecord rec;
    rec.name = "V";
    rec.empty_mass = 3100.0;                        // [kg]
    rec.cross_sections = VECTOR3{10.0, 12.0, 8.0};  // [m^2]
    w.vessel_added(rec);
    if (argc == 6) w.set_tolerance(std::atof(argv[5]));
    w.place(rec, w.geostationary(std::atof(argv[4]) * kTwoPi / 360.0));
    try {
        w.set_forces(
            ForceModel(parse_forces(argv[1]), KRV_SOURCE_DIR "/data/Gravity/egm2008_deg20.gfc"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "krv_propagate: %s\n", e.what());
        return 2;
    }
    auto print = [&w, &rec]() {
        const StateVector s = w.state(rec);
        std::printf("%.17g %.17g %.17g %.17g %.17g %.17g\n", s.r.x, s.r.y, s.r.z, s.v.x, s.v.y,
                    s.v.z);
    };
    print();
    const long steps = static_cast<long>(days * 86400.0 / 60.0);
    for (long i = 0; i < steps; ++i) w.advance(60.0);
    print();
    return 0;
}
