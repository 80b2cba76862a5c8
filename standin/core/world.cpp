#include "standin/core/world.h"

#include "standin/core/date_to_int.h"
#include "standin/core/scenario_block.h"
#include "standin/core/vessel_record.h"

namespace standin {

World::~World() = default;

int World::date_to_int(const char* date) {
    return standin::date_to_int(date);
}

void World::vessel_added(VesselRecord& /*vessel*/) {}
void World::vessel_removed(VesselRecord& /*vessel*/) {}

void World::write_vessel_lines(const VesselRecord& /*vessel*/, ScenarioBlock& /*block*/) {}
void World::vessel_ready(VesselRecord& /*vessel*/) {}

void World::parse_vessel_line(VesselRecord& /*vessel*/, const char* /*line*/, void* /*status*/) {}

}  // namespace standin
