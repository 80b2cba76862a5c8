// Where the dishes point, read from the animated mesh: stowed, with the
// booms out, and at the states that the Earth tracking aims for.
#include "standin/animation/dish_pointing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/host_fixture.h"
#include "vessel/krv.h"

namespace {

using standin::AnimationStates;
using standin::dish_boresight;

constexpr double kPi = 3.141592653589793;

double angle_between(const VECTOR3& a, const VECTOR3& b) {
    const double dot = a.x * b.x + a.y * b.y + a.z * b.z;
    const double cx = a.y * b.z - a.z * b.y, cy = a.z * b.x - a.x * b.z, cz = a.x * b.y - a.y * b.x;
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), dot);
}

class DishPointing : public krvtest::HostFixture {
protected:
    void SetUp() override {
        standin::SessionVessel& s = spawn();
        record = s.record;
        k = static_cast<krv*>(s.object);
    }

    AnimationStates states(double ant, double rot, double tilt1, double tilt2) const {
        AnimationStates out(record->animations.size(), 0.0);
        out.at(k->anim_ant) = ant;
        out.at(k->anim_hga_rot) = rot;
        out.at(k->anim_hga_tilt1) = tilt1;
        out.at(k->anim_hga_tilt2) = tilt2;
        return out;
    }

    standin::VesselRecord* record = nullptr;
    krv* k = nullptr;
};

TEST_F(DishPointing, StowedDishesFaceOutwardFromTheirSides) {
    EXPECT_LT(angle_between(dish_boresight(*record, 1), {0, 1, 0}), 1e-9);
    EXPECT_LT(angle_between(dish_boresight(*record, 2), {0, -1, 0}), 1e-9);
    const VECTOR3 none = dish_boresight(*record, 3);
    EXPECT_EQ(none.x, 0.0);
    EXPECT_EQ(none.y, 0.0);
    EXPECT_EQ(none.z, 0.0);
}

TEST_F(DishPointing, WithTheBoomsOutBothDishesLookAlongMinusZ) {
    const auto out = states(1, 0, 0, 0);
    EXPECT_LT(angle_between(dish_boresight(*record, 1, out), {0, 0, -1}), 1e-6);
    EXPECT_LT(angle_between(dish_boresight(*record, 2, out), {0, 0, -1}), 1e-6);
    // The states the vessel holds are read when none are given.
    k->SetAnimation(k->anim_ant, 1.0);
    EXPECT_LT(angle_between(dish_boresight(*record, 1), {0, 0, -1}), 1e-6);
}

// The targets of the Earth tracking for an Earth direction e (vessel frame):
// rotation state = azimuth about y (0 toward -z, a quarter toward +x) / 2 pi;
// tilt state of each dish = 1 - (angle to its +/-y axis, at most pi/2) / (pi/2).
struct Targets {
    double rot, tilt1, tilt2;
};
Targets tracking_targets(const VECTOR3& e) {
    double theta = std::atan2(e.x, -e.z);
    if (theta < 0) theta += 2 * kPi;
    const double r = std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z);
    const double a1 = std::fmin(kPi / 2, std::acos(e.y / r));
    const double a2 = std::fmin(kPi / 2, std::acos(-e.y / r));
    return {theta / (2 * kPi), 1 - a1 / (kPi / 2), 1 - a2 / (kPi / 2)};
}

TEST_F(DishPointing, AtTheTrackingTargetsTheEarthSideDishLooksAtTheEarth) {
    int checked = 0;
    for (double elevation_deg = 0; elevation_deg <= 90; elevation_deg += 7.5) {
        for (double azimuth_deg = 0; azimuth_deg < 360; azimuth_deg += 15) {
            const double el = elevation_deg * kPi / 180, az = azimuth_deg * kPi / 180;
            for (int side : {+1, -1}) {
                // Azimuth from -z toward +x, elevation toward +y or -y.
                const VECTOR3 earth{std::cos(el) * std::sin(az), side * std::sin(el),
                                    -std::cos(el) * std::cos(az)};
                const Targets t = tracking_targets(earth);
                const auto at = states(1, t.rot, t.tilt1, t.tilt2);
                const int near_dish = side > 0 ? 1 : 2;
                const int far_dish = side > 0 ? 2 : 1;
                EXPECT_LT(angle_between(dish_boresight(*record, near_dish, at), earth), 1e-5)
                    << "dish " << near_dish << ", elevation " << elevation_deg << " deg, azimuth "
                    << azimuth_deg << " deg";
                // The other dish, untilted, looks at the Earth's azimuth in the
                // x-z plane.
                const VECTOR3 level{std::sin(az), 0, -std::cos(az)};
                EXPECT_LT(angle_between(dish_boresight(*record, far_dish, at), level), 1e-5)
                    << "dish " << far_dish << ", azimuth " << azimuth_deg << " deg";
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 13 * 24 * 2);
}

}  // namespace
