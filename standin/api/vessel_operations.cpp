// The host's VESSEL operations: each records the call, then answers from
// the vessel's record or from the world.
#include <cmath>

#include "host/vessel.h"
#include "standin/core/host.h"
#include "standin/core/orbit_answers.h"
#include "standin/core/standin_constants.h"

using standin::current_host;
using standin::Host;
using standin::VesselRecord;

namespace {

VesselRecord& self(OBJHANDLE vessel) {
    return current_host().vessel(vessel);
}

}  // namespace

VESSEL::VESSEL(OBJHANDLE vessel, int flight_model) : vessel_(vessel), flight_model_(flight_model) {}

OBJHANDLE VESSEL::GetHandle() const {
    return vessel_;
}

void VESSEL::SetSize(double size) const {
    current_host().record(vessel_, "SetSize", "size", size);
    self(vessel_).size = size;
}

void VESSEL::SetEmptyMass(double mass) const {
    current_host().record(vessel_, "SetEmptyMass", "mass", mass);
    self(vessel_).empty_mass = mass;
}

void VESSEL::SetPitchMomentScale(double scale) const {
    current_host().record(vessel_, "SetPitchMomentScale", "scale", scale);
    self(vessel_).pitch_moment_scale = scale;
}

void VESSEL::SetBankMomentScale(double scale) const {
    current_host().record(vessel_, "SetBankMomentScale", "scale", scale);
    self(vessel_).bank_moment_scale = scale;
}

void VESSEL::SetTrimScale(double scale) const {
    current_host().record(vessel_, "SetTrimScale", "scale", scale);
    self(vessel_).trim_scale = scale;
}

void VESSEL::SetPMI(const VECTOR3& pmi) const {
    current_host().record(vessel_, "SetPMI", "pmi", pmi);
    self(vessel_).pmi = pmi;
}

void VESSEL::SetCrossSections(const VECTOR3& cs) const {
    current_host().record(vessel_, "SetCrossSections", "cs", cs);
    self(vessel_).cross_sections = cs;
}

void VESSEL::SetRotDrag(const VECTOR3& rd) const {
    current_host().record(vessel_, "SetRotDrag", "rd", rd);
    self(vessel_).rot_drag = rd;
}

void VESSEL::SetCameraOffset(const VECTOR3& offset) const {
    current_host().record(vessel_, "SetCameraOffset", "offset", offset);
    self(vessel_).camera_offset = offset;
}

void VESSEL::SetCW(double z_pos, double z_neg, double x, double y) const {
    current_host().record(vessel_, "SetCW", "z_pos z_neg x y", z_pos, z_neg, x, y);
    self(vessel_).cw = {z_pos, z_neg, x, y};
}

void VESSEL::SetTouchdownPoints(const VECTOR3& p1, const VECTOR3& p2, const VECTOR3& p3) const {
    current_host().record(vessel_, "SetTouchdownPoints", "p1 p2 p3", p1, p2, p3);
    self(vessel_).touchdown_points = {p1, p2, p3};
}

int VESSEL::GetFlightModel() const {
    return current_host().record(vessel_, "GetFlightModel", "").result(flight_model_);
}

std::uint32_t VESSEL::AddMesh(const char* name, const VECTOR3* offset) const {
    Host& host = current_host();
    const auto call = host.record(vessel_, "AddMesh", "name offset", name, offset);
    auto& meshes = self(vessel_).meshes;
    standin::MeshUse use;
    use.name = name != nullptr ? name : "";
    use.geometry = host.meshes().find(use.name);
    if (offset != nullptr) use.offset = *offset;
    meshes.push_back(use);
    return call.result(static_cast<std::uint32_t>(meshes.size() - 1));
}

void VESSEL::SetMeshVisibilityMode(std::uint32_t mesh, std::uint16_t mode) const {
    current_host().record(vessel_, "SetMeshVisibilityMode", "mesh mode", mesh, mode);
    auto& meshes = self(vessel_).meshes;
    if (mesh < meshes.size()) meshes[mesh].visibility = mode;
}

PROPELLANT_HANDLE VESSEL::CreatePropellantResource(double max_mass, double mass,
                                                   double efficiency) const {
    const auto call = current_host().record(vessel_, "CreatePropellantResource",
                                            "max_mass mass efficiency", max_mass, mass, efficiency);
    auto& tanks = self(vessel_).tanks;
    // A negative initial mass means "full".
    tanks.push_back({max_mass, mass < 0.0 ? max_mass : mass, efficiency});
    return call.result(reinterpret_cast<PROPELLANT_HANDLE>(&tanks.back()));
}

THRUSTER_HANDLE VESSEL::CreateThruster(const VECTOR3& pos, const VECTOR3& dir, double max_thrust,
                                       PROPELLANT_HANDLE tank, double isp, double isp_ref,
                                       double p_ref) const {
    const auto call = current_host().record(vessel_, "CreateThruster",
                                            "pos dir max_thrust tank isp isp_ref p_ref", pos, dir,
                                            max_thrust, tank, isp, isp_ref, p_ref);
    VesselRecord& v = self(vessel_);
    v.thrusters.push_back({pos, dir, max_thrust, v.tank(tank), isp, isp_ref, p_ref, 0.0});
    return call.result(reinterpret_cast<THRUSTER_HANDLE>(&v.thrusters.back()));
}

THGROUP_HANDLE VESSEL::CreateThrusterGroup(THRUSTER_HANDLE* thrusters, int count,
                                           THGROUP_TYPE type) const {
    Host& host = current_host();
    VesselRecord& v = self(vessel_);
    // The list is the caller's and may be reused at once: copy it now, and
    // record the handles it held at the call (only when something records:
    // every vessel's set-up passes here).
    standin::ThrusterGroup group;
    group.type = type;
    if (thrusters != nullptr && count > 0) group.thrusters.reserve(static_cast<std::size_t>(count));
    for (int i = 0; thrusters != nullptr && i < count; ++i)
        if (auto* t = v.thruster(thrusters[i])) group.thrusters.push_back(t);
    standin::Recorded call;
    if (host.log() != nullptr) {
        call = host.record(vessel_, "CreateThrusterGroup", "thrusters count type", thrusters, count,
                           type);
        // The list's handles, each by its place in it.
        standin::HostCall& c = *call.call();
        for (int i = 0; thrusters != nullptr && i < count; ++i) {
            c.args.push_back(standin::make_arg(thrusters[i]));
            c.arg_names.push_back("thruster" + std::to_string(i));
        }
    }
    v.groups.push_back(std::move(group));
    return call.result(reinterpret_cast<THGROUP_HANDLE>(&v.groups.back()));
}

std::uint32_t VESSEL::AddExhaust(THRUSTER_HANDLE thruster, double length, double width,
                                 const VECTOR3& pos, const VECTOR3& dir, SURFHANDLE texture) const {
    const auto call =
        current_host().record(vessel_, "AddExhaust", "thruster length width pos dir texture",
                              thruster, length, width, pos, dir, texture);
    VesselRecord& v = self(vessel_);
    v.exhausts.push_back({v.thruster(thruster), length, width, pos, dir, texture});
    return call.result(static_cast<std::uint32_t>(v.exhausts.size() - 1));
}

std::uint32_t VESSEL::CreateAnimation(double initial_state) const {
    const auto call =
        current_host().record(vessel_, "CreateAnimation", "initial_state", initial_state);
    auto& animations = self(vessel_).animations;
    animations.push_back({initial_state, {}});
    return call.result(static_cast<std::uint32_t>(animations.size() - 1));
}

ANIMATIONCOMPONENT_HANDLE VESSEL::AddAnimationComponent(std::uint32_t anim, double state0,
                                                        double state1, MGROUP_TRANSFORM* transform,
                                                        ANIMATIONCOMPONENT_HANDLE parent) const {
    const auto call = current_host().record(vessel_, "AddAnimationComponent",
                                            "anim state0 state1 transform parent", anim, state0,
                                            state1, transform, parent);
    VesselRecord& v = self(vessel_);
    if (anim >= v.animations.size() || transform == nullptr)
        return call.result(ANIMATIONCOMPONENT_HANDLE{nullptr});
    standin::AnimationComponent* up = v.component(parent);
    v.components.push_back({anim, state0, state1, transform, up, {}});
    standin::AnimationComponent* c = &v.components.back();
    v.animations[anim].components.push_back(c);
    if (up != nullptr) up->children.push_back(c);
    return call.result(reinterpret_cast<ANIMATIONCOMPONENT_HANDLE>(c));
}

bool VESSEL::SetAnimation(std::uint32_t anim, double state) const {
    Host& host = current_host();
    auto set = [this, anim, state] {
        auto& animations = self(vessel_).animations;
        if (anim >= animations.size()) return false;
        animations[anim].state = state;
        return true;
    };
    if (__builtin_expect(!host.watched(), 1)) return set();
    return host.record(vessel_, "SetAnimation", "anim state", anim, state).result(set());
}

double VESSEL::GetPropellantMass(PROPELLANT_HANDLE tank) const {
    const auto call = current_host().record(vessel_, "GetPropellantMass", "tank", tank);
    const auto* t = self(vessel_).tank(tank);
    return call.result(t != nullptr ? t->mass : 0.0);
}

void VESSEL::SetPropellantMass(PROPELLANT_HANDLE tank, double mass) const {
    current_host().record(vessel_, "SetPropellantMass", "tank mass", tank, mass);
    auto* t = self(vessel_).tank(tank);
    // The host keeps a tank's content within its capacity.
    if (t != nullptr && !std::isnan(mass)) t->mass = std::fmin(std::fmax(mass, 0.0), t->max_mass);
}

double VESSEL::GetEmptyMass() const {
    const auto call = current_host().record(vessel_, "GetEmptyMass", "");
    return call.result(self(vessel_).empty_mass.value_or(0.0));
}

void VESSEL::Global2Local(const VECTOR3& global, VECTOR3& local) const {
    Host& host = current_host();
    if (__builtin_expect(!host.watched(), 1)) {
        local = host.world().global_to_local(self(vessel_), global);
        return;
    }
    const auto call = host.record(vessel_, "Global2Local", "global", global);
    local = host.world().global_to_local(self(vessel_), global);
    if (standin::earth_vector_zeroed(host, global)) local = VECTOR3{0.0, 0.0, 0.0};
    call.answer("local", local);
}

bool VESSEL::GetElements(OBJHANDLE ref, ELEMENTS& elements, ORBITPARAM* params, double mjd_ref,
                         int frame) const {
    Host& host = current_host();
    if (__builtin_expect(!host.watched(), 1))
        return host.world().elements(self(vessel_), ref, elements, params, mjd_ref, frame);
    const auto call = host.record(vessel_, "GetElements", "ref el prm mjd frame", ref, &elements,
                                  params, mjd_ref, frame);
    const unsigned faults = host.faults();
    if ((faults & standin::HostFault::no_elements) != 0) return call.result(false);
    const bool ok = host.world().elements(self(vessel_), ref, elements, params, mjd_ref, frame);
    if ((faults & standin::HostFault::geo_period) != 0 && ok && params != nullptr)
        params->period = standin::kNominalGeoPeriod;
    if (call && ok) standin::record_orbit(call, elements, params);
    return call.result(ok);
}

void VESSEL::ParseScenarioLineEx(char* line, void* status) const {
    Host& host = current_host();
    host.record(vessel_, "ParseScenarioLineEx", "line status", line, status);
    host.world().parse_vessel_line(self(vessel_), line, status);
}
