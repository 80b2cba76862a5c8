// The angle between each dish's boresight and the Earth, cheap enough
// for every step of a trace: the boresight runs from the reflector's
// vertex centroid to the feed's, and a rigid motion moves a centroid as it
// moves the vertices, so the two rest centroids are found once and only
// they are moved at each step.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "host/types.h"
#include "standin/animation/animated_mesh.h"
#include "standin/core/vessel_record.h"
#include "standin/profiles/vessel_profile.h"

namespace standin {

class PointingGauge {
public:
    explicit PointingGauge(const VesselRecord& vessel);
    // Whether the vessel's profile names its dishes.
    bool applies() const { return applies_; }
    // [rad] of dish 1 and dish 2 to earth (a direction in the vessel frame).
    std::array<double, 2> errors(const VECTOR3& earth) const;
    // As errors(earth) at the animations' states given, by id: the rig's
    // make-up is read, its present states are not, so that another thread
    // may gauge a step's snapshot while the run goes on.
    std::array<double, 2> errors(const VECTOR3& earth, const AnimationStates& states) const;

private:
    const VesselRecord& vessel_;
    bool applies_ = false;
    bool from_mesh_ = false;
    std::array<DishGroups, 2> dishes_{};
    std::array<VECTOR3, 2> reflector_{};  // rest centroids, dish 1 and 2
    std::array<VECTOR3, 2> feed_{};
    // The components that move each dish's reflector, in order, when they
    // move its feed alike: then one motion serves both.
    std::array<std::vector<const AnimationComponent*>, 2> movers_;
    std::array<bool, 2> one_motion_{};
    // The animations each one-motion dish's boresight depends on, and the
    // boresight at the states they had last: a dish often rests from one
    // step to the next.
    std::array<std::vector<std::uint32_t>, 2> depends_;
    mutable std::array<std::vector<double>, 2> seen_states_;
    mutable std::array<VECTOR3, 2> seen_boresight_{};
    mutable std::vector<double> states_;  // kept: no allocation per step
};

}  // namespace standin
