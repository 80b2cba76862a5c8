#include "standin/profiles/vessel_profile.h"

#include <cstring>

#include "standin/core/vessel_record.h"

namespace standin {

namespace {

// The KRV: a solar observatory keeping station over 102 degrees west, its
// rig built in this order by its module.
constexpr VesselProfile kKrv{
    "KRV",
    258.0,
    THGROUP_MAIN,
    {{{"booms", "ant"},
      {"rotation", "hga_rot"},
      {"tilt1", "hga_tilt1"},
      {"tilt2", "hga_tilt2"},
      {"wings", "solp"},
      {"cover", "lid"}}},
    {{{13, 15, {0.0, 1.0, 0.0}}, {8, 9, {0.0, -1.0, 0.0}}}},
    0,
};

constexpr const VesselProfile* kProfiles[] = {&kKrv};

}  // namespace

std::size_t VesselProfile::animation(const std::string& role) const {
    for (std::size_t i = 0; i < animations.size(); ++i)
        if (role == animations[i].role) return i;
    return animations.size();
}

const VesselProfile* vessel_profile(const VesselRecord& vessel) {
    for (const VesselProfile* p : kProfiles)
        if (vessel.class_name == p->class_name && vessel.animations.size() == p->animations.size())
            return p;
    return nullptr;
}

std::vector<std::string> animation_names(const VesselRecord& vessel) {
    const VesselProfile* profile = vessel_profile(vessel);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < vessel.animations.size(); ++i)
        names.emplace_back(profile != nullptr ? std::string(profile->animations[i].name)
                                              : "anim" + std::to_string(i));
    return names;
}

}  // namespace standin
