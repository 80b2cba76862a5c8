#include "standin/world/propagator.h"

#include <array>
#include <boost/numeric/odeint.hpp>

namespace standin {

namespace {

namespace odeint = boost::numeric::odeint;
using State = std::array<double, 6>;  // r [m], v [m/s]
using Dense = odeint::dense_output_runge_kutta<
    odeint::controlled_runge_kutta<odeint::runge_kutta_dopri5<State>>>;

// Absolute error allowed per step [m, m/s]: far below what a relative
// tolerance allows at the radius of any orbit.
constexpr double kAbsoluteTolerance = 1e-6;
// The first step tried [s]; the controller adapts it at once.
constexpr double kFirstStep = 10.0;
// Halvings that find where the orbit meets the surface: well under a
// millisecond from a step of an hour.
constexpr int kSurfaceBisections = 48;

State pack(const StateVector& s) {
    return {s.r.x, s.r.y, s.r.z, s.v.x, s.v.y, s.v.z};
}

StateVector unpack(const State& x) {
    return {{x[0], x[1], x[2]}, {x[3], x[4], x[5]}};
}

}  // namespace

struct Propagator::Stepper {
    Dense dense;
};

Propagator::Propagator(const StateVector& s, double t_s, double rel_tol)
    : stepper_(std::make_unique<Stepper>(Stepper{odeint::make_dense_output(
          kAbsoluteTolerance, rel_tol, odeint::runge_kutta_dopri5<State>())})) {
    stepper_->dense.initialize(pack(s), t_s, kFirstStep);
    checked_s_ = t_s;
}

Propagator::~Propagator() = default;

Propagator::Result Propagator::advance(double to_s, const Acceleration& acceleration,
                                       const Below& below) {
    Dense& d = stepper_->dense;
    auto system = [&acceleration](const State& x, State& dxdt, double t) {
        const VECTOR3 a = acceleration({x[0], x[1], x[2]}, t);
        dxdt = {x[3], x[4], x[5], a.x, a.y, a.z};
    };
    State x{};
    auto at = [&d, &x](double t) {
        d.calc_state(t, x);
        return unpack(x);
    };
    // Each integrator step that ends before `to_s` is looked at once, at its
    // end; so is `to_s` itself.
    for (;;) {
        if (d.current_time() < to_s) {
            d.do_step(system);
            ++steps_;
        }
        const double end = std::min(d.current_time(), to_s);
        const double from = std::max(d.previous_time(), std::min(checked_s_, end));
        const StateVector s = end == d.current_time() ? unpack(d.current_state()) : at(end);
        if (below(s.r)) {
            double lo = from, hi = end;
            for (int i = 0; i < kSurfaceBisections; ++i) {
                const double mid = 0.5 * (lo + hi);
                (below(at(mid).r) ? hi : lo) = mid;
            }
            return {at(hi), hi};
        }
        checked_s_ = end;
        if (end >= to_s) return {s, std::nullopt};
    }
}

}  // namespace standin
