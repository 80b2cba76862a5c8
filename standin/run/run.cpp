#include "standin/run/run.h"

#include <stdexcept>

#include "standin/run/flight.h"
#include "standin/run/live_flight.h"
#include "standin/run/pose_output.h"
#include "standin/run/stop_signal.h"
#include "standin/scenario/scenario_error.h"

namespace standin {

int run(const Options& o, std::FILE* out, std::FILE* err) {
    try {
        // From the start: a signal while loading ends the run as one later does.
        const StopSignals stop;
        Flight flight(o, err);
        if (!o.poses.empty()) {
            write_poses(o, flight.sim(), out);
            return StopSignals::received() == 0 ? 0 : 128 + StopSignals::received();
        }
        flight.prepare(out);
        flight.begin();
        if (o.live) {
#if defined(KRV_WITH_LIVE)
            const long steps = fly_live(flight, o, err);
            const int signal = StopSignals::received();
            flight.finish(signal == 0 ? "until" : "signal", steps, true);
            const int stopped = signal != 0 ? signal : StopSignals::received();
            return stopped == 0 ? 0 : 128 + stopped;
#else
            throw std::runtime_error("--live: not in this build of krvsim");
#endif
        }
        // Until the end: what is due, a step, its snapshot to the outputs.
        double t = flight.time();
        long steps = 0;
        while (t < flight.until() - flight.eps() && StopSignals::received() == 0) {
            flight.due(Schedule::When::before_step, t, t);
            const double dt = flight.step_length(t);
            flight.due(Schedule::When::in_step, t, t + dt);
            flight.step(++steps, dt);
            t = flight.time();
        }
        const int signal = StopSignals::received();
        flight.finish(signal == 0 ? "until" : "signal", steps);
        // A signal while the outputs were written: they are whole, the exit says so.
        const int stopped = signal != 0 ? signal : StopSignals::received();
        return stopped == 0 ? 0 : 128 + stopped;
    } catch (const ModuleLoadError& e) {
        std::fprintf(err, "krvsim: --modules %s: %s\n", o.modules.c_str(), e.what());
    } catch (const std::exception& e) {
        std::fprintf(err, "krvsim: %s\n", e.what());
    }
    return 2;
}

}  // namespace standin
