// A simulated year of a geostationary vessel at 60 s host steps: under
// every force (the gravity field to degree 8, the Moon, the Sun, sunlight's
// pressure), against the two-body year in closed form measured in the same
// run. The counters give the ratio, and how far the same year at a ten
// times tighter tolerance ends from it (it should be under a metre).
#include <benchmark/benchmark.h>

#include <chrono>

#include "standin/core/standin_constants.h"
#include "standin/core/vessel_record.h"
#include "standin/world/orbital_world.h"
#include "standin/world/vec3.h"

namespace {

using namespace standin;

struct Year {
    double seconds;  // wall time
    StateVector end;
};

Year fly_year(const char* forces, double tolerance) {
    OrbitalWorld w(60476.0);
    VesselRecord rec;
    rec.name = "V";
    rec.empty_mass = 3100.0;
    rec.cross_sections = VECTOR3{10.0, 12.0, 8.0};
    w.vessel_added(rec);
    w.place(rec, w.geostationary(-75.0 / 360.0 * kTwoPi));
    w.set_forces(ForceModel(parse_forces(forces), KRV_DATA_DIR "/Gravity/egm2008_deg20.gfc"));
    w.set_tolerance(tolerance);
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 365 * 1440; ++i) w.advance(60.0);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - t0;
    return {took.count(), w.state(rec)};
}

void BM_World_YearAllForces(benchmark::State& state) {
    constexpr double kTolerance = 1e-14;  // the world's default
    Year forces{};
    for (auto _ : state) {
        forces = fly_year("all", kTolerance);
        state.SetIterationTime(forces.seconds);
    }
    const Year two_body = fly_year("two-body", kTolerance);
    const Year tighter = fly_year("all", kTolerance / 10.0);
    state.counters["two_body_s"] = two_body.seconds;
    state.counters["ratio"] = forces.seconds / two_body.seconds;
    state.counters["tighter_apart_m"] = norm(tighter.end.r - forces.end.r);
}
BENCHMARK(BM_World_YearAllForces)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
