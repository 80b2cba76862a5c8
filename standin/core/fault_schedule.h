// Host faults on demand: windows of simulation time in which the host
// answers a module falsely, the way a misbehaving host might.
#pragma once

#include <vector>

#include "host/types.h"

namespace standin {

class Host;

// Flags: windows of different kinds may overlap.
enum HostFault : unsigned {
    none = 0,
    no_earth = 1u << 0,           // the lookup of "Earth" answers null
    no_elements = 1u << 1,        // GetElements answers false
    zero_earth_vector = 1u << 2,  // Global2Local of the Earth's position answers (0,0,0)
    geo_period = 1u << 3,         // the orbit's period answers exactly one sidereal day
};

struct FaultWindow {
    double from = 0.0;  // [s] simulation time, included
    double to = 0.0;    // [s] excluded
    HostFault kind = HostFault::none;
};

class FaultSchedule {
public:
    void add(const FaultWindow& w) { windows_.push_back(w); }
    bool empty() const { return windows_.empty(); }
    // The faults in force at simulation time t [s].
    unsigned at(double t) const;

private:
    std::vector<FaultWindow> windows_;
};

// Under a zero-earth-vector fault: whether global is the Earth's position.
bool earth_vector_zeroed(Host& host, const VECTOR3& global);

}  // namespace standin
