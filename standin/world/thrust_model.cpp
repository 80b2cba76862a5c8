#include "standin/world/thrust_model.h"

#include <algorithm>
#include <vector>

#include "standin/world/vec3.h"

namespace standin {

namespace {

double flow_at_full(const Thruster& t) {
    const double exhaust = t.isp * (t.tank != nullptr ? t.tank->efficiency : 0.0);  // [m/s]
    return exhaust > 0.0 ? t.max_thrust / exhaust : 0.0;
}

}  // namespace

ThrustLoad fire_thrusters(VesselRecord& vessel, double h) {
    ThrustLoad load;
    if (!(h > 0.0)) return load;
    // Demand per tank first, so that a tank short of it is shared fairly.
    std::vector<double> demand(vessel.tanks.size(), 0.0);
    auto tank_index = [&vessel](const PropellantTank* tank) {
        for (std::size_t i = 0; i < vessel.tanks.size(); ++i)
            if (&vessel.tanks[i] == tank) return static_cast<long>(i);
        return -1L;
    };
    for (const auto& t : vessel.thrusters) {
        const long k = tank_index(t.tank);
        if (k >= 0 && t.level > 0.0) demand[k] += std::min(t.level, 1.0) * flow_at_full(t) * h;
    }
    std::vector<double> share(vessel.tanks.size(), 0.0);
    for (std::size_t k = 0; k < vessel.tanks.size(); ++k) {
        auto& tank = vessel.tanks[k];
        share[k] = demand[k] > 0.0 ? std::min(1.0, tank.mass / demand[k]) : 0.0;
        const double drawn = demand[k] * share[k];
        tank.mass = std::max(0.0, tank.mass - drawn);
        load.mass_flow += drawn / h;
    }
    for (auto& t : vessel.thrusters) {
        const long k = tank_index(t.tank);
        if (k < 0 || !(t.level > 0.0) || flow_at_full(t) <= 0.0) continue;
        const double thrust = std::min(t.level, 1.0) * t.max_thrust * share[k];  // [N]
        t.drawn_kg += std::min(t.level, 1.0) * flow_at_full(t) * h * share[k];
        const VECTOR3 f = thrust * unit(t.dir);
        load.force = load.force + f;
        load.torque = load.torque + cross(t.pos, f);
    }
    return load;
}

ThrustLoad group_capacity(const ThrusterGroup& group) {
    ThrustLoad load;
    for (const Thruster* t : group.thrusters) {
        const VECTOR3 f = t->max_thrust * unit(t->dir);
        load.force = load.force + f;
        load.torque = load.torque + cross(t->pos, f);
    }
    return load;
}

}  // namespace standin
