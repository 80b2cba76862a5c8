#include "standin/core/vessel_record.h"

namespace standin {

namespace {

template <typename T, typename H>
T* find_in(std::deque<T>& items, H handle) {
    const auto* wanted = reinterpret_cast<const T*>(handle);
    for (auto& item : items)
        if (&item == wanted) return &item;
    return nullptr;
}

}  // namespace

double VesselRecord::total_mass() const {
    double m = empty_mass.value_or(0.0);
    for (const auto& t : tanks) m += t.mass;
    return m;
}

PropellantTank* VesselRecord::tank(PROPELLANT_HANDLE h) {
    return find_in(tanks, h);
}
Thruster* VesselRecord::thruster(THRUSTER_HANDLE h) {
    return find_in(thrusters, h);
}
AnimationComponent* VesselRecord::component(ANIMATIONCOMPONENT_HANDLE h) {
    return find_in(components, h);
}

}  // namespace standin
