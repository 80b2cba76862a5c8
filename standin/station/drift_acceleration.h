// How the Earth's gravity field moves a geostationary satellite along the
// arc. The zonal terms (J2 above all) pull harder at the equator than a
// point mass, so the orbit that keeps pace with the Earth is a little wider
// (about 0.5 km) than the point-mass geostationary radius, and an orbit of
// the point-mass radius drifts west. The tesseral terms (J22 above all)
// push the satellite along the arc toward the stable longitudes (near 75E
// and 105W), a longitude acceleration of up to about 0.002 deg/day^2.
//
// With no gravity field (the two-body world, or a force list without
// `gravity`) the Earth is the point mass kEarthMu: the synchronous radius is
// geostationary_radius() and the acceleration is zero.
#pragma once

#include "standin/world/forces/force_model.h"
#include "standin/world/forces/gravity_field.h"

namespace standin {

class DriftAcceleration {
public:
    // The world's gravity field; the point-mass Earth when it has none. The
    // field must outlive this object.
    explicit DriftAcceleration(const ForceModel& forces);
    // null: the point-mass Earth kEarthMu.
    explicit DriftAcceleration(const GravityField* field);

    // [m] radius of the circular equatorial orbit whose angular rate is the
    // Earth's (one turn in kSiderealDay) under the field's zonal terms.
    double synchronous_radius() const { return radius_; }
    // [rad/s] the Earth's rotation rate: the synchronous orbit's mean motion.
    double mean_motion() const;
    // [m/s] global frame: the circular speed on the synchronous radius.
    double synchronous_speed() const { return mean_motion() * radius_; }
    // [m] the osculating semi-major axis about the point mass kEarthMu (what
    // the world's elements report) of that circular orbit: larger than the
    // radius, since the field pulls harder than kEarthMu there.
    double osculating_semi_major_axis() const { return osculating_a_; }

    // [rad/s^2] east positive: the longitude acceleration of a satellite on
    // the synchronous radius over east longitude lon [rad], from the field's
    // along-track pull: lambda'' = -3 a_east / r.
    double longitude_acceleration(double lon) const;
    // [m/s^2] the field's eastward acceleration at east longitude lon [rad]
    // on the equator at radius r [m] (zero for a point mass).
    double east_acceleration(double lon, double r) const;

    // [deg/day^2] east positive: longitude_acceleration at lon_deg [deg] east.
    double acceleration_deg_day2(double lon_deg) const;

private:
    // [m/s^2] the field's inward pull on the equator at radius r, averaged
    // over longitude (the zonal terms alone).
    double zonal_pull(double r) const;

    const GravityField* field_;
    double radius_ = 0.0;
    double osculating_a_ = 0.0;
};

// The mean motion along the arc: mean surface longitude and its drift.
struct ArcMotion {
    double lon_deg = 0.0;        // [deg] east, unwrapped (may leave 0..360)
    double drift_deg_day = 0.0;  // [deg per day of 86400 s] east positive
};

// Where the mean motion leads in `duration` seconds under the longitude
// acceleration alone (lon'' = acceleration(lon); fourth-order Runge-Kutta,
// steps of at most an hour).
ArcMotion coast_along_arc(const DriftAcceleration& drift, ArcMotion from, double duration);

}  // namespace standin
