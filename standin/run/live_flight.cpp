#include "standin/run/live_flight.h"

#if defined(KRV_WITH_LIVE)

#include <chrono>
#include <thread>
#include <variant>

#include "standin/core/thruster_group_names.h"
#include "standin/live/server.h"
#include "standin/run/flight.h"
#include "standin/run/record_output.h"
#include "standin/run/stop_signal.h"

namespace standin {

namespace {

template <typename... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

// [s] of wall time the flight may fall behind the clock before it stops
// trying to catch up (it then runs as fast as it can).
constexpr double kLiveSlack = 0.25;
// Snapshots published at most per second of wall time.
constexpr double kLiveRate = 60.0;

}  // namespace

std::string Flight::order(const live::Command& c, double t, LiveState& state) {
    bool relocating = false;
    std::string refusal = std::visit(
        Overloaded{
            [&](const live::Key& k) -> std::string {
                const auto key = parse_key(k.text());
                if (!key) return "key: unknown key '" + k.text() + "'";
                const KeyEvent e{t, *key};
                keys_->add(e);
                recorded_.keys.push_back(e);
                return {};
            },
            [&](const live::Warp& w) -> std::string {
                const WarpCommand e{t, o_.dt * w.factor,
                                    exact_text(t) + ":" + exact_text(o_.dt * w.factor)};
                warps_->add(e);
                recorded_.warps.push_back(e);
                state.warp = w.factor;
                return {};
            },
            [&](const live::Pause&) -> std::string {
                state.paused = true;
                return {};
            },
            [&](const live::Resume&) -> std::string {
                state.paused = false;
                return {};
            },
            [&](const live::Burn& b) -> std::string {
                const auto group = group_by_name(b.group);
                if (!group) return "burn: unknown group '" + b.group + "'";
                const BurnCommand e{t, b.seconds, *group, b.group, b.level};
                if (!burns_->add(e, *sim_, err_))
                    return "burn: no vessel has the group '" + b.group + "'";
                recorded_.burns.push_back(e);
                return {};
            },
            [&](const live::Attitude& a) -> std::string {
                static const char* const kNames[] = {"sun", "prograde", "retrograde", "hold"};
                const auto mode = parse_attitude_mode(kNames[static_cast<int>(a.mode)]);
                if (!mode) return "attitude: unknown mode";
                const AttitudeCommand e{t, *mode,
                                        exact_text(t) + ":" + kNames[static_cast<int>(a.mode)]};
                attitudes_->add(e);
                recorded_.attitudes.push_back(e);
                return {};
            },
            [&](const live::Relocate& r) -> std::string {
                if (!relocation_->empty() || recorded_.relocate)
                    return "relocate: one relocation per run";
                // A move would fight the keeping's burns.
                if (recorded_.keep_station) return "relocate: station keeping is on";
                const RelocateCommand e{
                    t, r.lon_east_deg, r.orbits,
                    exact_text(t) + ":" + r.lon + ":" + std::to_string(r.orbits)};
                try {
                    relocation_->add(e, *sim_);
                } catch (const std::runtime_error& error) {
                    return std::string("relocate: ") + error.what();
                }
                recorded_.relocate = e;
                relocating = true;
                return {};
            },
            [&](const live::KeepStation& k) -> std::string {
                KeepStationCommand e;
                e.time = t;
                e.lon = k.lon_east_deg;
                e.halfwidth = k.halfwidth_deg;
                e.text = exact_text(t) + ":" + k.lon + ":" + exact_text(k.halfwidth_deg);
                try {
                    keeping_->add(e, *sim_,
                                  recorded_.relocate
                                      ? std::optional<double>(recorded_.relocate->target_lon)
                                      : std::nullopt);
                } catch (const std::runtime_error& error) {
                    return std::string("keep: ") + error.what();
                }
                recorded_.keep_station = e;
                return {};
            },
        },
        c.order);
    if (!refusal.empty()) return refusal;
    RunEvent e;
    e.kind = RunEvent::Kind::command;
    e.t = t;
    e.value = static_cast<double>(c.client);
    e.name = c.message;
    observers_.event(e);
    if (relocating) {
        RunContext run{*sim_, observers_, eps()};
        relocation_->announce(run, err_);
    }
    return {};
}

// A live flight: the batch loop, its steps paced by the wall clock at the
// page's warp, the page's orders taken at each step boundary, a snapshot
// published after a step at most kLiveRate times a second while a page
// watches. Throws std::runtime_error naming --live when it cannot serve.
long fly_live(Flight& flight, const Options& o, std::FILE* err) {
    using Clock = std::chrono::steady_clock;
    using Seconds = std::chrono::duration<double>;
    std::string page, error;
    if (!flight.live_page(page, error)) throw std::runtime_error("--live: " + error);
    const auto listen = live::parse_listen_address(o.live_listen, error);
    if (!listen) throw std::runtime_error("--live: " + error);
    live::ServerOptions so;
    so.listen = *listen;
    so.page = std::move(page);
    so.log = [err](const std::string& line) {
        std::fprintf(err, "krvsim: live: %s\n", line.c_str());
    };
    auto server = live::Server::start(std::move(so), error);
    if (!server) throw std::runtime_error("--live: " + error);
    std::fprintf(err, "krvsim: live at %s\n", server->page_url().c_str());
    std::fflush(err);

    LiveState state;
    double t = flight.time();
    long steps = 0, published = 0;
    const Clock::time_point wall_start = Clock::now();
    Clock::time_point anchor_wall = wall_start;
    double anchor_t = t;
    Seconds behind{0.0};
    const Seconds period(1.0 / kLiveRate);
    Clock::time_point next_publish = wall_start;
    std::size_t viewers = 0;
    bool publish_now = true;
    const auto publish = [&](Clock::time_point now) {
        if (!flight.live_ready()) return;
        server->publish(flight.live_snapshot(state));
        ++published;
        publish_now = false;
        next_publish = std::max(next_publish + std::chrono::duration_cast<Clock::duration>(period),
                                now - std::chrono::duration_cast<Clock::duration>(period));
    };
    while (t < flight.until() - flight.eps() && StopSignals::received() == 0) {
        for (const live::Command& c : server->poll_commands()) {
            const bool was_paused = state.paused;
            const double warp = state.warp;
            const std::string refusal = flight.order(c, t, state);
            if (!refusal.empty()) {
                server->reply(c.client, live::error_reply(live::Refusal::invalid, refusal, c.id));
                std::fprintf(err, "krvsim: live: viewer %llu: refused: %s\n",
                             static_cast<unsigned long long>(c.client), refusal.c_str());
                continue;
            }
            // The clock starts again from here at the new rate.
            if (state.warp != warp || was_paused != state.paused) {
                anchor_wall = Clock::now();
                anchor_t = t;
                publish_now = true;
            }
        }
        Clock::time_point now = Clock::now();
        // A viewer come in: the state now, also while paused.
        if (const std::size_t n = server->clients(); n != viewers) {
            publish_now = publish_now || n > viewers;
            viewers = n;
        }
        if (state.paused) {
            if (publish_now) publish(now);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        const Clock::time_point due = anchor_wall + std::chrono::duration_cast<Clock::duration>(
                                                        Seconds((t - anchor_t) / state.warp));
        if (now < due) {
            // Short naps: orders and signals are seen while waiting.
            std::this_thread::sleep_until(std::min(due, now + std::chrono::milliseconds(10)));
            continue;
        }
        if (now - due > Seconds(kLiveSlack)) {
            // Not caught up with: the clock starts again from here.
            behind += now - due;
            anchor_wall = now;
            anchor_t = t;
        }
        flight.due(Schedule::When::before_step, t, t);
        const double dt = flight.step_length(t);
        flight.due(Schedule::When::in_step, t, t + dt);
        flight.step(++steps, dt);
        t = flight.time();
        now = Clock::now();
        if (publish_now || (viewers > 0 && now >= next_publish)) publish(now);
    }
    server->stop();
    const double wall = Seconds(Clock::now() - wall_start).count();
    std::fprintf(err,
                 "krvsim: live: %ld steps and %ld snapshots in %.1f s of wall time; %.1f s "
                 "behind the clock in all%s\n",
                 steps, published, wall, behind.count(),
                 behind.count() > 0.0 ? " (it ran as fast as it could)" : "");
    return steps;
}

}  // namespace standin

#endif
