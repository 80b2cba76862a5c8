#include "tests/support/station_vessel.h"

namespace krv_test {

using standin::Thruster;

StationVessel::StationVessel(standin::OrbitalWorld& w) {
    rec.name = "KRV-1";
    rec.empty_mass = 1650.0;
    rec.pmi = VECTOR3{2.0, 2.0, 2.0};
    rec.tanks.push_back({1450.0, 1450.0, 1.0});
    auto* tank = &rec.tanks.back();
    auto thruster = [&](VECTOR3 pos, VECTOR3 dir, double thrust) {
        rec.thrusters.push_back({pos, dir, thrust, tank, 2800.0, 0.0, 101400.0, 0.0});
        return &rec.thrusters.back();
    };
    rec.groups.push_back({THGROUP_MAIN, {thruster({0, 0, -2}, {0, 0, 1}, 500.0)}});
    // Each pair: levers a and -a, forces f and -f: a torque of 2 a x f.
    auto couple = [&](THGROUP_TYPE type, VECTOR3 a, VECTOR3 f) {
        Thruster* t1 = thruster(a, f, 20.0);
        Thruster* t2 = thruster({-a.x, -a.y, -a.z}, {-f.x, -f.y, -f.z}, 20.0);
        rec.groups.push_back({type, {t1, t2}});
    };
    couple(THGROUP_ATT_PITCHUP, {0, 1, 0}, {0, 0, -1});    // -x
    couple(THGROUP_ATT_PITCHDOWN, {0, 1, 0}, {0, 0, 1});   // +x
    couple(THGROUP_ATT_YAWLEFT, {1, 0, 0}, {0, 0, -1});    // +y
    couple(THGROUP_ATT_YAWRIGHT, {1, 0, 0}, {0, 0, 1});    // -y
    couple(THGROUP_ATT_BANKLEFT, {1, 0, 0}, {0, 1, 0});    // +z
    couple(THGROUP_ATT_BANKRIGHT, {1, 0, 0}, {0, -1, 0});  // -z
    w.vessel_added(rec);
}

}  // namespace krv_test
