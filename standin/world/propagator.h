// A coasting orbit integrated under a sum of forces: an adaptive,
// error-controlled Runge-Kutta (Dormand-Prince 5(4)) with dense output, so
// that the host's steps and the integrator's steps are independent. The
// integrator runs ahead of the host's time and is read back in between.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "standin/world/state_vector.h"

namespace standin {

class Propagator {
public:
    // [m/s^2] at a position [m] and a simulation time [s].
    using Acceleration = std::function<VECTOR3(const VECTOR3& r_m, double t_s)>;
    // Whether a position is below the Earth's surface.
    using Below = std::function<bool(const VECTOR3& r_m)>;

    // rel_tol: relative error per step; the absolute part is set for orbits
    // of thousands of kilometres.
    Propagator(const StateVector& s, double t_s, double rel_tol);
    ~Propagator();
    Propagator(const Propagator&) = delete;
    Propagator& operator=(const Propagator&) = delete;

    // The state at `to_s` (after the last time asked). When the orbit goes
    // below the surface first, the state where it does and that time.
    struct Result {
        StateVector state;
        std::optional<double> surface_time_s;
    };
    Result advance(double to_s, const Acceleration& acceleration, const Below& below);
    long steps() const { return steps_; }

private:
    struct Stepper;
    std::unique_ptr<Stepper> stepper_;
    long steps_ = 0;
    double checked_s_ = 0.0;  // [s] the surface was looked for up to here
};

}  // namespace standin
