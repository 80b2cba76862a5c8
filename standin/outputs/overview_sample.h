// Feeding the overview plot from a run: a sample of a vessel now, and the
// marks of a relocation's burns.
#pragma once

#include <vector>

#include "standin/core/recording_sketchpad.h"
#include "standin/outputs/overview_plot.h"
#include "standin/station/relocation_executor.h"
#include "standin/world/orbital_world.h"

namespace standin {

// The world's truth about the vessel now, and the figures the module
// printed in hud_texts (a HUD frame drawn now; NaN where it printed none).
OverviewSample take_overview_sample(const OrbitalWorld& world, const VesselRecord& vessel,
                                    const std::vector<DrawnText>& hud_texts,
                                    double target_lon = 258.0);

// One mark per burn the executor has scheduled.
std::vector<OverviewMark> burn_marks(const RelocationExecutor& executor);

}  // namespace standin
