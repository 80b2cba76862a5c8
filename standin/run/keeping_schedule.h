// A --keep-station order kept for every vessel: from the run's start, or
// from a relocation's arrival when the run has one; the start, the burns
// (with their planned and flown delta-v) and the report at the end told as
// events.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "standin/run/relocation_schedule.h"
#include "standin/run/schedules.h"
#include "standin/station/station_keeper.h"

namespace standin {

class KeepingSchedule : public Schedule {
public:
    // Throws std::runtime_error naming --keep-station when a vessel is not
    // near the station and no relocation takes it there. relocation: the
    // run's, whose arrival starts the keeping when o.relocate is given.
    KeepingSchedule(const Options& o, Simulation& sim, const RelocationSchedule& relocation);

    // An order kept from now (a live flight's): throws std::runtime_error
    // with the reason, not naming an option, when a vessel is not near the
    // station or a station is kept already. relocation_lon: the target of
    // a relocation ordered before, whose arrival then starts the keeping.
    void add(const KeepStationCommand& order, Simulation& sim,
             std::optional<double> relocation_lon);

    Bounds bounds() const override { return Bounds::always; }
    double next_time(double t) const override;
    void due(double t, double step_end, RunContext& run) override;
    void end(double t, const char* reason, RunContext& run) override;

private:
    struct Kept {
        std::unique_ptr<StationKeeper> keeper;
        std::size_t starts_reported = 0, ends_reported = 0;
    };
    const RelocationSchedule& relocation_;
    bool after_relocation_ = false;
    // A timed order not due yet: its keepers are made at its time, as a
    // live flight made them when it was given.
    std::optional<KeepStationCommand> pending_;
    std::optional<double> pending_relocation_lon_;
    std::vector<Kept> kept_;
};

}  // namespace standin
