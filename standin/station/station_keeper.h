// Keeps a vessel on station over the turning Earth, as operators do it.
//
// East-west: under the drift acceleration at the station the mean
// longitude follows a parabola. When it is about to leave the box on the
// side the acceleration pushes toward (the near edge), one tangential burn
// sets the drift so that the parabola's apex just reaches the far edge
// (less a margin) and the longitude comes back to the near edge. The burn
// is timed within the next sidereal day at the point of the orbit where it
// also shrinks the eccentricity.
//
// North-south (optional): when the inclination nears the half-width, a
// burn along the orbit normal at the right point of the orbit sets the
// inclination vector past zero, against the way it has been drifting, so
// that it drifts through zero to the other side.
//
// The mean longitude and its drift are fitted (true_motion.h) to the
// orbit's mean longitude over the ground over the last two sidereal days
// since the last burn; a decision waits for the whole stretch. The box is
// measured on the fit over each sidereal day, burns or not.
#pragma once

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "standin/station/burn_flight.h"
#include "standin/station/keeping_report.h"
#include "standin/station/true_motion.h"
#include "standin/world/orbital_world.h"

namespace standin {

struct KeepingOrder {
    double lon = 0.0;        // [deg] east
    double halfwidth = 0.0;  // [deg]
    bool ns = false;
    double drift_acceleration = 0.0;  // [deg/day^2] at lon, east positive
};

class StationKeeper {
public:
    StationKeeper(OrbitalWorld& world, VesselRecord& vessel, KeepingOrder order);

    // Keeping begins now (once).
    void start();
    bool started() const { return started_; }
    // Before each step: samples the orbit and does what is due now.
    void before_step();
    // [s] the latest time the next step should end at; infinity when
    // nothing is pending.
    double next_event_time() const;
    // Takes the last sample and closes the report at the run's end.
    void finish();

    const std::vector<KeepingBurn>& burns() const { return report_.burns; }
    // Kept up to date; whole after finish().
    KeepingReport& report() { return report_; }

private:
    enum class Phase { idle, waiting, turning, burning, stopped };
    struct Fit {
        double t;      // [s]
        double lon;    // [deg] relative to the station, at t
        double drift;  // [deg/day]
    };

    void sample();
    std::optional<Fit> control_fit() const;
    void measure();
    void decide();
    bool plan_east_west(double t);
    bool plan_north_south(double t);
    void stop(const std::string& why);
    void measure_burn();

    OrbitalWorld& world_;
    VesselRecord& vessel_;
    KeepingOrder order_;
    KeepingReport report_;
    bool started_ = false;
    Phase phase_ = Phase::idle;
    // Decisions: started afresh by each burn. The box: across burns.
    TrueMotionFit control_, measured_;
    double moving_drawn_ = 0.0;   // [kg] moving_propellant_drawn at the last sample
    double next_decision_ = 0.0;  // [s]
    double measured_to_ = -std::numeric_limits<double>::infinity();  // [s] last fit's middle
    // The inclination vector (the orbit normal's equatorial components) at
    // a reference time: its drift since then sets where a north-south burn
    // aims.
    double ref_t_ = 0.0;
    double ref_px_ = 0.0, ref_py_ = 0.0;
    bool inclination_held_ = true;
    BurnFlight burn_flight_;
};

}  // namespace standin
