// What answers the host's questions about the simulated world.
//
// This is the one seam between the host's API and what lies behind it: the
// host's operations keep their bookkeeping (what each vessel declared, its
// tanks, animations and scenario blocks) and ask a World for everything
// else. Tests put a ScriptedWorld behind it and set each answer; the runner
// puts the orbital world behind it.
#pragma once

#include "host/types.h"

namespace standin {

class ScenarioBlock;
struct VesselRecord;

class World {
public:
    World() = default;
    World(const World&) = delete;
    World& operator=(const World&) = delete;
    virtual ~World();

    virtual double sim_time() const = 0;  // [s]
    virtual double sim_mjd() const = 0;   // [days]

    // Null when there is no object of that name.
    virtual OBJHANDLE object_by_name(const char* name) = 0;
    // Zero for an object the world does not know.
    virtual VECTOR3 global_pos(OBJHANDLE object) = 0;
    // [rad] in [0, 2pi) for a planet; 0 for anything else.
    virtual double planet_rotation(OBJHANDLE planet) = 0;

    // A global position in the vessel's frame: relative to it, along its axes.
    virtual VECTOR3 global_to_local(const VesselRecord& vessel, const VECTOR3& global) = 0;
    // The vessel's orbit about ref; false when there is none to give.
    virtual bool elements(const VesselRecord& vessel, OBJHANDLE ref, ELEMENTS& el, ORBITPARAM* prm,
                          double mjd, int frame) = 0;

    // The host's version number of an interface date; 0 for a malformed one.
    virtual int date_to_int(const char* date);

    // A vessel came into being or is about to go.
    virtual void vessel_added(VesselRecord& vessel);
    virtual void vessel_removed(VesselRecord& vessel);
    // The vessel has declared itself and read its scenario block, if any:
    // the world now knows all it will be told before the vessel flies.
    virtual void vessel_ready(VesselRecord& vessel);

    // The host's own lines of a vessel's scenario block: written first when
    // the vessel saves, and handed back one by one when the vessel meets a
    // line that is not its own. status is what the host passed to the
    // vessel's clbkLoadState.
    virtual void write_vessel_lines(const VesselRecord& vessel, ScenarioBlock& block);
    virtual void parse_vessel_line(VesselRecord& vessel, const char* line, void* status);

    // Moves the world on by dt seconds of simulation time.
    virtual void advance(double dt) = 0;
};

}  // namespace standin
